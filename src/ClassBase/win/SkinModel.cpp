// Windows layer: a skinned mesh on the device.
#include "src/ClassBase/win/SkinModel.h"

#include "src/ClassBase/ModelFade.h"

int CSkinModel::LoadFrom(const ArchiveView& archive, const char* skinName, const char* textureName)
{
    Release();
    const int status = m_Mesh.LoadFrom(archive, skinName);
    return status != 0 ? status : CreateBuffers(archive, skinName, textureName);
}

int CSkinModel::CreateBuffers(const ArchiveView& archive, const char* owner, const char* textureName)
{
    const int status =
        m_Buffers.Create(archive, owner, m_Mesh.m_nVertices, m_Mesh.m_pIndices, m_Mesh.m_nTriangles, textureName);
    if (status != 0)
        Release();
    return status;
}

void CSkinModel::Skin(const gfx::Mat4* bones, unsigned boneCount)
{
    if (!IsLoaded() || bones == nullptr || boneCount < m_Mesh.m_nBoneLimit)
        return;
    TexturedVertex* out = m_Buffers.Lock();
    if (out == nullptr)
        return;
    m_Mesh.Skin(bones, boneCount, out);
    m_Buffers.Unlock();
}

void CSkinModel::Render(const D3DMATRIX& world, float fade)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || !m_Buffers.CanDraw())
        return;
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    SetSingleTextureStages(D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, ModelFadeFactor(m_dwColor, fade, true));
    device->SetTransform(D3DTS_WORLD, &world);
    m_Buffers.Draw(device);
}

void CSkinModel::Release()
{
    m_Buffers.Release();
    m_Mesh.Release();
}
