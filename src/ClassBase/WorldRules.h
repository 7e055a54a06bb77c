// Portable core: the small sums of the world's frame.
#pragma once
#include <cstdint>

// Drops or leaves from an enable switch and a strength in percent: up to
// 1000, and a negative strength counts as the most (unsigned limit).
int WorldParticleCount(bool enabled, int32_t strength);

// Frame time in seconds from two clock readings, at most 0.1 s.
float WorldFrameTime(uint32_t now, uint32_t previous);

// Texture factor of the second camera view in a blend: the weight in the
// alpha byte, white colour.
uint32_t WorldBlendFactor(float blend);

// Whether the scene load reads an archive entry, by its normalised name
// (upper case, separators '_'). The sounds belong to the sound's own thread,
// the clock's digits to the overlay, and the first tree's model, textures
// and animations are never used (its placements are).
bool SceneLoadReadsEntry(const char* normalisedName);
