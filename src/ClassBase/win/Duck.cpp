// Windows layer: one duck.
#include "src/ClassBase/win/Duck.h"

#include "src/ClassBase/win/World.h"

int CDuck::Load(const ArchiveView& archive)
{
    Release();
    const int skin = m_Skin.LoadFrom(archive, "duck.skin", "duck.tga");
    const int anims = m_Behaviour.LoadFrom(archive);
    return skin != 0 ? skin : anims;
}

void CDuck::Advance()
{
    const CBoneAnimation* anim = m_Behaviour.Advance();
    // The buffer keeps the last pose: rewritten only when a frame or the
    // animation changed, which is at most every 32 ms.
    if (anim == nullptr || (anim == m_pPosedAnim && anim->m_nFrame == m_nPosedFrame))
        return;
    m_Skin.Skin(anim->Bones(), anim->m_nBones);
    m_pPosedAnim = anim;
    m_nPosedFrame = anim->m_nFrame;
}

void CDuck::Release()
{
    m_Skin.Release();
    m_Behaviour.Release();
    m_pPosedAnim = nullptr;
    m_nPosedFrame = 0;
}

void RenderDucks(CDuck (&ducks)[WORLD_DUCKS], const ObjectTrajectory& trajectory, uint32_t nowMs, float fade)
{
    // One trajectory frame for all three: they differ only by their own
    // recorded placement.
    for (int d = 0; d < WORLD_DUCKS; ++d)
    {
        const gfx::Mat4* placement = trajectory.Matrix(d, nowMs);
        if (placement == nullptr)
            return;
        const gfx::Mat4 world = DuckWorld(*placement);
        ducks[d].m_Skin.Render(*AsD3D(world), fade);
    }
}
