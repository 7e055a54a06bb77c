// Host tool: the scenery's props: stones, the ledges the falls pour from,
// the two falls with their foam, and the bridge. They are parts of the
// ground's and the beds' models, not models of their own.
#pragma once

#include "Scene.h"

namespace sg {

// Stones along the banks, round the pools and at the foot of the cliffs,
// never where a camera flies. Those by the river belong to the bed's model,
// the others to the scenery.
struct StoneMeshes
{
    MeshBuilder scenery, bank;
    std::vector<SeatedProp> seats;
};
StoneMeshes PlaceStones(const SceneContent& s);

// Rock ledges at the lips of both falls.
MeshBuilder BuildLedges(std::vector<SeatedProp>* seats = nullptr);

// The two falls, each with the foam at its foot.
MeshBuilder BuildFalls(std::vector<SeatedProp>* seats = nullptr);

// The footbridge across the river, with its trestles in the water.
MeshBuilder BuildBridge(std::vector<SeatedProp>* seats = nullptr);

} // namespace sg
