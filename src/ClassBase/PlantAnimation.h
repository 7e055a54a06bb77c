// Portable core: the sway of an animated plant (a tree or the reeds). Two
// bone animations step together; the first ("stay") drives the bones, the
// second ("wind") only keeps pace. The plant's vertices are rewritten on half
// of the frames only: while the idle throttle's counter B is odd (two frames
// on, two off), and once at the first step whatever B says, so that a plant
// has a pose to draw from its first frame on.
#pragma once

#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/BoneAnimation.h"

class CPlantAnimation
{
public:
    CBoneAnimation m_First;
    CBoneAnimation m_Second;
    bool m_bPosed = false; // a bone block has been handed out since the load

    // Both animations; 0, or the first failure's status (logged once) with
    // both empty.
    int LoadFrom(const ArchiveView& archive, const char* first, const char* second);

    // Advances both animations, then hands back the bone block to skin with
    // this frame: null before the first step, while counter B is even (after
    // the first pose), or when nothing is loaded.
    const gfx::Mat4* Advance(uint32_t counterB);

    unsigned BoneCount() const { return m_First.m_nBones; }
    bool IsLoaded() const { return m_First.IsLoaded() && m_Second.IsLoaded(); }
    void Release();
};
