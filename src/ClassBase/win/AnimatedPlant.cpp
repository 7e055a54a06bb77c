// Windows layer: an animated plant.
#include "src/ClassBase/win/AnimatedPlant.h"

#include "src/ClassBase/LeafCards.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"

int CAnimatedPlant::LoadFrom(const ArchiveView& archive, const PlantFiles& files)
{
    Release();
    int status = m_Skin.LoadFrom(archive, files.skin, files.bark);
    if (status == 0)
        status = m_Animation.LoadFrom(archive, files.firstAnimation, files.secondAnimation);
    if (status == 0 && files.leafFile != nullptr)
        status = LoadLeafCardsFrom(archive, files.leafFile, m_Leaves.m_Mesh);
    if (status != 0)
    {
        Release();
        return status;
    }
    // A bone outside the animation's block would be read past its end.
    const unsigned bones = m_Animation.BoneCount();
    if (m_Skin.m_Mesh.m_nBoneLimit > bones || m_Leaves.m_Mesh.m_nBoneLimit > bones)
    {
        LogWrite(g_szLogFile, "plant %s: a bone beyond the %u of %s\n", files.skin, bones, files.firstAnimation);
        Release();
        return 40;
    }
    if (m_Leaves.m_Mesh.IsLoaded())
        status = m_Leaves.CreateBuffers(archive, files.leafFile, files.leafTexture);
    if (status != 0)
        Release();
    return status;
}

void CAnimatedPlant::Update()
{
    if (!IsLoaded())
        return;
    const gfx::Mat4* bones = m_Animation.Advance(g_IdleThrottle.b);
    if (bones == nullptr)
        return;
    m_Skin.Skin(bones, m_Animation.BoneCount());
    m_Leaves.Skin(bones, m_Animation.BoneCount());
}

void CAnimatedPlant::Render(const D3DMATRIX& world)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    if (device == nullptr || !IsLoaded())
        return;
    m_Skin.Render(world, 1.0f);
    if (!m_Leaves.m_Buffers.CanDraw())
        return;
    SetSingleTextureStages(D3DTOP_SELECTARG1);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    m_Leaves.m_Buffers.Draw(device);
}

void CAnimatedPlant::Release()
{
    m_Leaves.Release();
    m_Animation.Release();
    m_Skin.Release();
}
