// Skinned models of the generator: trees, reeds and the duck.
#pragma once

#include <vector>

#include "ToolMath.h"

namespace sg {

// Size of each tree skin in model units, for placing and spacing them.
struct TreeShape
{
    int bones;
    float height;
    float crownRadius;
};
// tree01, tree02, tree03
const std::vector<TreeShape>& TreeShapes();

// Reed height in model units (placed at scale 1 across).
constexpr float kReedHeight = 72.0f;

} // namespace sg
