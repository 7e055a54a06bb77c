// Where the trees, reeds and grass stand.
#include <algorithm>

#include "Scene.h"
#include "Skins.h"

namespace sg {

float NearestEyeDistance(const SceneContent& s, Vec3 p, float within)
{
    float best2 = 1e30f;
    for (const auto& cam : s.cameras)
        for (const auto& e : cam.eyes)
        {
            Vec3 d = e - p;
            float d2 = Dot(d, d);
            if (d2 < best2)
            {
                best2 = d2;
                if (best2 < within * within)
                    return std::sqrt(best2);
            }
        }
    return std::sqrt(best2);
}

namespace {

// Does any camera eye pass through the upright cylinder round a tree?
bool EyeInCrown(const SceneContent& s, Vec3 root, float radius, float height)
{
    for (const auto& cam : s.cameras)
        for (const auto& e : cam.eyes)
        {
            float dx = e.x - root.x, dz = e.z - root.z;
            if (dx * dx + dz * dz < (radius + 14) * (radius + 14) && e.y < root.y + height + 18)
                return true;
        }
    return false;
}

float Slope(float x, float z)
{
    const float d = 6;
    float gx = (GroundHeight(x + d, z) - GroundHeight(x - d, z)) / (2 * d);
    float gz = (GroundHeight(x, z + d) - GroundHeight(x, z - d)) / (2 * d);
    return std::sqrt(gx * gx + gz * gz);
}

// Lowest ground under a footprint, so nothing floats.
float LowestAround(float x, float z, float r)
{
    float h = TerrainHeight(x, z);
    for (int k = 0; k < 8; ++k)
    {
        float a = float(k) * 0.785398f;
        h = std::min(h, TerrainHeight(x + std::cos(a) * r, z + std::sin(a) * r));
    }
    return h;
}

Mat4 Placement(float yaw, float sx, float sy, Vec3 at)
{
    return Mul(Mul(Scale(sx, sy, sx), RotY(yaw)), Translate(at));
}

} // namespace

void BuildPlacements(SceneContent& s)
{
    Rng rng(2024);
    // 13 + 9 + 9 trees: most in the two bands the falling leaves come from,
    // some on the terraces by the pools.
    const int counts[3] = {13, 9, 9};
    const char* lists[3] = {"tree01.transobj", "tree02.transobj", "tree03.transobj"};
    const int skinOf[3] = {1, 1, 2}; // kinds 0 and 1 both show the second tree
    for (int kind = 0; kind < 3; ++kind)
    {
        InstanceListData list;
        const TreeShape& shape = TreeShapes()[size_t(skinOf[kind])];
        int attempts = 0;
        while (int(list.placements.size()) < counts[kind] && attempts < 20000)
        {
            ++attempts;
            const float region = rng.Unit();
            float x, z;
            if (region < 0.42f)
            {
                x = rng.Range(418, 558);
                z = rng.Range(-900, 800);
            }
            else if (region < 0.84f)
            {
                x = rng.Range(-420, -280);
                z = rng.Range(-900, 800);
            }
            else if (region < 0.93f)
            {
                x = rng.Unit() < 0.5f ? rng.Range(200, 300) : rng.Range(-240, -90);
                z = rng.Range(-750, 650);
            }
            else
            {
                // By the pools at the two ends of the valley.
                x = rng.Range(0, 300);
                z = rng.Unit() < 0.6f ? rng.Range(-1150, -720) : rng.Range(680, 860);
            }
            // Leaves never start near the falls; keep the trees off them too.
            if (std::fabs(z - kFallA.z) < 70 || std::fabs(z - kFallB.z) < 70)
                if (x > 300)
                    continue;
            const float scale = attempts < 12000 ? rng.Range(68, 203) : rng.Range(68, 110);
            const float radius = shape.crownRadius * scale, height = shape.height * scale;
            if (RiverDistance(x, z) < 25 || PoolDistance(x, z) < 12 + radius * 0.15f || Slope(x, z) > 0.7f)
                continue;
            if (x > EastCliffX(z) - 12 && x < EastCliffX(z) + 10)
                continue;
            const Vec3 root = {x, LowestAround(x, z, 0.12f * radius) - 1.0f, z};
            bool crowded = false;
            for (const auto& t : s.trees)
            {
                float dx = t.root.x - x, dz = t.root.z - z;
                if (std::sqrt(dx * dx + dz * dz) < 0.75f * (t.radius + radius))
                    crowded = true;
            }
            if (crowded || EyeInCrown(s, root, radius, height))
                continue;
            const float yaw = rng.Range(0, 6.2831f);
            list.placements.push_back(Placement(yaw, scale, scale, root));
            s.trees.push_back({root, scale, height, radius});
        }
        s.lists[lists[kind]] = list;
    }

    // Reeds by the water's edge: river banks and pool rims.
    {
        InstanceListData list;
        int attempts = 0;
        while (list.placements.size() < 17 && attempts < 20000)
        {
            ++attempts;
            float x, z;
            if (rng.Unit() < 0.65f)
            {
                z = rng.Range(-640, 600);
                float w, e;
                RiverEdges(z, w, e);
                // On the bank's top, back from its steep edge.
                x = rng.Unit() < 0.5f ? w - rng.Range(7, 12) : e + rng.Range(7, 12);
            }
            else
            {
                const auto& pools = PoolShapes();
                const auto& p = pools[rng.Next() % pools.size()];
                float a = rng.Range(0, 6.28f);
                x = p.cx + std::cos(a) * (p.rx + 1.5f);
                z = p.cz + std::sin(a) * (p.rz + 1.5f);
                if (PoolDistance(x, z) < 0.5f)
                    continue;
            }
            // Right at the water line, on gentle ground.
            const float h = TerrainHeight(x, z);
            const bool byPool = h > kRiverY + 10;
            if ((byPool ? h < kPoolY - 0.5f || h > kPoolY + 5 : h < kRiverY - 0.5f || h > kRiverY + 5) ||
                Slope(x, z) > 0.8f)
                continue;
            const Vec3 at = {x, std::min(h, LowestAround(x, z, 2)) - 0.5f, z};
            if (NearestEyeDistance(s, at + Vec3{0, 35, 0}, 45) < 45)
                continue;
            bool crowded = false;
            for (const auto& m : list.placements)
            {
                float dx = m.m[3][0] - x, dz = m.m[3][2] - z;
                if (dx * dx + dz * dz < 40 * 40)
                    crowded = true;
            }
            if (crowded)
                continue;
            // One draw per statement: argument order is up to the compiler.
            const float yaw = rng.Range(0, 6.28f);
            const float height = rng.Range(0.885f, 1.225f);
            list.placements.push_back(Placement(yaw, 1.0f, height, at));
        }
        s.lists["kamish.transobj"] = list;
    }

    // Grass cards: up on the terraces and slopes, and down by the river.
    for (int which = 0; which < 2; ++which)
    {
        InstanceListData list;
        const size_t want = which == 0 ? 196 : 89;
        int attempts = 0;
        while (list.placements.size() < want && attempts < 40000)
        {
            ++attempts;
            float x, z;
            z = rng.Range(-900, 780);
            if (which == 0)
            {
                // Mostly round the pools, where the cameras pass; the rest
                // anywhere on the terraces and slopes.
                if (rng.Unit() < 0.6f)
                {
                    const auto& pools = PoolShapes();
                    const auto& p = pools[rng.Next() % pools.size()];
                    float a = rng.Range(0, 6.28f), d = rng.Range(1.2f, 2.2f);
                    x = p.cx + std::cos(a) * p.rx * d;
                    z = p.cz + std::sin(a) * p.rz * d;
                }
                else
                    x = rng.Range(-420, 540);
                if (RiverDistance(x, z) < 35 || PoolDistance(x, z) < 4 || Slope(x, z) > 0.55f)
                    continue;
            }
            else
            {
                float w, e;
                RiverEdges(z, w, e);
                x = rng.Unit() < 0.5f ? w - rng.Range(4, 28) : e + rng.Range(4, 28);
                if (PoolDistance(x, z) < 3 || Slope(x, z) > 0.9f)
                    continue;
            }
            const Vec3 at = {x, TerrainHeight(x, z) - 0.3f, z};
            if (NearestEyeDistance(s, at + Vec3{0, 12, 0}, 28) < 28)
                continue;
            const float sc = which == 0 ? 0.4039f : 1.0f;
            list.placements.push_back(Placement(rng.Range(0, 6.28f), sc, sc, at));
        }
        s.lists[which == 0 ? "grass_up.transobj" : "grass_down.transobj"] = list;
    }
}

} // namespace sg
