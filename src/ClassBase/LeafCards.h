// Portable core: the leaf cards of a tree (.linkanim) as a skinned mesh.
// Card k is a square of vertices 4k..4k+3 riding on its bone: the unit card
// scaled by sin(0.737 k) + 0.5 (negative mirrors it), turned by yaw, pitch
// and roll of k radians each, then placed by its matrix in the bone's space.
// Its texture coordinates run 0..2, so the leaf picture repeats 2 x 2.
#pragma once

#include <cstddef>

#include "data/RarArchive.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SkinMesh.h"
#include "src/ClassBase/SkinFile.h"

// Most cards one mesh holds: 4 vertices each under 16-bit indices.
constexpr size_t LEAF_CARDS_MAX = 16383;

// The cards in their bones' space, triangles (4k, 4k+1, 4k+2) and
// (4k+2, 4k+1, 4k+3); false (out empty) for no cards or more than the most.
bool LeafCardSkin(const LinkAnimData& cards, SkinData& out);

// Reads the named .linkanim of an archive into mesh; 0, or non-zero (one log
// line) and mesh empty when the file is missing, short or long, holds no card
// or too many.
int LoadLeafCardsFrom(const ArchiveView& archive, const char* fileName, CSkinMesh& mesh);
int LoadLeafCardBytes(const void* data, size_t size, CSkinMesh& mesh);
