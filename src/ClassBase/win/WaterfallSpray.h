// Windows layer: the spray of one waterfall. The core moves the 128 sprites
// and writes them into a dynamic mesh locked here; they draw as one list,
// added onto the scene at the fall's point.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/SprayParticles.h"
#include "src/ClassBase/win/DynamicMesh.h"

// Modulates the sprite: a faint warm white, alpha 0x60.
constexpr DWORD SPRAY_TEXTURE_FACTOR = 0x600C1111;

class CWaterfallSpray
{
public:
    SprayParticles m_Particles;
    CDynamicMesh m_Mesh; // the sprites, with "brizg.tga"

    // Buffers, the particles, the texture from the archive, then 5 s of
    // prewarm; 0. A missing buffer or texture leaves the spray undrawn.
    int Build(const ArchiveView& archive);
    // Writes the sprites (buffer discarded first) and moves the particles;
    // depth is how far below the fall's point they bounce.
    void Advance(float dt, float depth);
    // Added onto the scene (one, one) at the fall's point, without the
    // alpha test; the caller leaves depth writes off.
    void Draw(const ScenePoint& at);
    void Release() { m_Mesh.Release(); }
};
