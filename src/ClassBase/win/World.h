// Windows layer: the scene. For now the world only clears the screen and
// presents; its objects and passes arrive with the scene issues, behind the
// same three operations.
#pragma once
#include <windows.h>
#include <d3d9.h>

class CSaverCore;

class CWorld
{
public:
    CWorld();
    ~CWorld();

    // Loads every object of the scene; 0 on success.
    HRESULT RenderInit(CSaverCore* app);
    // Advances and draws one frame, then presents.
    HRESULT RenderFrame(CSaverCore* app);
    // Releases every device object of the world; safe to call twice.
    void ReleaseWorld();
};
