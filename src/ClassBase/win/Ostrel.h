// Windows layer: the scene application, which hands the scene operations of
// the framework to its one world.
#pragma once
#include "src/ClassBase/win/World.h"
#include "src/ClassRender/win/SaverCore.h"

class COstrel : public CSaverCore
{
public:
    void Init() override;
    HRESULT EE_Core_InitD3Device(IDirect3DDevice9* device) override;
    HRESULT InitScene(IDirect3DDevice9* device) override;
    HRESULT UpdateFrame(IDirect3DDevice9* device, float elapsedMs) override;
    HRESULT DrawFrame(IDirect3DDevice9* device) override;
    HRESULT ReleaseScene() override;

    CWorld m_World;
};
