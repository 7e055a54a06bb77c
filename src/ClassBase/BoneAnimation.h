// Portable core: a bone animation (.anim) and its playback. One bone block
// (a matrix per bone, bone space to model space) per frame; the clock steps
// one frame every 32 ms at most, without interpolation, and loops.
#pragma once

#include <cstddef>
#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassRender/GfxMath.h"

constexpr uint32_t BONE_ANIMATION_STEP_MS = 32;

class CBoneAnimation
{
public:
    uint16_t m_nFrames = 0;
    uint16_t m_nBones = 0;
    gfx::Mat4* m_pMatrices = nullptr; // m_nFrames x m_nBones, frame-major, owned
    uint32_t m_nFrame = 0;            // current frame
    bool m_bHasFrame = false;         // a step has happened since the load
    uint32_t m_dwLastStep = 0;        // clock reading of the last step
    bool m_bWrapped = false;          // the last step went from the last frame to 0

    CBoneAnimation() = default;
    ~CBoneAnimation();
    CBoneAnimation(const CBoneAnimation&) = delete;
    CBoneAnimation& operator=(const CBoneAnimation&) = delete;

    // Reads the named .anim of an archive; 0, or non-zero (one log line) and
    // empty when the file is missing, short, long or has no bones or frames.
    // Playback starts over at frame 0 either way.
    int LoadFrom(const ArchiveView& archive, const char* fileName);
    int LoadBytes(const void* data, size_t size);

    // One playback step by the clock: less than 32 ms since the last step
    // clears the wrapped flag and changes nothing else; otherwise the next
    // frame (0 after the last, with the wrapped flag). However long the
    // stall, one frame. An empty animation never steps.
    void Advance();

    // The current frame's bone block (m_nBones matrices); null when empty.
    const gfx::Mat4* Bones() const;
    bool IsLoaded() const { return m_pMatrices != nullptr; }

    void Release();
};
