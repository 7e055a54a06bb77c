// Portable core: what a duck does. It swims, splashes or dives, each with
// its own bone animation; each time the animation of the current state has
// played through once, a duck that swam splashes with a chance of 8000 in
// 32768, a duck that splashed dives with that chance or swims, and a duck
// that dived swims again. Each animation keeps its frame while another
// plays, and carries on from there when it plays again.
#pragma once

#include "data/RarArchive.h"
#include "src/ClassBase/BoneAnimation.h"
#include "src/ClassRender/GfxMath.h"

enum DuckState
{
    dsSwim = 0,
    dsDive = 1,
    dsSplash = 2,
};
constexpr int DUCK_STATES = 3;
// rand() below this changes the behaviour: about 24.4 %.
constexpr int DUCK_CHANCE = 8000;
// The duck is modelled one unit long; the recorded placements take it at 30.
constexpr float DUCK_SCALE = 30.0f;

// The state after a full cycle of `state` (one draw for swim and splash,
// none for dive). Anything else counts as swim.
DuckState DuckNextState(int state);

// World matrix of a duck: scaled by DUCK_SCALE, then its recorded placement.
gfx::Mat4 DuckWorld(const gfx::Mat4& placement);

class CDuckBehaviour
{
public:
    CBoneAnimation m_Anims[DUCK_STATES]; // by DuckState
    int m_nState = dsSwim;

    // "duck_plavat.anim", "duck_nirok.anim" and "duck_pleskanie.anim" (swim,
    // dive, splash); 0, or the first non-zero status (the others still
    // load). An animation that fails stays inert: its state never ends.
    int LoadFrom(const ArchiveView& archive);

    // One step of the current animation by the clock (at most one frame per
    // 32 ms), and the next state when it went back to its first frame.
    // Returns the animation to pose the skin with (the one that stepped),
    // or null before it has stepped at all.
    const CBoneAnimation* Advance();

    void Release();
};
