// Portable core: what a duck does.
#include "src/ClassBase/DuckBehaviour.h"

#include "src/ClassRender/CrtRandom.h"

namespace {

// By DuckState. "plavat", "nirok", "pleskanie": the archive's entries are
// named so.
const char* const kDuckAnimations[DUCK_STATES] = {"duck_plavat.anim", "duck_nirok.anim", "duck_pleskanie.anim"};

} // namespace

DuckState DuckNextState(int state)
{
    switch (state)
    {
    case dsDive:
        return dsSwim;
    case dsSplash:
        return CrtRand() < DUCK_CHANCE ? dsDive : dsSwim;
    default:
        return CrtRand() < DUCK_CHANCE ? dsSplash : dsSwim;
    }
}

gfx::Mat4 DuckWorld(const gfx::Mat4& placement)
{
    gfx::Mat4 scale = gfx::MatrixIdentity();
    scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = DUCK_SCALE;
    gfx::Mat4 world;
    gfx::MatrixMultiply(world, scale, placement);
    return world;
}

int CDuckBehaviour::LoadFrom(const ArchiveView& archive)
{
    int status = 0;
    for (int s = 0; s < DUCK_STATES; ++s)
    {
        const int r = m_Anims[s].LoadFrom(archive, kDuckAnimations[s]);
        if (status == 0)
            status = r;
    }
    m_nState = dsSwim;
    return status;
}

const CBoneAnimation* CDuckBehaviour::Advance()
{
    if (m_nState < 0 || m_nState >= DUCK_STATES)
        m_nState = dsSwim;
    CBoneAnimation& anim = m_Anims[m_nState];
    anim.Advance();
    if (anim.m_bWrapped)
    {
        anim.m_bWrapped = false;
        m_nState = DuckNextState(m_nState);
    }
    return anim.m_bHasFrame ? &anim : nullptr;
}

void CDuckBehaviour::Release()
{
    for (CBoneAnimation& a : m_Anims)
        a.Release();
    m_nState = dsSwim;
}
