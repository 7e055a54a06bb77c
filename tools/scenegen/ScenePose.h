// Host tool: the scene posed at one moment for the preview: models, skins
// and leaf cards in world space, grass turned to the eye, and the trees,
// reeds and ducks animated at a time.
#pragma once

#include <string>
#include <vector>

#include "Scene.h"

namespace sg {

// A model in world space, with its materials.
struct Posed
{
    std::vector<Vec3> pos;
    std::vector<float> uv;
    std::vector<uint16_t> idx;
    std::vector<SingleObjectMaterial> mats;
};

Posed FromModel(const SingleObjectData& m, const Mat4& world);

// A skin posed by one bone block and placed by world.
Posed FromSkin(const SkinData& s, const gfx::Mat4* bones, const Mat4& world, const std::string& texture);

// Leaf cards as the program builds them from the .linkanim data.
Posed LeafCards(const LinkAnimData& l, const gfx::Mat4* bones, const Mat4& world, const std::string& texture);

// Grass cards facing the camera (rotation of the inverse view).
Posed Grass(const InstanceListData& l, const Mat4& invView);

// Everything animated at one moment, in world space.
struct Animated
{
    std::vector<Posed> trees, leaves, reeds, ducks;
};

Animated Animate(const SceneContent& s, int timeMs);

} // namespace sg
