// Small models: the sky dome, the splash, the floating and the falling leaves.
#include "Scene.h"

namespace sg {

namespace {

void AddLeaf(MeshBuilder& m, int mat, Vec3 c, float len, float yaw, float bend, float y0)
{
    // A leaf of six vertices: stalk end, two pairs along the blade, tip; bent
    // a little along its length. Four triangles, clockwise seen from above.
    const Mat4 r = RotY(yaw);
    const float w = len * 0.38f;
    const Vec3 local[6] = {
        {0, 0, -len * 0.5f},           {-w, bend * 0.4f, -len * 0.15f}, {w, bend * 0.4f, -len * 0.15f},
        {-w * 0.8f, bend, len * 0.2f}, {w * 0.8f, bend, len * 0.2f},    {0, bend * 1.6f, len * 0.5f}};
    const float uv[6][2] = {{0.5f, 1}, {0, 0.68f}, {1, 0.68f}, {0.05f, 0.3f}, {0.95f, 0.3f}, {0.5f, 0}};
    uint16_t id[6];
    for (int k = 0; k < 6; ++k)
    {
        Vec3 p = XformDir(local[k], r);
        id[k] = m.Vertex({c.x + p.x, y0 + p.y, c.z + p.z}, uv[k][0], uv[k][1]);
    }
    m.Tri(mat, id[0], id[1], id[2]);
    m.Tri(mat, id[2], id[1], id[3]);
    m.Tri(mat, id[2], id[3], id[4]);
    m.Tri(mat, id[4], id[3], id[5]);
}

} // namespace

void BuildProps(SceneContent& s)
{
    // Sky dome round the eye, inside the far plane; seen from inside.
    {
        MeshBuilder sky;
        const int mat = sky.Material("sky.dds");
        const int seg = 16, rings = 6;
        const float radius = 1500;
        std::vector<uint16_t> id;
        for (int r = 0; r <= rings; ++r)
        {
            // From a little below the horizon to near the zenith.
            float elev = Mix(-0.6f, 1.45f, float(r) / rings);
            for (int k = 0; k <= seg; ++k)
            {
                float a = float(k) / seg * 2 * kPi;
                Vec3 p = {std::cos(a) * std::cos(elev) * radius, std::sin(elev) * radius * 0.6f,
                          std::sin(a) * std::cos(elev) * radius};
                id.push_back(sky.Vertex(p, float(k) / seg * 2.0f, 1.0f - float(r) / rings * 0.98f));
            }
        }
        uint16_t top = sky.Vertex({0, radius * 0.6f, 0}, 1.0f, 0.0f);
        for (int r = 0; r < rings; ++r)
            for (int k = 0; k < seg; ++k)
            {
                uint16_t a = id[size_t(r * (seg + 1) + k)], b = id[size_t(r * (seg + 1) + k + 1)];
                uint16_t c = id[size_t((r + 1) * (seg + 1) + k)], d = id[size_t((r + 1) * (seg + 1) + k + 1)];
                sky.Tri(mat, a, b, c);
                sky.Tri(mat, b, d, c);
            }
        for (int k = 0; k < seg; ++k)
            sky.Tri(mat, id[size_t(rings * (seg + 1) + k)], id[size_t(rings * (seg + 1) + k + 1)], top);
        s.models["sky.singleobject"] = sky.Build(0, 2);
    }

    // Splash: a crown of upright petals round a low dome, one unit across and
    // one tall; the world scales it by 10 x 18 x 10.
    {
        MeshBuilder brizg;
        const int mat = brizg.Material("brizg.tga");
        const int petals = 8;
        for (int k = 0; k < petals; ++k)
        {
            float a = float(k) / petals * 2 * kPi;
            float c = std::cos(a), sn = std::sin(a);
            Vec3 base0 = {c * 0.25f - sn * 0.18f, 0, sn * 0.25f + c * 0.18f};
            Vec3 base1 = {c * 0.25f + sn * 0.18f, 0, sn * 0.25f - c * 0.18f};
            Vec3 top0 = {c * 0.55f - sn * 0.28f, 1.0f, sn * 0.55f + c * 0.28f};
            Vec3 top1 = {c * 0.55f + sn * 0.28f, 1.0f, sn * 0.55f - c * 0.28f};
            uint16_t i0 = brizg.Vertex(base0, 0, 1), i1 = brizg.Vertex(base1, 1, 1);
            uint16_t i2 = brizg.Vertex(top0, 0, 0), i3 = brizg.Vertex(top1, 1, 0);
            brizg.TwoSided(mat, i0, i2, i1);
            brizg.TwoSided(mat, i1, i2, i3);
        }
        s.models["brizg.singleobject"] = brizg.Build(0, 2);
    }

    // Leaves floating on the water, a few per model, drifting round their place.
    {
        const Vec3 places[7] = {{40, 0, -120}, {110, 0, 60},  {20, 0, 250}, {-15, 0, -380},
                                {-120, 0, 2},  {240, 0, 150}, {90, 0, 480}};
        for (int k = 0; k < 7; ++k)
        {
            MeshBuilder m;
            const int mat = m.Material("Leaveswater01.tga");
            Rng rng(uint32_t(300 + k));
            const bool pool = PoolDistance(places[k].x, places[k].z) < 0;
            const float y = (pool ? kPoolY : kRiverY) + 0.25f;
            for (int l = 0; l < 4; ++l)
            {
                Vec3 c = {places[k].x + rng.Range(-14, 14), 0, places[k].z + rng.Range(-14, 14)};
                const float len = rng.Range(5, 8);
                const float yaw = rng.Range(0, 6.28f);
                AddLeaf(m, mat, c, len, yaw, 0.1f, y);
            }
            s.models["water_list_" + std::to_string(k) + ".singleobject"] = m.Build(10, 1);
        }
    }

    // Falling leaves, world-sized (no scale at run time), four shapes.
    for (int k = 0; k < 4; ++k)
    {
        MeshBuilder m;
        const int mat = m.Material("leaf.tga");
        AddLeaf(m, mat, {0, 0, 0}, 5.0f + float(k), 0.3f * float(k), 0.6f + 0.3f * float(k), 0);
        s.models["leaf0" + std::to_string(k + 1) + ".singleobject"] = m.Build(10, 1);
    }
}

} // namespace sg
