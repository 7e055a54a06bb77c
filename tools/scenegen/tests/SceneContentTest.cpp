// The generated scene against the constants the program holds: water
// planes, pools, falls, collision, cameras, ducks, trees and animation loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

#include "Lighting.h"
#include "Scene.h"
#include "Skins.h"
#include "TerrainMesh.h"
#include "src/ClassBase/FallingLeaves.h"
#include "src/ClassBase/RippleRings.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/CrtRandom.h"

namespace {

using namespace sg;

const SceneContent& Scene()
{
    static const SceneContent s = BuildScene();
    return s;
}

// The corners of the triangle whose indices start at t.
void TriangleCorners(const SingleObjectData& m, size_t t, Vec3 (&p)[3])
{
    for (int k = 0; k < 3; ++k)
    {
        const auto& v = m.vertices[m.indices[t + size_t(k)]];
        p[k] = {v.x, v.y, v.z};
    }
}

// Heights of a set of models' triangles at (x, z), found through a bucket grid.
class MeshHeights
{
public:
    explicit MeshHeights(const std::vector<const SingleObjectData*>& models, const std::set<std::string>& skip = {})
    {
        for (const auto* m : models)
            for (const auto& mat : m->materials)
            {
                if (skip.count(mat.texture))
                    continue;
                for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
                {
                    Tri tri;
                    TriangleCorners(*m, t, tri.p);
                    float x0 = std::min({tri.p[0].x, tri.p[1].x, tri.p[2].x}),
                          x1 = std::max({tri.p[0].x, tri.p[1].x, tri.p[2].x});
                    float z0 = std::min({tri.p[0].z, tri.p[1].z, tri.p[2].z}),
                          z1 = std::max({tri.p[0].z, tri.p[1].z, tri.p[2].z});
                    m_Tris.push_back(tri);
                    for (int bx = Cell(x0); bx <= Cell(x1); ++bx)
                        for (int bz = Cell(z0); bz <= Cell(z1); ++bz)
                            m_Buckets[{bx, bz}].push_back(m_Tris.size() - 1);
                }
            }
    }
    // Heights of every triangle over (x, z).
    std::vector<float> At(float x, float z) const
    {
        std::vector<float> out;
        for (const auto& f : Faces(x, z))
            out.push_back(f.first);
        return out;
    }
    // Height and winding (+1 or -1, seen from above) of every triangle over (x, z).
    std::vector<std::pair<float, int>> Faces(float x, float z) const
    {
        std::vector<std::pair<float, int>> out;
        auto it = m_Buckets.find({Cell(x), Cell(z)});
        if (it == m_Buckets.end())
            return out;
        for (size_t i : it->second)
        {
            const auto& t = m_Tris[i];
            float d = (t.p[1].z - t.p[2].z) * (t.p[0].x - t.p[2].x) + (t.p[2].x - t.p[1].x) * (t.p[0].z - t.p[2].z);
            if (std::fabs(d) < 1e-6f)
                continue;
            float a = ((t.p[1].z - t.p[2].z) * (x - t.p[2].x) + (t.p[2].x - t.p[1].x) * (z - t.p[2].z)) / d;
            float b = ((t.p[2].z - t.p[0].z) * (x - t.p[2].x) + (t.p[0].x - t.p[2].x) * (z - t.p[2].z)) / d;
            float c = 1 - a - b;
            if (a >= -1e-4f && b >= -1e-4f && c >= -1e-4f)
                out.push_back({a * t.p[0].y + b * t.p[1].y + c * t.p[2].y, d > 0 ? 1 : -1});
        }
        return out;
    }
    bool Covers(float x, float z, float y) const
    {
        for (float h : At(x, z))
            if (std::fabs(h - y) < 0.01f)
                return true;
        return false;
    }
    float Max(float x, float z) const
    {
        float m = -1e9f;
        for (float h : At(x, z))
            m = std::max(m, h);
        return m;
    }

private:
    struct Tri
    {
        Vec3 p[3];
    };
    static int Cell(float v) { return int(std::floor(v / 32.0f)); }
    std::vector<Tri> m_Tris;
    std::map<std::pair<int, int>, std::vector<size_t>> m_Buckets;
};

const MeshHeights& Ground()
{
    // The ground as drawn: terrain of the scenery and both river beds
    // (the ground's own triangles, not the bridge or falls above it).
    static const MeshHeights g({&Scene().models.at("scene.singleobject"), &Scene().models.at("ruslo_dn.singleobject"),
                                &Scene().models.at("ruslo_up.singleobject")},
                               {"most.psd", "stone01.tga", "stone02.tga", "ledge01.tga", "waterfall01.tga",
                                "waterfall02.tga", "foam01.tga", "lightmap_refl.tga", kLitterFringeTexture});
    return g;
}

TEST(SceneContent, EveryEntryIsWrittenReadableAndDeterministic)
{
    const auto files = Scene().Files();
    std::set<std::string> names;
    for (const auto& f : files)
        names.insert(f.first);
    std::vector<std::string> want = {"sky",   "scene", "scene_refl_lusa", "ruslo_dn",    "ruslo_up",
                                     "lusha", "reka",  "shadow",          "tree_shadow", "brizg"};
    for (auto& w : want)
        w += ".singleobject";
    for (int i = 0; i < 7; ++i)
        want.push_back("water_list_" + std::to_string(i) + ".singleobject");
    for (int i = 1; i <= 4; ++i)
        want.push_back("leaf0" + std::to_string(i) + ".singleobject");
    for (int i = 1; i <= 15; ++i)
    {
        char n[40];
        std::snprintf(n, sizeof n, "camera\\camera%02d.transobj", i);
        want.push_back(n);
    }
    for (const char* n : {"duck_traectory.transobj",
                          "tree01.transobj",
                          "tree02.transobj",
                          "tree03.transobj",
                          "kamish.transobj",
                          "grass_up.transobj",
                          "grass_down.transobj",
                          "duck.skin",
                          "kamish.skin",
                          "tree01.skin",
                          "tree02.skin",
                          "tree03.skin",
                          "duck_plavat.anim",
                          "duck_nirok.anim",
                          "duck_pleskanie.anim",
                          "kamish_stay.anim",
                          "tree01_stay.anim",
                          "tree02_stay.anim",
                          "tree03_stay.anim",
                          "tree01_wind.anim",
                          "tree02_wind.anim",
                          "tree03_wind.anim",
                          "tree01.linkanim",
                          "tree02.linkanim",
                          "tree03.linkanim",
                          "coll.collface",
                          "lightmap_refl.tga"})
        want.push_back(n);
    for (const auto& w : want)
        EXPECT_TRUE(names.count(w)) << w;
    EXPECT_EQ(names.size(), want.size());

    // Every file reads back with the program's readers.
    for (const auto& f : files)
    {
        SCOPED_TRACE(f.first);
        const auto& b = f.second;
        const std::string& n = f.first;
        int status = -1;
        if (n.find(".singleobject") != std::string::npos)
        {
            SingleObjectData d;
            status = ReadSingleObjectFile(b.data(), b.size(), d);
            // The runs cover the triangle list in order.
            size_t next = 0;
            for (const auto& m : d.materials)
            {
                EXPECT_EQ(m.firstIndex, next);
                next += size_t(m.triangleCount) * 3;
            }
            EXPECT_EQ(next, d.indices.size());
        }
        else if (n.rfind("camera\\", 0) == 0)
        {
            CameraPathData d;
            status = ReadCameraPathFile(b.data(), b.size(), d);
            EXPECT_EQ(b.size(), 24032u);
        }
        else if (n == "duck_traectory.transobj")
        {
            TrajectoryData d;
            status = ReadTrajectoryFile(b.data(), b.size(), d);
            EXPECT_EQ(b.size(), 192008u);
        }
        else if (n.find(".transobj") != std::string::npos)
        {
            InstanceListData d;
            status = ReadInstanceListFile(b.data(), b.size(), d);
        }
        else if (n.find(".skin") != std::string::npos)
        {
            SkinData d;
            status = ReadSkinFile(b.data(), b.size(), d);
        }
        else if (n.find(".anim") != std::string::npos && n.find("link") == std::string::npos)
        {
            AnimData d;
            status = ReadAnimFile(b.data(), b.size(), d);
        }
        else if (n.find(".linkanim") != std::string::npos)
        {
            LinkAnimData d;
            status = ReadLinkAnimFile(b.data(), b.size(), d);
        }
        else if (n.size() > 4 && n.compare(n.size() - 4, 4, ".tga") == 0)
        {
            // Uncompressed 32-bit true colour, as big as its header says.
            ASSERT_GE(b.size(), 18u);
            const size_t w = b[12] | b[13] << 8, h = b[14] | b[15] << 8;
            status = b[2] == 2 && b[16] == 32 && b.size() == 18 + w * h * 4 ? 0 : 1;
        }
        else if (n == "coll.collface")
        {
            CollFaceData d;
            status = ReadCollFaceFile(b.data(), b.size(), d);
        }
        EXPECT_EQ(status, 0);
    }

    const auto again = BuildScene().Files();
    ASSERT_EQ(again.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(again[i] == files[i]) << files[i].first << " differs between two runs";
}

TEST(SceneContent, CountsTheProgramExpects)
{
    const auto& s = Scene();
    EXPECT_EQ(s.lists.at("tree01.transobj").placements.size(), 13u);
    EXPECT_EQ(s.lists.at("tree02.transobj").placements.size(), 9u);
    EXPECT_EQ(s.lists.at("tree03.transobj").placements.size(), 9u);
    EXPECT_EQ(s.lists.at("kamish.transobj").placements.size(), 17u);
    EXPECT_EQ(s.lists.at("grass_up.transobj").placements.size(), 196u);
    EXPECT_EQ(s.lists.at("grass_down.transobj").placements.size(), 89u);
    struct
    {
        const char* anim;
        const char* skin;
        unsigned bones, frames;
    } table[] = {{"duck_plavat.anim", "duck.skin", 13, 10},    {"duck_nirok.anim", "duck.skin", 13, 40},
                 {"duck_pleskanie.anim", "duck.skin", 13, 21}, {"kamish_stay.anim", "kamish.skin", 6, 200},
                 {"tree01_stay.anim", "tree01.skin", 38, 300}, {"tree02_stay.anim", "tree02.skin", 26, 300},
                 {"tree03_stay.anim", "tree03.skin", 25, 300}};
    for (const auto& t : table)
    {
        SCOPED_TRACE(t.anim);
        const auto& a = s.anims.at(t.anim);
        const auto& k = s.skins.at(t.skin);
        EXPECT_EQ(a.boneCount, t.bones);
        EXPECT_EQ(a.frameCount, t.frames);
        EXPECT_EQ(k.boneCount, t.bones);
        for (uint8_t b : k.bones)
            ASSERT_LT(b, a.boneCount);
    }
    for (const char* tree : {"tree01", "tree02", "tree03"})
    {
        const auto& l = s.links.at(std::string(tree) + ".linkanim");
        EXPECT_GE(l.cards.size(), 60u);
        for (uint8_t b : l.bones)
            ASSERT_LT(b, s.skins.at(std::string(tree) + ".skin").boneCount);
        EXPECT_TRUE(WriteAnimFile(s.anims.at(std::string(tree) + "_stay.anim")) ==
                    WriteAnimFile(s.anims.at(std::string(tree) + "_wind.anim")));
    }
    for (const auto& c : s.cameras)
    {
        EXPECT_EQ(c.eyes.size(), 1001u);
    }
    EXPECT_EQ(s.cameras.size(), 15u);
    EXPECT_EQ(s.duckTrajectory.frames, 1000u);
}

TEST(SceneContent, PoolsRiverAndFallsWhereTheProgramExpectsThem)
{
    const MeshHeights pool({&Scene().models.at("lusha.singleobject")});
    const MeshHeights river({&Scene().models.at("reka.singleobject")});
    // Every pond ring region centre (the saver's table) and both foam rings
    // lie over pool water.
    std::vector<std::pair<float, float>> centres;
    for (int i = 0; i < g_nRippleRegions; ++i)
        if (!g_RippleRegions[i].keep)
            centres.push_back({g_RippleRegions[i].x, g_RippleRegions[i].z});
    centres.push_back({kFoamA.x, kFoamA.z});
    centres.push_back({kFoamB.x, kFoamB.z});
    for (const auto& c : centres)
    {
        SCOPED_TRACE(testing::Message() << "pool centre " << c.first << ", " << c.second);
        EXPECT_TRUE(pool.Covers(c.first, c.second, kPoolY));
        EXPECT_LT(Ground().Max(c.first, c.second), kPoolY - 1);
    }
    // The river fills the rain's river band along the valley (the band ends
    // just short of 177, which is pool level).
    for (float z = kValleyZ0; z <= kValleyZ1; z += 25)
        for (int k = 0; k <= 8; ++k)
        {
            const float x = std::min(kRainRiverX0 + float(k) * 223.0f / 8, kRainRiverX1 - 0.1f);
            SCOPED_TRACE(testing::Message() << "river at " << x << ", " << z);
            EXPECT_TRUE(river.Covers(x, z, kRiverY));
            EXPECT_LT(Ground().Max(x, z), kRiverY);
        }
    // The falls come over the cliff edge above their pools: high ground just
    // behind each point, pool water below it.
    for (const Vec3& fall : {kFallA, kFallB})
    {
        SCOPED_TRACE(testing::Message() << "fall at z " << fall.z);
        EXPECT_GT(GroundHeight(fall.x + 8, fall.z), fall.y - 6);
        EXPECT_LT(GroundHeight(fall.x - 6, fall.z), kPoolY);
        EXPECT_TRUE(pool.Covers(fall.x, fall.z, kPoolY) || pool.Covers(fall.x - 4, fall.z, kPoolY));
    }
}

TEST(SceneContent, PoolWaterLiesOnlyOverThePoolBasins)
{
    // The pool surface is seen wherever the drawn ground is below it; outside
    // the basins that would be water hanging over a rim or a bank.
    const MeshHeights pool({&Scene().models.at("lusha.singleobject")});
    int overBasin = 0;
    for (const auto& p : PoolShapes())
        for (float z = p.cz - 2.5f * p.rz; z <= p.cz + 2.5f * p.rz; z += 2.0f)
            for (float x = p.cx - 2.5f * p.rx; x <= p.cx + 2.5f * p.rx; x += 2.0f)
            {
                if (!pool.Covers(x, z, kPoolY) || Ground().Max(x, z) >= kPoolY)
                    continue;
                SCOPED_TRACE(testing::Message() << "water at " << x << ", " << z);
                EXPECT_LT(PoolDistance(x, z), 1.0f);
                ++overBasin;
            }
    EXPECT_GT(overBasin, 1000);
}

TEST(SceneContent, RiverSurfaceSpansOneTextureWidthAcross)
{
    // The river's water mask clamps u to a transparent border: u outside 0..1
    // would cut the reflection off across part of the river.
    float lo = 1e9f, hi = -1e9f;
    for (const SingleObjectVertex& v : Scene().models.at("reka.singleobject").vertices)
    {
        lo = std::min(lo, v.u);
        hi = std::max(hi, v.u);
    }
    EXPECT_FLOAT_EQ(lo, 0.0f);
    EXPECT_FLOAT_EQ(hi, 1.0f);
}

TEST(SceneContent, CollisionFacesStartWithTheWaterQuad)
{
    const auto& faces = Scene().collision.faces;
    ASSERT_GE(faces.size(), 100u);
    for (int i = 0; i < 2; ++i)
    {
        const auto& f = faces[size_t(i)];
        for (const Vec3& p : {f.a, f.b, f.c})
            EXPECT_NEAR(p.y, 15.13f, 0.01f);
        EXPECT_FLOAT_EQ(f.n.y, 1.0f);
    }
    // The two triangles cover the river band of the valley.
    auto inside = [](const CollFace& f, float x, float z) {
        Vec3 p = {x, 15.13f, z};
        return Dot(p - f.a, f.nab) >= -1e-3f && Dot(p - f.b, f.nbc) >= -1e-3f && Dot(p - f.c, f.nca) >= -1e-3f;
    };
    for (float z = kValleyZ0; z <= kValleyZ1; z += 50)
        for (float x = kRainRiverX0; x <= kRainRiverX1; x += 20)
            EXPECT_TRUE(inside(faces[0], x, z) || inside(faces[1], x, z)) << x << ", " << z;
    for (const auto& f : faces)
    {
        EXPECT_GE(f.n.y, 0.0f);
        EXPECT_NEAR(Dot(f.b - f.a, f.nab), 0.0f, 0.01f);
        EXPECT_NEAR(Dot(f.c - f.b, f.nbc), 0.0f, 0.01f);
    }
}

TEST(SceneContent, CameraEyesStayInTheOpenAndMoveSmoothly)
{
    const auto& s = Scene();
    for (size_t p = 0; p < s.cameras.size(); ++p)
    {
        SCOPED_TRACE(testing::Message() << "camera" << p + 1);
        const auto& c = s.cameras[p];
        float worstClear = 1e9f, worstTurn = 0, worstJerk = 0;
        for (size_t f = 0; f < c.eyes.size(); ++f)
        {
            const Vec3 e = c.eyes[f];
            float ground = std::max(Ground().Max(e.x, e.z), SurfaceHeight(e.x, e.z));
            worstClear = std::min(worstClear, e.y - ground);
            ASSERT_GT(Len(c.targets[f] - e), 1.0f);
            if (f > 0)
            {
                Vec3 d0 = Norm(c.targets[f - 1] - c.eyes[f - 1]), d1 = Norm(c.targets[f] - e);
                worstTurn = std::max(worstTurn, std::acos(Clamp(Dot(d0, d1), -1, 1)));
            }
            if (f > 1)
                worstJerk = std::max(worstJerk, Len(c.eyes[f] - c.eyes[f - 1] * 2.0f + c.eyes[f - 2]));
        }
        EXPECT_GT(worstClear, 4.0f);
        EXPECT_LT(worstTurn, 0.03f); // under 1.7 degrees per frame
        EXPECT_LT(worstJerk, 0.5f);
        // Inside no tree: keep out of the crown's upright cylinder.
        for (const auto& t : s.trees)
            for (const auto& e : c.eyes)
            {
                float dx = e.x - t.root.x, dz = e.z - t.root.z;
                bool inCrown = dx * dx + dz * dz < t.radius * t.radius && e.y < t.root.y + t.height;
                ASSERT_FALSE(inCrown) << "tree at " << t.root.x << ", " << t.root.z;
            }
    }
    // Some flights pass both falls close enough to hear them swell.
    for (const Vec3& fall : {kFallA, kFallB})
    {
        int paths = 0;
        for (size_t p = 0; p < 14; ++p)
        {
            bool near = false;
            for (size_t f = 0; f < 500; ++f)
            {
                float d = Len(s.cameras[p].eyes[f] - fall);
                near = near || (d > 50 && d < 250);
            }
            paths += near;
        }
        EXPECT_GE(paths, 2) << "fall at z " << fall.z;
    }
}

TEST(SceneContent, NoFlightSkimsTheGrassForLong)
{
    // Low over water shows the reflections; low over grass shows grass. The
    // shown part of a flight (to the switch at frame 500) keeps any stretch
    // of the eye within about a metre of the grass short.
    const auto& s = Scene();
    const float low = 50.0f;
    for (size_t p = 0; p < 14; ++p)
    {
        int run = 0, longest = 0, lowFrames = 0;
        for (size_t f = 0; f <= 500; ++f)
        {
            const Vec3 e = s.cameras[p].eyes[f];
            const bool water = RiverDistance(e.x, e.z) < 0 || PoolDistance(e.x, e.z) < 0;
            const bool skims = !water && e.y - Ground().Max(e.x, e.z) < low;
            run = skims ? run + 1 : 0;
            longest = std::max(longest, run);
            lowFrames += skims;
        }
        std::printf("camera%02zu: low over grass %d frames, longest %d\n", p + 1, lowFrames, longest);
        EXPECT_LE(longest, 100) << "camera" << p + 1;
    }
}

// Everything the scene holds, for what the eye must keep clear of: the
// ground, both beds and banks, and the stones, ledges, bridge and falls.
const MeshHeights& Solid()
{
    static const MeshHeights g({&Scene().models.at("scene.singleobject"), &Scene().models.at("ruslo_dn.singleobject"),
                                &Scene().models.at("ruslo_up.singleobject")},
                               {"foam01.tga"});
    return g;
}

TEST(SceneContent, PlacedPropsRestOnTheGroundOrTheWater)
{
    // A foot may be buried, never above what carries it by more than this
    // (about 2 cm); what floats lies on the water.
    const float tolerance = 1.0f;
    std::map<std::string, int> kinds;
    for (const auto& prop : Scene().seated)
    {
        ASSERT_FALSE(prop.feet.empty()) << prop.what;
        ++kinds[prop.what];
        for (const Vec3& f : prop.feet)
        {
            SCOPED_TRACE(testing::Message() << prop.what << " foot at " << f.x << ", " << f.y << ", " << f.z);
            const float ground = Ground().Max(f.x, f.z);
            const bool water = RiverDistance(f.x, f.z) < 0 || PoolDistance(f.x, f.z) < 0;
            const float carrier = prop.floats && water ? std::max(ground, SurfaceHeight(f.x, f.z)) : ground;
            EXPECT_LE(f.y, carrier + tolerance);
            if (prop.floats)
                EXPECT_GE(f.y, carrier - tolerance);
        }
    }
    EXPECT_EQ(kinds["ledge"], 2);
    EXPECT_EQ(kinds["foam"], 2);
    EXPECT_EQ(kinds["trestle"], 4);
    EXPECT_EQ(kinds["bridge beams"], 1);
    EXPECT_GE(kinds["stone"], 40);

    // A stone in a pool or the river stands well out of it: sunk, it would
    // show only a flat cap at the water.
    std::set<std::string> notStone;
    const std::vector<const SingleObjectData*> models = {&Scene().models.at("scene.singleobject"),
                                                         &Scene().models.at("ruslo_dn.singleobject")};
    for (const SingleObjectData* model : models)
        for (const auto& mat : model->materials)
            if (mat.texture.rfind("stone", 0) != 0)
                notStone.insert(mat.texture);
    const MeshHeights stones(models, notStone);
    const MeshHeights water({&Scene().models.at("lusha.singleobject"), &Scene().models.at("reka.singleobject")});
    int wet = 0;
    for (const auto& prop : Scene().seated)
    {
        if (prop.what != "stone")
            continue;
        Vec3 c = {0, 0, 0};
        for (const Vec3& f : prop.feet)
            c = c + f * (1.0f / float(prop.feet.size()));
        // In the water: under its surface, and the surface over the ground.
        const float level = water.Max(c.x, c.z);
        if (level < c.y || level < GroundHeight(c.x, c.z) + 0.5f)
            continue;
        ++wet;
        EXPECT_GT(stones.Max(c.x, c.z), level + 1.0f) << "stone at " << c.x << ", " << c.z;
    }
    std::printf("stones standing in water: %d\n", wet);
}

TEST(SceneContent, EyesKeepClearOfTheGroundAndTheCrowns)
{
    // Round the eye as wide as the picture's nearest corner reaches, the
    // ground (and anything on it) stays this far below; over a crown the eye
    // passes above its top.
    const float groundClearance = 8.0f, crownClearance = 6.0f, reach = 6.0f;
    const auto& s = Scene();
    for (size_t p = 0; p < s.cameras.size(); ++p)
    {
        SCOPED_TRACE(testing::Message() << "camera" << p + 1);
        float worst = 1e9f;
        size_t worstFrame = 0;
        for (size_t f = 0; f < s.cameras[p].eyes.size(); ++f)
        {
            const Vec3 e = s.cameras[p].eyes[f];
            for (int k = 0; k <= 8; ++k)
            {
                const float a = float(k) * kPi / 4, d = k == 8 ? 0.0f : reach;
                const float x = e.x + std::cos(a) * d, z = e.z + std::sin(a) * d;
                const float clear = e.y - std::max(Solid().Max(x, z), SurfaceHeight(x, z));
                if (clear < worst)
                    worst = clear, worstFrame = f;
            }
            for (const auto& t : s.trees)
            {
                const float dx = e.x - t.root.x, dz = e.z - t.root.z;
                if (dx * dx + dz * dz < (t.radius + reach) * (t.radius + reach))
                    ASSERT_GE(e.y, t.root.y + t.height + crownClearance)
                        << "frame " << f << " over the tree at " << t.root.x << ", " << t.root.z;
            }
        }
        EXPECT_GE(worst, groundClearance) << "frame " << worstFrame;
        std::printf("camera%02zu: clearance %.1f at frame %zu\n", p + 1, worst, worstFrame);
    }
}

TEST(SceneContent, BakedLightLiesOverAllTheGroundAndFollowsTheSun)
{
    const auto& s = Scene();
    // The layers lie on the ground wherever it is seen from above water.
    std::set<std::string> notLight;
    for (const auto& mat : s.models.at("ruslo_up.singleobject").materials)
        if (mat.texture != kLightOverlayTexture)
            notLight.insert(mat.texture);
    const MeshHeights layers({&s.models.at("ruslo_up.singleobject")}, notLight);
    int samples = 0;
    for (float z = -1000; z <= 900; z += 37)
        for (float x = -600; x <= 600; x += 29)
        {
            if (RiverDistance(x, z) < 0 || PoolDistance(x, z) < 0)
                continue;
            // On gentle ground: a steep face's layer stands off it sideways.
            const float d = 1.5f;
            const float gx = (Ground().Max(x + d, z) - Ground().Max(x - d, z)) / (2 * d);
            const float gz = (Ground().Max(x, z + d) - Ground().Max(x, z - d)) / (2 * d);
            if (gx * gx + gz * gz > 1.0f)
                continue;
            ++samples;
            const float ground = Ground().Max(x, z);
            const float layer = layers.Max(x, z);
            EXPECT_GT(layer, ground + 0.1f) << x << ", " << z;
            EXPECT_LT(layer, ground + 1.0f) << x << ", " << z;
        }
    EXPECT_GT(samples, 1000);

    const LightMap& light = SceneLight(s);
    // The crowns shade the ground down-sun of them (where the terrain does
    // not already, and below the clamp at full light).
    const Vec3 sun = SunDirection();
    int shading = 0;
    for (const auto& t : s.trees)
    {
        const Vec3 crown = t.root + Vec3{0, t.height * 0.62f, 0};
        const Vec3 under = crown - sun * ((crown.y - t.root.y) / sun.y);
        const Vec3 ground = {under.x, TerrainHeight(under.x, under.z), under.z};
        shading += light.ShadeAt(ground, {0, 1, 0}) < light.ShadeAt(ground, {0, 1, 0}, false) - 0.05f;
    }
    EXPECT_GE(shading, int(s.trees.size()) * 3 / 4);
    const float open = light.At(-200, 300);
    EXPECT_GT(open, 0.85f);
    EXPECT_LE(open, 1.0f);
    // The river's east bank faces west, towards the sun; the west bank away.
    float w, e;
    RiverEdges(0, w, e);
    EXPECT_LT(light.At(w - 1, 0), light.At(e + 1, 0) - 0.05f);
    // The scenery's light lies once over its ground, in ruslo_up, where the
    // main pass and the river's mirror both draw it: wound as the ground
    // under it, facing up, so the mirror's culling keeps the faces a
    // reflected ray meets. Nothing else multiplies it over again.
    const MeshHeights ground({&s.models.at("scene.singleobject")}, {"stone01.tga", "stone02.tga"});
    const MeshHeights& laid = layers;
    int laidSamples = 0;
    for (float z = -1000; z <= 900; z += 41)
        for (float x = -600; x <= 600; x += 31)
        {
            const auto under = ground.Faces(x, z);
            if (under.size() != 1)
                continue;
            EXPECT_EQ(under[0].second, -1) << "facing down at " << x << ", " << z; // clockwise from above
            const auto over = laid.Faces(x, z);
            ASSERT_EQ(over.size(), 1u) << x << ", " << z;
            EXPECT_EQ(over[0].second, under[0].second) << x << ", " << z;
            EXPECT_NEAR(over[0].first, under[0].first + 0.35f, 0.5f) << x << ", " << z;
            ++laidSamples;
        }
    EXPECT_GT(laidSamples, 1000);
    for (const auto& mat : s.models.at("shadow.singleobject").materials)
        EXPECT_NE(mat.texture, kLightOverlayTexture);
    EXPECT_TRUE(s.textures.count(kLightOverlayTexture));
}

TEST(SceneContent, DucksSwimOnTheRiverApart)
{
    const auto& t = Scene().duckTrajectory;
    auto pos = [&](uint32_t d, uint32_t f) {
        const auto& m = t.matrices[d * t.frames + f % t.frames];
        return Vec3{m.m[3][0], m.m[3][1], m.m[3][2]};
    };
    for (uint32_t f = 0; f < t.frames; ++f)
        for (uint32_t d = 0; d < 3; ++d)
        {
            const Vec3 p = pos(d, f);
            EXPECT_NEAR(p.y, kRiverY, 0.1f);
            EXPECT_LT(RiverDistance(p.x, p.z), -15.0f) << "duck " << d << " frame " << f;
            const auto& m = t.matrices[d * t.frames + f];
            EXPECT_NEAR(std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][2] * m.m[0][2]), 0.6874f, 1e-3f);
            // Steps are small and the loop closes.
            EXPECT_LT(Len(pos(d, f + 1) - p), 1.5f);
            for (uint32_t o = d + 1; o < 3; ++o)
                EXPECT_GT(Len(pos(o, f) - p), 60.0f);
        }
}

TEST(SceneContent, PlantsStandOnTheGround)
{
    const auto& s = Scene();
    int inBands = 0;
    for (const auto& t : s.trees)
    {
        SCOPED_TRACE(testing::Message() << "tree at " << t.root.x << ", " << t.root.z);
        EXPECT_GE(t.scale, 68.0f);
        EXPECT_LE(t.scale, 203.0f);
        float g = Ground().Max(t.root.x, t.root.z);
        EXPECT_LE(t.root.y, g + 0.1f);
        EXPECT_GE(t.root.y, g - 12.0f);
        EXPECT_GT(RiverDistance(t.root.x, t.root.z), 0.0f);
        EXPECT_GT(PoolDistance(t.root.x, t.root.z), 0.0f);
        inBands += (t.root.x >= 418 && t.root.x <= 558) || (t.root.x >= -420 && t.root.x <= -280);
    }
    EXPECT_EQ(s.trees.size(), 31u);
    EXPECT_GE(inBands, 20);
    for (const auto& m : s.lists.at("kamish.transobj").placements)
    {
        float sy = m.m[1][1];
        EXPECT_GE(sy, 0.885f);
        EXPECT_LE(sy, 1.225f);
        EXPECT_NEAR(m.m[0][0] * m.m[0][0] + m.m[0][2] * m.m[0][2], 1.0f, 1e-4f);
        float x = m.m[3][0], z = m.m[3][2];
        EXPECT_NEAR(m.m[3][1], Ground().Max(x, z), 4.0f);
    }
    for (const char* list : {"grass_up.transobj", "grass_down.transobj"})
        for (const auto& m : s.lists.at(list).placements)
        {
            float x = m.m[3][0], z = m.m[3][2];
            EXPECT_NEAR(m.m[3][1], Ground().Max(x, z), 3.0f) << list;
            EXPECT_GT(m.m[3][1], kRiverY);
        }
}

TEST(SceneContent, EveryAnimationLoopsWithoutAJump)
{
    for (const auto& a : Scene().anims)
    {
        SCOPED_TRACE(a.first);
        const AnimData& d = a.second;
        auto diff = [&](uint32_t f0, uint32_t f1) {
            float m = 0;
            for (uint32_t b = 0; b < d.boneCount; ++b)
                for (int i = 0; i < 16; ++i)
                    m = std::max(m, std::fabs(d.Frame(f0)[b].m[i / 4][i % 4] - d.Frame(f1)[b].m[i / 4][i % 4]));
            return m;
        };
        float step = 0;
        for (uint32_t f = 0; f + 1 < d.frameCount; ++f)
            step = std::max(step, diff(f, f + 1));
        EXPECT_GT(step, 0.0f) << "does not move";
        EXPECT_LE(diff(d.frameCount - 1, 0), step * 1.05f);
    }
    // The duck's animations all start from the same pose, where they switch.
    const auto& swim = Scene().anims.at("duck_plavat.anim");
    for (const char* other : {"duck_nirok.anim", "duck_pleskanie.anim"})
    {
        const auto& o = Scene().anims.at(other);
        for (uint32_t b = 0; b < 13; ++b)
            if (b != 9 && b != 10 && b != 11 && b != 12) // the paddling feet
                for (int i = 0; i < 16; ++i)
                    EXPECT_NEAR(o.Frame(0)[b].m[i / 4][i % 4], swim.Frame(0)[b].m[i / 4][i % 4], 1e-4f) << other;
    }
}

// Where the rain lands: its rectangle, and round every eye the cameras show
// (the splashes pop up within 200 units of the eye).
bool RainCanLandAt(float x, float z)
{
    if (x >= -400 && x <= 400 && z >= -1000 && z <= 1000)
        return true;
    const auto& s = Scene();
    for (size_t p = 0; p < 14; ++p)
        for (size_t f = 0; f <= 500; f += 5)
        {
            const Vec3 e = s.cameras[p].eyes[f];
            if (std::fabs(e.x - x) <= 205 && std::fabs(e.z - z) <= 205)
                return true;
        }
    return false;
}

TEST(SceneContent, RainLandsOnWaterOrGroundAtItsLevel)
{
    // The rain treats -46 <= x < 177 as river (level 15.2), everywhere else
    // as pool level (37.4): river water only inside that band, and outside
    // it ground at 37.4 or higher, or pool water; no splash hangs in the air.
    const MeshHeights pool({&Scene().models.at("lusha.singleobject")});
    const MeshHeights river({&Scene().models.at("reka.singleobject")});
    int checked = 0, riverOutside = 0, hanging = 0;
    for (float z = -1900; z <= 1900; z += 4)
        for (float x = -702; x <= 702; x += 4)
        {
            if (!RainCanLandAt(x, z))
                continue;
            ++checked;
            const bool inBand = SceneRainLevel(x) == SCENE_RAIN_RIVER_LEVEL;
            if (river.Covers(x, z, kRiverY) && !inBand)
            {
                ADD_FAILURE() << "river water outside the band at " << x << ", " << z;
                if (++riverOutside > 10)
                    return;
            }
            if (!inBand && !pool.Covers(x, z, kPoolY) && Ground().Max(x, z) < SCENE_RAIN_POOL_LEVEL)
            {
                ADD_FAILURE() << "ground below the rain's level at " << x << ", " << z << ": " << Ground().Max(x, z);
                if (++hanging > 10)
                    return;
            }
        }
    EXPECT_GT(checked, 100000);
}

TEST(SceneContent, RestingLeavesLieOnTheGroundOrOnPoolWater)
{
    // The runtime's own leaves, where each comes to rest: on pool water, or
    // on ground at most about a unit below the rest height and never above
    // it, over at least 80 % of the landings.
    const MeshHeights pool({&Scene().models.at("lusha.singleobject")});
    FallingLeaves leaves;
    CrtRandSetState(1);
    leaves.Build(LEAF_MAX);
    std::vector<bool> resting(LEAF_MAX);
    for (int i = 0; i < LEAF_MAX; ++i)
        resting[size_t(i)] = leaves.m_Leaves[i].y <= leaves.m_Leaves[i].rest;
    int landed = 0, seen = 0, buried = 0;
    for (int step = 0; step < 3000; ++step)
    {
        leaves.Advance(0.1f);
        for (int i = 0; i < LEAF_MAX; ++i)
        {
            const FallingLeaf& leaf = leaves.m_Leaves[i];
            const bool now = leaf.y <= leaf.rest;
            if (now && !resting[size_t(i)])
            {
                gfx::Mat4 world;
                float fade;
                LeafPlacement(leaf, world, fade);
                const float x = world.m[3][0], z = world.m[3][2];
                const float ground = Ground().Max(x, z);
                const bool onPool = pool.Covers(x, z, kPoolY) && ground < kPoolY;
                const bool onGround = ground <= SCENE_LEAF_REST_Y && ground >= SCENE_LEAF_REST_Y - 1.2f;
                ++landed;
                seen += onPool || onGround;
                buried += ground > SCENE_LEAF_REST_Y;
            }
            resting[size_t(i)] = now;
        }
    }
    CrtRandSetState(1);
    ASSERT_GT(landed, 5000);
    const double share = double(seen) / landed;
    std::printf("resting leaves seen: %.1f %% of %d landings (%.1f %% under the ground)\n", 100 * share, landed,
                100.0 * buried / landed);
    EXPECT_GE(share, 0.8);
}

TEST(SceneContent, PoolsCoverMostOfTheRingRegions)
{
    // Pond rain rings land uniformly in each region's square, each region
    // taking its share of the draws; the rings show only on pool water.
    const MeshHeights pool({&Scene().models.at("lusha.singleobject")});
    double onWater = 0, all = 0;
    for (int i = 0; i < g_nRippleRegions; ++i)
    {
        const RippleRegion& r = g_RippleRegions[i];
        if (r.keep)
            continue;
        int in = 0, n = 0;
        const float step = r.h / 20;
        for (float z = r.z - r.h + step / 2; z < r.z + r.h; z += step)
            for (float x = r.x - r.h + step / 2; x < r.x + r.h; x += step)
            {
                ++n;
                in += pool.Covers(x, z, kPoolY) && Ground().Max(x, z) < kPoolY;
            }
        const double share = double(in) / n, draws = r.last - r.first + 1;
        std::printf("ring region (%.0f, %.0f) h %.0f: %.0f %% on pool water\n", r.x, r.z, r.h, 100 * share);
        onWater += share * draws;
        all += draws;
    }
    std::printf("rings on pool water: %.1f %%\n", 100 * onWater / all);
    EXPECT_GE(onWater / all, 0.75);
}

// What the pools mirror: a triangle is taken when some eye sees any part of
// it in a pool, also a large one whose corners and middle all fall beside
// the pool while a side passes over it.
TEST(SceneContent, PoolsMirrorTakesTrianglesSeenInAPoolBetweenTheirCorners)
{
    const PoolShape& pool = PoolShapes()[0];
    SceneContent one;
    one.cameras.push_back({{{pool.cx, 100, pool.cz}}, {{pool.cx, 0, pool.cz}}});
    const PoolsMirror mirrored(one);
    // Seen from the eye mirrored 26 under the plane, a point 60 up lands
    // on the plane at 63/86 of its way out from under the eye. The mirror
    // draws a triangle from the side it faces: a slope turned to the pool
    // is seen, the flat top of the ground never.
    struct Case
    {
        float half, near, far; // the long side's half length and offset north, the far corner's
        float ny;              // the normal's height: -1 turned to the mirrored eye below
        bool seen;
    } cases[] = {
        {500, 20, -700, -1, true},  // over the pool's middle; the far corner south
        {500, 120, 240, -1, true},  // the long side crosses the pool's northern edge
        {300, 178, 240, -1, false}, // all of it lands north of the pool
        {500, 20, -700, 1, false},  // over the pool, but turned away from the mirrored eye
    };
    for (const Case& c : cases)
    {
        GroundTriangle t;
        t.a = {pool.cx - c.half, 60, pool.cz + c.near};
        t.b = {pool.cx + c.half, 60, pool.cz + c.near};
        t.c = {pool.cx, 60, pool.cz + c.far};
        t.n = {0, c.ny, 0};
        t.cx = (t.a.x + t.b.x + t.c.x) / 3, t.cy = 60, t.cz = (t.a.z + t.b.z + t.c.z) / 3;
        t.pd = PoolDistance(t.cx, t.cz), t.rd = 100;
        t.part = GroundPart::Scenery;
        EXPECT_EQ(mirrored(t), c.seen) << c.near << ", " << c.far << ", " << c.ny;
    }
}

// Where the paths come close to a pool, the drawn ground meets the water on
// the pool's own curve: along the line from the pool's middle, the ground
// crosses the water's plane within 1.5 units of the pool's edge, not where the
// coarser cells that span the rim's step dip under it or stand over it.
TEST(SceneContent, GroundMeetsPoolWaterOnThePoolsEdgeNearThePaths)
{
    std::vector<Vec3> eyes;
    for (const auto& c : Scene().cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 6)
            eyes.push_back(c.eyes[f]);
    int checked = 0, off = 0;
    float worst = 0;
    for (const auto& p : PoolShapes())
        for (float a = 0; a < 2 * kPi; a += 0.004f)
        {
            const float ux = std::cos(a) * p.rx, uz = std::sin(a) * p.rz, u = std::hypot(ux, uz);
            float in = 0.3f, out = 2.0f;
            for (int k = 0; k < 30; ++k)
            {
                const float m = (in + out) / 2;
                (ShapeDistance(p, p.cx + ux * m, p.cz + uz * m) < 0 ? in : out) = m;
            }
            const float x = p.cx + ux * in, z = p.cz + uz * in, dx = ux / u, dz = uz / u;
            // The pool's own rim, not a neighbour pool, a bank or a cliff's foot.
            if (PoolDistance(x, z) < ShapeDistance(p, x, z) - 0.01f ||
                GroundHeight(x + dx * 0.2f, z + dz * 0.2f) < kPoolY + 0.5f ||
                GroundHeight(x - dx * 0.2f, z - dz * 0.2f) >= kPoolY)
                continue;
            float nearest = 1e9f;
            for (const Vec3& e : eyes)
                nearest = std::min(nearest, Len(e - Vec3{x, kPoolY, z}));
            if (nearest > 45)
                continue;
            ++checked;
            // The nearest crossing of the water's plane along the line.
            float d = 5;
            for (float s = 0; s < 5 && d == 5; s += 0.05f)
                for (float sign : {-1.0f, 1.0f})
                {
                    const float h0 = Ground().Max(x + dx * sign * s, z + dz * sign * s);
                    const float h1 = Ground().Max(x + dx * sign * (s + 0.05f), z + dz * sign * (s + 0.05f));
                    if ((h0 < kPoolY) != (h1 < kPoolY))
                        d = std::min(d, s);
                }
            worst = std::max(worst, d);
            if (d > 1.5f)
                ++off;
        }
    std::printf("pool edges near the paths: %d points, %d with the water line over 1.5 units off, worst %.2f\n",
                checked, off, double(worst));
    // A few stay off, where the edge bulges into a cell between rim nodes
    // and leaves it by the side it came in (before the water line's cuts,
    // nine in ten were; before a cell took the diagonal that meets the edge
    // nearer its middle, one in seventy, where a node lay just off the water).
    EXPECT_GT(checked, 500);
    EXPECT_LT(off, checked / 250);
}

// No wall stands at a pool's edge: where a pool lies at the foot of a slope,
// the ground comes down to the rim as a bank (the big west pool had a
// 34-unit face of rock there, a slab from every path that passed). Only the
// falls' pools keep their cliffs.
TEST(SceneContent, SlopesComeDownToThePoolsAsBanks)
{
    int checked = 0;
    for (const auto& p : PoolShapes())
        for (float a = 0; a < 2 * kPi; a += 0.01f)
        {
            const float ux = std::cos(a) * p.rx, uz = std::sin(a) * p.rz;
            for (const auto& [out, most] : {std::pair{3.0f, 6.0f}, std::pair{10.0f, 12.0f}})
            {
                // The point `out` units from the edge along the ray from the middle.
                float lo = 0.3f, hi = 3.0f;
                for (int k = 0; k < 30; ++k)
                {
                    const float m = (lo + hi) / 2;
                    (ShapeDistance(p, p.cx + ux * m, p.cz + uz * m) < out ? lo : hi) = m;
                }
                const float x = p.cx + ux * lo, z = p.cz + uz * lo;
                if (PoolDistance(x, z) < ShapeDistance(p, x, z) - 0.01f || x >= EastCliffX(z) - 80)
                    continue;
                ++checked;
                EXPECT_LE(GroundHeight(x, z), kPoolY + most)
                    << "pool at " << p.cx << ", " << p.cz << ": " << out << " units out at " << x << ", " << z;
            }
        }
    EXPECT_GT(checked, 1000);
}

// A pool's bank is a grassy slope: bare earth only on faces too steep for
// grass, never as a wide field round a pool. Measured by area on the ring of
// ground from the rim's edge out to 60 units, per pool.
TEST(SceneContent, PoolBanksAreGrassNotBareEarth)
{
    const SingleObjectData& m = Scene().models.at("scene.singleobject");
    std::vector<float> ring(PoolShapes().size(), 0), earth(PoolShapes().size(), 0);
    for (const auto& mat : m.materials)
        for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
        {
            Vec3 p[3];
            TriangleCorners(m, t, p);
            const Vec3 c = (p[0] + p[1] + p[2]) * (1.0f / 3);
            const Vec3 n = Cross(p[1] - p[0], p[2] - p[0]);
            const float area = 0.5f * Len(n);
            if (area < 1e-3f)
                continue;
            size_t pool = 0;
            for (size_t i = 1; i < PoolShapes().size(); ++i)
                if (ShapeDistance(PoolShapes()[i], c.x, c.z) < ShapeDistance(PoolShapes()[pool], c.x, c.z))
                    pool = i;
            const float pd = ShapeDistance(PoolShapes()[pool], c.x, c.z);
            if (pd < 9 || pd > 60)
                continue;
            ring[pool] += area;
            if (mat.texture == "ground02.tga")
            {
                earth[pool] += area;
                EXPECT_LT(std::fabs(n.y) / Len(n), 0.75f) << "earth on a gentle slope at " << c.x << ", " << c.z;
            }
        }
    for (size_t i = 0; i < ring.size(); ++i)
        EXPECT_LT(earth[i], 0.05f * ring[i]) << "pool at " << PoolShapes()[i].cx << ", " << PoolShapes()[i].cz << ": "
                                             << earth[i] << " of " << ring[i] << " square units bare earth";
}

// Every tree's shade lies on the ground round its foot, on a bank as on the
// flat: a patch whose cells were left out on a slope showed as a lone dark
// piece beside the trunk. Points on a cliff's face or a rim's step, where the
// patch stops on purpose, are not asked; a crease here and there may lift it.
TEST(SceneContent, TreeShadeLiesRoundEveryTreesFoot)
{
    const MeshHeights shade({&Scene().models.at("tree_shadow.singleobject")});
    for (const auto& t : Scene().trees)
    {
        int asked = 0, missed = 0;
        for (int k = 0; k < 8; ++k)
        {
            const float a = float(k) * kPi / 4;
            const float x = t.root.x + 0.3f * t.radius * std::cos(a), z = t.root.z + 0.3f * t.radius * std::sin(a);
            // the ground as drawn, which the shade lies over
            const float d = 4, ground = TerrainHeight(x, z);
            if (std::hypot(TerrainHeight(x + d, z) - TerrainHeight(x - d, z),
                           TerrainHeight(x, z + d) - TerrainHeight(x, z - d)) > 1.5f * 2 * d)
                continue;
            ++asked;
            bool on = false;
            for (float h : shade.At(x, z))
                on = on || (h > ground - 0.5f && h < ground + 1.5f);
            missed += on ? 0 : 1;
        }
        EXPECT_LE(missed, 2) << "tree at " << t.root.x << ", " << t.root.z << ": " << missed << " of " << asked
                             << " points round its foot without shade";
    }
}

// The shade is a layer drawn over the ground it lies on: where the ground's
// own triangles rose above it (its nodes followed the smooth valley, not the
// coarser triangles drawn), the ground hid it in pale, sharp-edged patches.
TEST(SceneContent, TreeShadeIsNeverHiddenByTheGround)
{
    const MeshHeights shade({&Scene().models.at("tree_shadow.singleobject")});
    int hidden = 0, asked = 0;
    std::string first;
    for (const auto& t : Scene().trees)
    {
        const float r = t.radius * 1.2f;
        for (float x = t.root.x - r; x <= t.root.x + r; x += 1.5f)
            for (float z = t.root.z - r; z <= t.root.z + r; z += 1.5f)
            {
                if (GroundHeight(x, z) < SurfaceHeight(x, z) - 0.05f)
                    continue; // over water the pools' and river's own passes decide
                const std::vector<float> hs = shade.At(x, z);
                if (hs.empty())
                    continue;
                ++asked;
                const float ground = TerrainHeight(x, z);
                if (*std::max_element(hs.begin(), hs.end()) < ground + 0.1f)
                {
                    if (hidden++ == 0)
                        first = std::to_string(x) + ", " + std::to_string(z);
                }
            }
    }
    EXPECT_GT(asked, 1000);
    EXPECT_EQ(hidden, 0) << "of " << asked << " points of tree shade under the drawn ground, the first at " << first;
}

// Grass drawn on a pool's rim: where two pools lie closer than a cell, a
// triangle's middle may lie off both rims while its corners lie on them, and
// grass taken from the middle lay across both rims as a slab with straight
// sides. Counted on a unit grid over the scenery's grass, well inside the
// rims (which end 9 units from the water) and near the paths.
TEST(SceneContent, GrassKeepsOffThePoolsRims)
{
    std::vector<Vec3> eyes;
    for (const auto& c : Scene().cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 6)
            eyes.push_back(c.eyes[f]);
    const SingleObjectData& m = Scene().models.at("scene.singleobject");
    int onRim = 0, grass = 0;
    for (const auto& mat : m.materials)
    {
        if (mat.texture != "ground01.tga" && mat.texture != "ground04.tga" && mat.texture != "ground03.tga")
            continue;
        for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
        {
            Vec3 p[3];
            TriangleCorners(m, t, p);
            const Vec3 c = (p[0] + p[1] + p[2]) * (1.0f / 3);
            if (PoolDistance(c.x, c.z) > 25)
                continue;
            float nearest = 1e9f;
            for (const Vec3& e : eyes)
                nearest = std::min(nearest, std::hypot(e.x - c.x, e.z - c.z));
            if (nearest > 60)
                continue;
            const float d = (p[1].x - p[0].x) * (p[2].z - p[0].z) - (p[2].x - p[0].x) * (p[1].z - p[0].z);
            for (float x = std::floor(std::min({p[0].x, p[1].x, p[2].x})); x <= std::max({p[0].x, p[1].x, p[2].x});
                 x += 1)
                for (float z = std::floor(std::min({p[0].z, p[1].z, p[2].z})); z <= std::max({p[0].z, p[1].z, p[2].z});
                     z += 1)
                {
                    const float u = ((x - p[0].x) * (p[2].z - p[0].z) - (p[2].x - p[0].x) * (z - p[0].z)) / d;
                    const float v = ((p[1].x - p[0].x) * (z - p[0].z) - (x - p[0].x) * (p[1].z - p[0].z)) / d;
                    if (u < 0 || v < 0 || u + v > 1)
                        continue;
                    ++grass;
                    if (PoolDistance(x, z) < 7)
                        ++onRim;
                }
        }
    }
    std::printf("grass near the pools and the paths: %d points, %d within 7 units of the water\n", grass, onRim);
    EXPECT_GT(grass, 5000);
    EXPECT_LT(onRim, grass / 500);
}

// Leaf litter thins out into the grass: every side where a litter triangle
// of the ground meets a grass one has the litter's fringe over it, at full
// cover on the side itself (which would otherwise show as a cut line) and
// lying just over the ground.
TEST(SceneContent, LitterFringeCoversEveryEdgeToTheGrass)
{
    const auto tris = [](const SingleObjectData& m, const std::set<std::string>& textures) {
        std::vector<std::array<SingleObjectVertex, 3>> out;
        for (const auto& mat : m.materials)
            if (textures.count(mat.texture))
                for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
                    out.push_back(
                        {m.vertices[m.indices[t]], m.vertices[m.indices[t + 1]], m.vertices[m.indices[t + 2]]});
        return out;
    };
    const auto litter = tris(Scene().models.at("scene.singleobject"), {"ground03.tga"});
    const auto grass = tris(Scene().models.at("scene.singleobject"), {"ground01.tga", "ground04.tga"});
    const auto fringe = tris(Scene().models.at("ruslo_up.singleobject"), {kLitterFringeTexture});
    using Side = std::array<float, 4>;
    std::map<Side, int> sides; // bit 0: a litter triangle on it, bit 1: a grass one
    const auto mark = [&](const std::vector<std::array<SingleObjectVertex, 3>>& set, int bit) {
        for (const auto& t : set)
            for (int k = 0; k < 3; ++k)
            {
                const auto &a = t[size_t(k)], &b = t[size_t(k + 1) % 3];
                sides[std::min(Side{a.x, a.z, b.x, b.z}, Side{b.x, b.z, a.x, a.z})] |= bit;
            }
    };
    mark(litter, 1);
    mark(grass, 2);
    int edges = 0;
    for (const auto& side : sides)
    {
        if (side.second != 3)
            continue;
        ++edges;
        const float x = (side.first[0] + side.first[2]) * 0.5f, z = (side.first[1] + side.first[3]) * 0.5f;
        const float ground = Ground().Max(x, z);
        bool covered = false;
        for (const auto& t : fringe)
        {
            const float d = (t[1].x - t[0].x) * (t[2].z - t[0].z) - (t[2].x - t[0].x) * (t[1].z - t[0].z);
            const float u = ((x - t[0].x) * (t[2].z - t[0].z) - (t[2].x - t[0].x) * (z - t[0].z)) / d;
            const float v = ((t[1].x - t[0].x) * (z - t[0].z) - (x - t[0].x) * (t[1].z - t[0].z)) / d;
            if (u < -1e-3f || v < -1e-3f || u + v > 1 + 1e-3f)
                continue;
            const float y = t[0].y + (t[1].y - t[0].y) * u + (t[2].y - t[0].y) * v;
            const float across = t[0].v + (t[1].v - t[0].v) * u + (t[2].v - t[0].v) * v;
            covered = covered || (std::fabs(across - kLitterFringeEdge) < 0.05f && y > ground + 0.1f && y < ground + 1);
        }
        EXPECT_TRUE(covered) << "litter meets grass without its fringe at " << x << ", " << z;
    }
    EXPECT_GT(edges, 100);
}

// The ground's texture keeps its scale on steep faces too: pebbles on a
// pool's rim or a river bank, laid from above, stretched down the face by
// up to three times. Measured on every ground face as the world length one
// texture repeat spans, the longest and the shortest way across it, against
// the flat ground's 64 units; rock, where it is steep (37 degrees or more),
// against the cliffs' 48.
TEST(SceneContent, GroundTextureKeepsItsScaleOnSteepFaces)
{
    const std::set<std::string> ground = {"ground01.tga", "ground02.tga", "ground03.tga", "ground04.tga",
                                          "border01.tga", "hill01.tga",   "bereg01.tga",  "sand01.tga",
                                          "rock01.tga",   "rock02.tga"};
    float worst = 1;
    std::string where;
    int steep = 0;
    for (const char* name : {"scene.singleobject", "ruslo_up.singleobject", "scene_refl_lusa.singleobject"})
    {
        const SingleObjectData& m = Scene().models.at(name);
        for (const auto& mat : m.materials)
        {
            if (!ground.count(mat.texture))
                continue;
            for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
            {
                const auto& a = m.vertices[m.indices[t]];
                const auto& b = m.vertices[m.indices[t + 1]];
                const auto& c = m.vertices[m.indices[t + 2]];
                const Vec3 e1 = {b.x - a.x, b.y - a.y, b.z - a.z}, e2 = {c.x - a.x, c.y - a.y, c.z - a.z};
                const Vec3 n = Cross(e1, e2);
                if (Len(n) < 0.1f)
                    continue; // a sliver: its mapping is lost in rounding
                steep += std::fabs(n.y) < 0.5f * Len(n);
                const float repeat =
                    mat.texture.compare(0, 4, "rock") == 0 && std::fabs(n.y) < 0.8f * Len(n) ? 48.0f : 64.0f;
                const Vec3 p[3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
                const float u[3] = {a.u, b.u, c.u}, v[3] = {a.v, b.v, c.v};
                float hi, lo, ratio = 1e9f;
                if (MappedAxisLengths(p, u, v, &hi, &lo))
                    ratio = std::max(hi / repeat, repeat / lo);
                if (ratio > worst)
                {
                    worst = ratio;
                    where = std::string(name) + " " + mat.texture + " at " + std::to_string(int(a.x)) + "," +
                            std::to_string(int(a.y)) + "," + std::to_string(int(a.z));
                }
            }
        }
    }
    std::printf("ground faces steeper than 60 degrees: %d; worst stretch %.2f (%s)\n", steep, worst, where.c_str());
    EXPECT_GT(steep, 1000);
    EXPECT_LT(worst, 1.3f) << where;
}

// A pool's rim runs round unbroken: the steep faces up from the water (and
// down from the rim's top), laid by a few directions down the slope, broke
// the pebbles' pattern every 45 degrees round. Counted over the rims' steep
// faces as the edges two of them share where the texture does not meet
// (beyond whole repeats).
TEST(SceneContent, PoolRimTextureRunsRoundUnbroken)
{
    const SingleObjectData& m = Scene().models.at("scene.singleobject");
    using Corner = std::array<float, 3>;
    // Each shared edge's texture coordinates, per face, keyed by its ends.
    std::map<std::pair<Corner, Corner>, std::vector<std::array<float, 4>>> edges;
    for (const auto& mat : m.materials)
    {
        if (mat.texture != "border01.tga")
            continue;
        for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
        {
            const SingleObjectVertex* v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = &m.vertices[m.indices[t + size_t(k)]];
            const Vec3 a = {v[0]->x, v[0]->y, v[0]->z}, b = {v[1]->x, v[1]->y, v[1]->z},
                       c = {v[2]->x, v[2]->y, v[2]->z};
            const Vec3 n = Cross(b - a, c - a);
            if (Len(n) < 0.1f || std::fabs(n.y) >= 0.8f * Len(n))
                continue;
            for (int k = 0; k < 3; ++k)
            {
                const auto* p = v[k];
                const auto* q = v[(k + 1) % 3];
                Corner cp = {p->x, p->y, p->z}, cq = {q->x, q->y, q->z};
                std::array<float, 4> uv = {p->u, p->v, q->u, q->v};
                if (cq < cp)
                    std::swap(cp, cq), uv = {q->u, q->v, p->u, p->v};
                edges[{cp, cq}].push_back(uv);
            }
        }
    }
    int shared = 0, broken = 0;
    for (const auto& e : edges)
    {
        if (e.second.size() != 2)
            continue;
        ++shared;
        const auto& x = e.second[0];
        const auto& y = e.second[1];
        float off = 0;
        for (int k = 0; k < 4; ++k)
        {
            const float d = x[size_t(k)] - y[size_t(k)];
            off = std::max(off, std::fabs(d - std::round(d)));
        }
        // A whole repeat apart is no break, if both ends move alike.
        const bool whole =
            std::fabs((x[0] - y[0]) - (x[2] - y[2])) < 1e-3f && std::fabs((x[1] - y[1]) - (x[3] - y[3])) < 1e-3f;
        broken += off > 1e-3f || !whole;
    }
    std::printf("rims' steep faces: %d shared edges, %d where the texture breaks\n", shared, broken);
    EXPECT_GT(shared, 200);
    EXPECT_LT(broken, shared / 5);
}

// Where the river narrows, its edge runs aslant across the cells: a bank
// steeper than the cells can hold stood as a wedge of terrace jutting into
// the water, the drawn ground far off the ground's shape between the nodes.
TEST(SceneContent, BanksOfTheNarrowingRiverFollowItsEdge)
{
    int checked = 0, off = 0;
    float worst = 0;
    for (const float z0 : {-750.0f, 610.0f})
        for (float z = z0; z <= z0 + 70; z += 0.5f)
            for (float x = kRainRiverX0; x < kRainRiverX1; x += 0.5f)
            {
                const float rd = RiverDistance(x, z);
                if (rd < 0 || rd > 40 || PoolDistance(x, z) < 20)
                    continue;
                const float dh = std::fabs(Ground().Max(x, z) - GroundHeight(x, z));
                ++checked;
                worst = std::max(worst, dh);
                if (dh > 8)
                    ++off;
            }
    std::printf("banks of the narrowing river: %d points, %d over 8 units off the ground's shape, worst %.1f\n",
                checked, off, double(worst));
    EXPECT_GT(checked, 1000);
    EXPECT_LT(off, checked / 100);
}

// The refined cells and the fans around them close the ground: each edge
// inside the grid is walked once each way (a T-junction leaves a long edge
// walked once), and the height the props and eyes are checked against is
// the triangles' own.
TEST(SceneContent, GroundTrianglesCloseWithoutCracks)
{
    const TerrainGrid& grid = Grid();
    ASSERT_GT(grid.pts.size(), grid.xs.size() * grid.zs.size()) << "no cell refined";
    std::map<std::pair<int, int>, int> walked;
    size_t n = 0;
    ForEachGroundTriangle([&](const GroundTriangle& t) {
        for (int k = 0; k < 3; ++k)
            ++walked[{t.v[k], t.v[(k + 1) % 3]}];
        if (n++ % 5 == 0)
            EXPECT_NEAR(TerrainHeight(t.cx, t.cz), t.cy, 0.02f) << t.cx << ", " << t.cz;
    });
    auto onBorder = [&](const Vec3& p) {
        return p.x == grid.xs.front() || p.x == grid.xs.back() || p.z == grid.zs.front() || p.z == grid.zs.back();
    };
    int open = 0;
    for (const auto& e : walked)
    {
        EXPECT_EQ(e.second, 1) << "edge walked twice one way";
        const bool back = walked.count({e.first.second, e.first.first}) != 0;
        if (!back && !(onBorder(grid.pts[size_t(e.first.first)]) && onBorder(grid.pts[size_t(e.first.second)])))
            ++open;
    }
    EXPECT_EQ(open, 0);
}

// The scenery's model closes too, where its cells are paired and where the
// rim's edge cuts across them: no corner of one of its triangles lies
// inside the side of another that no triangle walks back along.
TEST(SceneContent, SceneryGroundHasNoTJunctions)
{
    const SingleObjectData& m = Scene().models.at("scene.singleobject");
    using Key = std::array<long, 3>;
    auto key = [](const SingleObjectVertex& v) {
        return Key{std::lround(v.x * 1000), std::lround(v.y * 1000), std::lround(v.z * 1000)};
    };
    std::map<std::pair<Key, Key>, int> walked;
    std::map<std::pair<long, long>, std::vector<Vec3>> corners; // by 16-unit bucket
    for (const auto& mat : m.materials)
    {
        if (mat.texture.rfind("stone", 0) == 0)
            continue;
        for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
            for (int k = 0; k < 3; ++k)
            {
                const auto& a = m.vertices[m.indices[t + size_t(k)]];
                const auto& b = m.vertices[m.indices[t + size_t((k + 1) % 3)]];
                ++walked[{key(a), key(b)}];
                corners[{long(std::floor(a.x / 16)), long(std::floor(a.z / 16))}].push_back({a.x, a.y, a.z});
            }
    }
    int tJunctions = 0;
    for (const auto& e : walked)
    {
        if (walked.count({e.first.second, e.first.first}))
            continue;
        const Vec3 a = {e.first.first[0] / 1000.0f, e.first.first[1] / 1000.0f, e.first.first[2] / 1000.0f};
        const Vec3 b = {e.first.second[0] / 1000.0f, e.first.second[1] / 1000.0f, e.first.second[2] / 1000.0f};
        const Vec3 d = b - a;
        const float len2 = Dot(d, d);
        std::set<std::pair<long, long>> buckets;
        for (float f = 0; f <= 1.0f; f += 0.05f)
            buckets.insert({long(std::floor((a.x + d.x * f) / 16)), long(std::floor((a.z + d.z * f) / 16))});
        for (const auto& bucket : buckets)
        {
            const auto found = corners.find(bucket);
            if (found == corners.end())
                continue;
            for (const Vec3& p : found->second)
            {
                const float f = Dot(p - a, d) / len2;
                const Vec3 off = p - (a + d * f);
                if (f > 0.001f && f < 0.999f && Dot(off, off) < 1e-4f)
                {
                    ++tJunctions;
                    break;
                }
            }
        }
    }
    EXPECT_EQ(tJunctions, 0);
}

// The pools' mirror is drawn from the eye mirrored under the pools' plane,
// culling counter-clockwise: a triangle is drawn when it faces that eye. The
// ray from that eye through the water goes on as the reflected ray; where it
// goes into the ground (a rim's face, a cliff, a far hill's slope) the mirror
// must draw that face, not leave it out and show the ground's far sides
// beyond it in stripes over the sky.
// Casts the rays a mirror in the plane y = `waterY` reflects from `points`
// (each seen from an eye) through `models`, culled as the mirror's pass
// culls them. Counts the rays that go into the ground near a face of the
// models, and of those the ones whose first drawn face lies past it: there
// the mirror shows what is behind the hill, or the sky.
struct ReflectedRays
{
    int met = 0, past = 0;
};
ReflectedRays CastReflectedRays(const std::vector<const SingleObjectData*>& models, float waterY,
                                const std::vector<std::pair<Vec3, Vec3>>& eyeAndPoint)
{
    struct Face
    {
        Vec3 a, e1, e2;
    };
    std::vector<Face> faces;
    for (const SingleObjectData* m : models)
        for (const auto& mat : m->materials)
        {
            // The light is laid over the ground: it is not what a ray meets.
            if (mat.texture == kLightOverlayTexture)
                continue;
            for (size_t t = mat.firstIndex; t < mat.firstIndex + size_t(mat.triangleCount) * 3; t += 3)
            {
                Vec3 p[3];
                TriangleCorners(*m, t, p);
                faces.push_back({p[0], p[1] - p[0], p[2] - p[0]});
            }
        }
    ReflectedRays out;
    for (const auto& [e, at] : eyeAndPoint)
    {
        const Vec3 mirrored = {e.x, 2 * waterY - e.y, e.z};
        // The nearest face past the water, drawn and not.
        const Vec3 d = at - mirrored;
        const float len = Len(d);
        float drawn = 1e9f, culled = 1e9f;
        for (const Face& t : faces)
        {
            const Vec3 pv = Cross(d, t.e2);
            const float det = Dot(t.e1, pv);
            if (std::fabs(det) < 1e-9f)
                continue;
            const Vec3 tv = mirrored - t.a;
            const float a = Dot(tv, pv) / det;
            const Vec3 qv = Cross(tv, t.e1);
            const float b = Dot(d, qv) / det;
            if (a < 0 || b < 0 || a + b > 1)
                continue;
            const float k = Dot(t.e2, qv) / det;
            if (k <= 1)
                continue;
            // Counter-clockwise seen from the eye (left-handed): the normal looks away.
            float& nearest = Dot(Cross(t.e1, t.e2), d) > 0 ? culled : drawn;
            nearest = std::min(nearest, (k - 1) * len);
        }
        // Where the ray goes into the ground.
        float into = -1;
        for (float s = 0.25f; s < 1500 && into < 0; s += 0.25f)
        {
            const Vec3 q = at + d * (s / len);
            if (q.y > 400)
                break;
            if (TerrainHeight(q.x, q.z) > q.y)
                into = s;
        }
        // Not there: ground these models do not hold.
        if (into < 0 || std::min(drawn, culled) > into + 1)
            continue;
        ++out.met;
        if (drawn > into + 1)
            ++out.past;
    }
    return out;
}

TEST(SceneContent, PoolsMirrorDrawsTheGroundWhereTheReflectedRayMeetsIt)
{
    std::vector<std::pair<Vec3, Vec3>> rays;
    for (const auto& c : Scene().cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 50)
        {
            const Vec3 e = c.eyes[f];
            for (const auto& pool : PoolShapes())
                for (float u = -0.8f; u <= 0.81f; u += 0.4f)
                    for (float v = -0.8f; v <= 0.81f; v += 0.4f)
                    {
                        const Vec3 at = {pool.cx + u * pool.rx, kPoolY, pool.cz + v * pool.rz};
                        if (ShapeDistance(pool, at.x, at.z) > -2 || Len(at - e) > 250 ||
                            TerrainHeight(at.x, at.z) > kPoolY - 0.5f)
                            continue;
                        rays.push_back({e, at});
                    }
        }
    // The river's banks are drawn with the river, not here.
    const ReflectedRays r = CastReflectedRays({&Scene().models.at("scene_refl_lusa.singleobject")}, kPoolY, rays);
    std::printf("reflected rays meeting the pools' mirrored ground: %d, %d drawn past it\n", r.met, r.past);
    EXPECT_GT(r.met, 1000);
    EXPECT_EQ(r.past, 0);
}

TEST(SceneContent, RiversMirrorDrawsTheGroundWhereTheReflectedRayMeetsIt)
{
    std::vector<std::pair<Vec3, Vec3>> rays;
    for (const auto& c : Scene().cameras)
        for (size_t f = 0; f < c.eyes.size(); f += 50)
        {
            const Vec3 e = c.eyes[f];
            for (float z = e.z - 240; z <= e.z + 240; z += 30)
            {
                float w, east;
                RiverEdges(z, w, east);
                for (float u = 0.15f; u < 0.9f; u += 0.35f)
                {
                    const Vec3 at = {w + u * (east - w), kRiverY, z};
                    if (Len(at - e) > 250 || TerrainHeight(at.x, at.z) > kRiverY - 0.5f)
                        continue;
                    rays.push_back({e, at});
                }
            }
        }
    const ReflectedRays r = CastReflectedRays(
        {&Scene().models.at("scene.singleobject"), &Scene().models.at("ruslo_up.singleobject")}, kRiverY, rays);
    std::printf("reflected rays meeting the river's mirrored ground: %d, %d drawn past it\n", r.met, r.past);
    EXPECT_GT(r.met, 1000);
    EXPECT_EQ(r.past, 0);
}

} // namespace
