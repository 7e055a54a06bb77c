// Everything the generator makes, as structured data and as file bytes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Layout.h"
#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/CollFaceFile.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TransObjFile.h"

namespace sg {

// Collects triangles per material; materials keep the order of first use.
class MeshBuilder
{
public:
    int Material(const std::string& texture);
    uint16_t Vertex(Vec3 p, float u, float v);
    uint16_t VertexCount() const { return uint16_t(m_Vertices.size()); }
    void Tri(int material, uint16_t a, uint16_t b, uint16_t c);
    // Both windings, for sheets seen from above and from below.
    void TwoSided(int material, uint16_t a, uint16_t b, uint16_t c)
    {
        Tri(material, a, b, c);
        Tri(material, a, c, b);
    }
    void Append(const MeshBuilder& other);
    bool Empty() const;
    SingleObjectData Build(uint16_t tag = 10, uint16_t kind = 1) const;

private:
    std::vector<SingleObjectVertex> m_Vertices;
    std::vector<std::string> m_Names;
    std::vector<std::vector<uint16_t>> m_Runs;
};

struct TreePlacement
{
    Vec3 root;
    float scale;
    float height; // world height of the crown top above the root
    float radius; // world radius of the crown
};

// Where a placed object meets what carries it: points of its underside that
// must touch the ground (or the water, for what floats).
struct SeatedProp
{
    std::string what;
    std::vector<Vec3> feet;
    bool floats = false;
};

// A side of the scenery's ground between leaf litter and grass, with the
// way out onto the grass (level, unit length).
struct LitterEdge
{
    Vec3 a, b, out;
};

struct SceneContent
{
    std::map<std::string, SingleObjectData> models; // by entry name
    std::map<std::string, SkinData> skins;
    std::map<std::string, AnimData> anims;
    std::map<std::string, LinkAnimData> links;
    std::map<std::string, InstanceListData> lists;
    std::vector<CameraPathData> cameras; // camera01 .. camera15
    TrajectoryData duckTrajectory;
    CollFaceData collision;
    std::vector<TreePlacement> trees;                     // every tree, all kinds
    std::vector<SeatedProp> seated;                       // stones, ledges, bridge, foam
    std::map<std::string, std::vector<uint8_t>> textures; // pictures the scene makes (TGA files)
    std::vector<LitterEdge> litterEdges;                  // where the ground's litter meets grass

    // Entry names (sub-folders with '\') and bytes, in a fixed order.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> Files() const;
};

// The ground as the meshes triangulate it.
struct TerrainGrid
{
    std::vector<float> xs, zs;
    // The grid's nodes, row-major (z rows of x nodes), then the points that
    // refined cells add.
    std::vector<Vec3> pts;
    // Per cell: a refined cell's sub-cells, halved along x and/or z, or the
    // point its triangles fan from when a neighbour's halving left a point
    // on its edge; -1 where there is none.
    std::vector<uint8_t> halve; // bit 0: along x, bit 1: along z
    std::vector<int> centre;
    std::vector<int> midX, midZ; // the midpoint of the x edge from node (i, j), of the z edge from it
    // Per cell: of a pair of plain cells drawn as one, 1 for the left and 2
    // for the right cell of a pair side by side (the left column even), 3
    // for the lower and 4 for the upper of a pair one above the other (the
    // lower row even); 0 elsewhere.
    std::vector<uint8_t> paired;
    // Where a pool's water line crosses an edge of the triangles near the
    // paths, the point on it at the pool's edge and plane (by the edge's two
    // points, the lower index first), and per cell whether its triangles have
    // such a point: the triangles split there, so the water meets the rim
    // along the pool's curve rather than where the coarser cells dip under
    // it or stand over it.
    std::map<std::pair<int, int>, int> waterLine;
    int waterFrom = 0; // the first of those points in pts
    std::vector<uint8_t> waterCells;
    float Height(float x, float z) const;
    // The triangles of cell (i, j) as points, wound as the grid (seen from
    // above), three a triangle. The mesh and Height both go by it.
    void CellTriangles(int i, int j, std::vector<int>& out) const;
    void UncutTriangles(int i, int j, std::vector<int>& out) const; // the same, before the water line's cuts
    void PairTriangles(int i, int j, std::vector<int>& out) const;  // the pair whose first cell is (i, j)
};
const TerrainGrid& Grid();
float TerrainHeight(float x, float z);

// Generation steps, in the order BuildScene runs them.
void BuildCameraPaths(SceneContent& s);
// Every few frames of every path of s: what the eye sees of the ground
// changes slowly as it moves.
std::vector<Vec3> SampledEyes(const SceneContent& s);
void BuildDuckTrajectory(SceneContent& s);
void BuildPlacements(SceneContent& s);
void BuildGroundModels(SceneContent& s); // scenery ground and the part the pools mirror
void BuildRiverBeds(SceneContent& s);    // beds under the water and the banks
void BuildPoolSurface(SceneContent& s);
void BuildRiverSurface(SceneContent& s);
void BuildStoneShadows(SceneContent& s);
void BuildTreeShadows(SceneContent& s);
void BuildProps(SceneContent& s);
void BuildSkins(SceneContent& s);
void BuildPoolReflections(SceneContent& s); // after the skins
void BuildCollision(SceneContent& s);

SceneContent BuildScene();

// Texture names the models refer to, as the archive must carry them (.tga).
std::vector<std::string> ReferencedTextures(const SceneContent& s);

// Whether the program itself names this texture (the textures of skins,
// cards, particles and the few scenery names it mentions); the others are
// named only by the generator's models.
bool ProgramNamesTexture(const std::string& tga);

} // namespace sg
