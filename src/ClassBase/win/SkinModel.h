// Windows layer: a skinned mesh on the device. The core mesh (CSkinMesh) is
// posed by a bone block into a dynamic vertex buffer, then drawn like a
// static model with one texture.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"
#include "src/ClassBase/SkinMesh.h"
#include "src/ClassBase/win/DynamicMesh.h"
#include "src/ClassBase/win/Model.h"

class CSkinModel
{
public:
    DWORD m_dwColor = MODEL_COLOR_WHITE; // tint
    CSkinMesh m_Mesh;
    CDynamicMesh m_Buffers; // and the texture

    CSkinModel() = default;
    ~CSkinModel() { Release(); }
    CSkinModel(const CSkinModel&) = delete;
    CSkinModel& operator=(const CSkinModel&) = delete;

    // The named .skin of an archive and its texture; 0, or non-zero (one log
    // line) and empty when the file is missing or malformed or its buffers
    // cannot be made. A texture that fails leaves the skin untextured.
    int LoadFrom(const ArchiveView& archive, const char* skinName, const char* textureName);
    // The buffers and texture for the mesh already in m_Mesh (`owner` names
    // it in the log); 0, or non-zero (one log line) with everything released.
    int CreateBuffers(const ArchiveView& archive, const char* owner, const char* textureName);

    // Writes the mesh posed by a bone block of boneCount matrices; nothing
    // when the block has fewer bones than the mesh uses.
    void Skin(const gfx::Mat4* bones, unsigned boneCount);

    // Texture times the texture factor (every channel of the colour times
    // fade), alpha test off; the blend is the caller's. Nothing is drawn
    // before the first Skin.
    void Render(const D3DMATRIX& world, float fade);

    bool IsLoaded() const { return m_Buffers.IsCreated(); }
    void Release();
};
