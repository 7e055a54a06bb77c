// Windows layer: one duck. The core decides what it does and which bone
// block poses it; here the skin is posed into its dynamic buffer and drawn
// at the duck's place on the recorded trajectory.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/DuckBehaviour.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/win/SkinModel.h"

constexpr int WORLD_DUCKS = 3;

class CDuck
{
public:
    CSkinModel m_Skin; // "duck.skin" with "duck.tga"
    CDuckBehaviour m_Behaviour;

    CDuck() = default;
    CDuck(const CDuck&) = delete;
    CDuck& operator=(const CDuck&) = delete;

    // The skin, then the three animations; 0, or the first failure's status.
    // A duck that fails to load draws nothing or does not move.
    int Load(const ArchiveView& archive);
    // The behaviour's step, and the skin posed by it when the pose changed.
    void Advance();
    void Release();

private:
    // The pose in the buffer: which animation, at which frame.
    const CBoneAnimation* m_pPosedAnim = nullptr;
    uint32_t m_nPosedFrame = 0;
};

// The three ducks at the trajectory's frame of the clock reading, each
// scaled by 30 before its own placement, faded; nothing for an empty
// trajectory. Alpha testing is off; the blend is the caller's.
void RenderDucks(CDuck (&ducks)[WORLD_DUCKS], const ObjectTrajectory& trajectory, uint32_t nowMs, float fade);
