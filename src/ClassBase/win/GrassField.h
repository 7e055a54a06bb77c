// Windows layer: a field of grass cards turned to the camera (CGrassCards)
// and drawn in one call, alpha-tested and blended.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"
#include "src/ClassBase/GrassCards.h"
#include "src/ClassBase/win/DynamicMesh.h"

class CGrassField
{
public:
    CGrassCards m_Cards;
    CDynamicMesh m_Buffers; // and the grass texture

    CGrassField() = default;
    ~CGrassField() { Release(); }
    CGrassField(const CGrassField&) = delete;
    CGrassField& operator=(const CGrassField&) = delete;

    // The named instance list of an archive and the grass texture; 0, or
    // non-zero (one log line) and empty when the list is missing or
    // malformed or the buffers cannot be made.
    int LoadFrom(const ArchiveView& archive, const char* fileName, const char* textureName);
    // Every card rewritten to face the camera whose world matrix (the
    // inverse view) is given.
    void Update(const gfx::Mat4& camera);
    // Depth test and writes on, alpha test and blending on, the world
    // untransformed; one draw. Nothing before the first Update.
    void Render();

    bool IsLoaded() const { return m_Buffers.IsCreated(); }
    void Release();
};
