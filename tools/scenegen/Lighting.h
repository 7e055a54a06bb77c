// Host tool: the light baked over the valley: one sun and a sky dome, the
// shade of every slope, the occlusion of hollows and banks, and the soft
// shadows the terrain, the cliffs and the tree crowns cast. The program has
// no lighting of its own: the ground models carry this map as a layer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Scene.h"

namespace sg {

// Towards the sun: from the south-west, about 38 degrees up.
const Vec3& SunDirection();

class LightMap
{
public:
    // Light over the whole ground grid, with the crowns of `trees`.
    explicit LightMap(const std::vector<TreePlacement>& trees);

    // Light at (x, z): 1 is the textures as painted (open flat ground in
    // the sun a little less), down to the sky's light alone.
    float At(float x, float z) const;
    // The texture coordinates of (x, z) on the map.
    float U(float x) const { return (x - m_X0) / (m_X1 - m_X0); }
    float V(float z) const { return (z - m_Z0) / (m_Z1 - m_Z0); }

    // A 32-bit TGA picture of the map: black with the shade in alpha, laid
    // over alpha-blended, which darkens as multiplying by the light would.
    std::vector<uint8_t> OverlayTga() const;

    // Light of a point of the ground with normal n, as the map holds it;
    // without the crowns' shade and shadows if asked.
    float ShadeAt(Vec3 ground, Vec3 n, bool crowns = true) const;
    // Where the map holds light value l (0..1): a ramp in a corner no path
    // sees, for what takes its light per corner rather than from above.
    float RampU(float l) const { return (Clamp(l, 0, 1) * float(kRampTexels - 1) + 0.5f) / float(m_W); }
    float RampV() const { return (float(kRampRows) * 0.5f) / float(m_H); }

    int Width() const { return m_W; }
    int Height() const { return m_H; }

private:
    static constexpr int kRampTexels = 64, kRampRows = 16;
    struct Crown
    {
        Vec3 c;
        float r;
    };
    float Texel(int i, int j) const { return m_Light[size_t(j * m_W + i)]; }
    float FieldAt(float x, float z) const; // the ground mesh's height, bilinear

    int m_W, m_H;
    float m_X0, m_X1, m_Z0, m_Z1;
    std::vector<float> m_Field;
    std::vector<Crown> m_Crowns;
    std::vector<float> m_Light;
};

// The map of the scene's trees, made once.
const LightMap& SceneLight(const SceneContent& s);

struct GroundTriangle;

// The map laid over the ground triangles `which` picks, as material
// `material` of `mesh`: the grid's own corners, lifted a little off the
// ground along its normal, with the map's coordinates; wound as the grid
// (seen from above, facing up), or both ways.
void AddLightLayer(MeshBuilder& mesh, int material, const LightMap& light,
                   const std::function<bool(const GroundTriangle&)>& which, bool twoSided);

// The litter's fringe: a band along `edges` as material `material` of
// `mesh`, from a little inside the litter out over the grass, laid on the
// ground and wound as the grid. Its texture (kLitterFringeTexture) runs
// along the band in u and across it in v, the litter's edge at kLitterFringeEdge.
void AddLitterFringe(MeshBuilder& mesh, int material, const std::vector<LitterEdge>& edges);
constexpr const char* kLitterFringeTexture = "litter_edge.tga";
constexpr float kLitterFringeEdge = 0.25f;

// Name of the picture in the archive.
constexpr const char* kLightOverlayTexture = "lightmap_refl.tga";

} // namespace sg
