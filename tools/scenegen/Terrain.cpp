// The valley's ground and water meshes: scenery, river beds, pool and river
// surfaces, shadows, stones, the bridge and the two falls.
#include <algorithm>
#include <array>
#include <functional>

#include "Scene.h"

namespace sg {

// Distance from p to the nearest recorded camera eye (Placements.cpp).
float NearestEyeDistance(const SceneContent& s, Vec3 p, float within);

namespace {

std::vector<float> Nodes(const std::vector<std::pair<float, float>>& spans, float end)
{
    // spans: (start, spacing) pairs; nodes run from the first start to end.
    std::vector<float> out;
    for (size_t i = 0; i < spans.size(); ++i) {
        float stop = i + 1 < spans.size() ? spans[i + 1].first : end;
        int n = std::max(1, int(std::lround((stop - spans[i].first) / spans[i].second)));
        for (int k = 0; k < n; ++k)
            out.push_back(spans[i].first + (stop - spans[i].first) * float(k) / float(n));
    }
    out.push_back(end);
    return out;
}

Vec3 TriNormal(Vec3 a, Vec3 b, Vec3 c) { return Norm(Cross(b - a, c - a)); }

// Lazily shared grid vertices inside one builder.
struct GridVertices
{
    // The three corners of a triangle, created in this order (never inside
    // one call's arguments, whose order the compiler picks).
    std::array<uint16_t, 3> Three(int i0, int j0, int i1, int j1, int i2, int j2)
    {
        std::array<uint16_t, 3> t;
        t[0] = Get(i0, j0);
        t[1] = Get(i1, j1);
        t[2] = Get(i2, j2);
        return t;
    }
    MeshBuilder* mesh;
    std::vector<int> index;
    int nx;
    const std::vector<Vec3>* points;
    uint16_t Get(int i, int j)
    {
        int& slot = index[size_t(j * nx + i)];
        if (slot < 0) {
            const Vec3 p = (*points)[size_t(j * nx + i)];
            slot = mesh->Vertex(p, p.x / 64.0f, p.z / 64.0f);
        }
        return uint16_t(slot);
    }
};

struct Stone
{
    Vec3 c;
    float r;
};

void AddStone(MeshBuilder& m, int material, Vec3 c, float r, float squash, uint32_t seed)
{
    // Icosphere, one subdivision, pushed about by noise; outward winding.
    const float t = (1 + std::sqrt(5.0f)) / 2;
    std::vector<Vec3> v = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                           {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    std::vector<int> f = {0, 11, 5, 0, 5, 1, 0, 1, 7, 0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11, 4, 11, 10, 2,
                          10, 7, 6, 7, 1, 8, 3, 9, 4, 3, 4, 2, 3, 2, 6, 3, 6, 8, 3, 8, 9, 4, 9, 5,
                          2, 4, 11, 6, 2, 10, 8, 6, 7, 9, 8, 1};
    for (auto& p : v)
        p = Norm(p);
    std::vector<int> g;
    std::map<std::pair<int, int>, int> mid;
    auto middle = [&](int a, int b) {
        auto key = std::make_pair(std::min(a, b), std::max(a, b));
        auto it = mid.find(key);
        if (it != mid.end())
            return it->second;
        v.push_back(Norm(v[size_t(a)] + v[size_t(b)]));
        mid[key] = int(v.size() - 1);
        return int(v.size() - 1);
    };
    for (size_t i = 0; i < f.size(); i += 3) {
        int a = f[i], b = f[i + 1], c2 = f[i + 2];
        int ab = middle(a, b), bc = middle(b, c2), ca = middle(c2, a);
        g.insert(g.end(), {a, ab, ca, b, bc, ab, c2, ca, bc, ab, bc, ca});
    }
    Rng rng(seed);
    const float yaw = rng.Range(0, 6.28f);
    std::vector<uint16_t> idx;
    for (const auto& p : v) {
        float k = 1.0f + 0.22f * Noise2(p.x * 2.1f + float(seed % 97), p.z * 2.1f + p.y * 1.7f, seed);
        Vec3 q = {p.x * k, p.y * k * squash, p.z * k * 1.15f};
        q = XformDir(q, RotY(yaw));
        Vec3 w = c + q * r;
        idx.push_back(m.Vertex(w, (q.x + q.z) * 0.7f, q.y * 0.9f + q.x * 0.3f));
    }
    // The face list is clockwise seen from outside, the front of the program.
    for (size_t i = 0; i < g.size(); i += 3)
        m.Tri(material, idx[size_t(g[i])], idx[size_t(g[i + 1])], idx[size_t(g[i + 2])]);
}

void AddBox(MeshBuilder& m, int material, Vec3 lo, Vec3 hi, float uvScale)
{
    // Six faces, outward winding, texture in world units.
    const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}};
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    for (const auto& f : faces) {
        Vec3 p[4] = {c[f[0]], c[f[1]], c[f[2]], c[f[3]]};
        Vec3 n = TriNormal(p[0], p[1], p[2]);
        uint16_t id[4];
        for (int k = 0; k < 4; ++k) {
            float u, v;
            if (std::fabs(n.y) > 0.5f) {
                u = p[k].x;
                v = p[k].z;
            } else if (std::fabs(n.x) > 0.5f) {
                u = p[k].z;
                v = p[k].y;
            } else {
                u = p[k].x;
                v = p[k].y;
            }
            id[k] = m.Vertex(p[k], u * uvScale, v * uvScale);
        }
        // Faces are listed so that (p0,p1,p2) is clockwise seen from outside.
        m.Tri(material, id[0], id[1], id[2]);
        m.Tri(material, id[0], id[2], id[3]);
    }
}

void AddBridge(MeshBuilder& m)
{
    const int wood = m.Material("most.psd");
    const float z0 = 404, z1 = 436, deck = 33.0f;
    float w, e;
    RiverEdges(420, w, e);
    const float x0 = w - 28, x1 = e + 28;
    // Planks across the deck, slightly uneven.
    for (float x = x0; x < x1; x += 6.0f) {
        float y = deck + 0.3f * Noise2(x * 0.3f, 1.7f, 41);
        AddBox(m, wood, {x, y - 1.5f, z0}, {x + 5.4f, y, z1}, 1.0f / 32);
    }
    // Two beams and the posts and rails on both sides.
    AddBox(m, wood, {x0, deck - 5.0f, z0 + 2}, {x1, deck - 1.5f, z0 + 6}, 1.0f / 32);
    AddBox(m, wood, {x0, deck - 5.0f, z1 - 6}, {x1, deck - 1.5f, z1 - 2}, 1.0f / 32);
    for (float x = x0 + 4; x < x1; x += 36.0f)
        for (float z : {z0 + 0.5f, z1 - 3.5f})
            AddBox(m, wood, {x, deck, z}, {x + 3, deck + 22, z + 3}, 1.0f / 32);
    for (float z : {z0 + 0.5f, z1 - 3.5f})
        AddBox(m, wood, {x0 + 4, deck + 18, z}, {x1 - 4, deck + 21, z + 3}, 1.0f / 32);
    // Trestles standing in the water.
    for (float x : {w + 55, e - 55})
        for (float z : {z0 + 3.0f, z1 - 6.0f})
            AddBox(m, wood, {x, GroundHeight(x, z) - 2, z}, {x + 3.5f, deck - 4.5f, z + 3.5f}, 1.0f / 32);
}

void AddFall(MeshBuilder& m, Vec3 lip, Vec3 foam, float halfWidth, const char* texture, uint32_t seed)
{
    // A sheet running over the ledge to the lip, then falling to the pool.
    const int mat = m.Material(texture);
    const int cols = 7, rows = 14;
    std::vector<uint16_t> id;
    Rng rng(seed);
    for (int r = 0; r <= rows; ++r) {
        float t = float(r) / rows;
        for (int c = 0; c <= cols; ++c) {
            float s = float(c) / cols * 2 - 1;
            Vec3 p;
            if (r < 3) {
                // Over the top, from 9 units back to the lip.
                float k = float(r) / 3;
                p = {lip.x + 9 * (1 - k), lip.y + 0.4f, lip.z + s * halfWidth * (0.8f + 0.2f * k)};
            } else {
                float k = (t - 3.0f / rows) / (1 - 3.0f / rows);
                float drop = k * k * 0.35f + k * 0.65f;
                float spread = 1.0f + 0.35f * k;
                p = {Mix(lip.x, foam.x, k) - 1.5f * std::sin(k * kPi) + 0.8f * Noise2(s * 3, k * 5, seed),
                     Mix(lip.y, kPoolY - 0.5f, drop), lip.z + s * halfWidth * spread};
            }
            id.push_back(m.Vertex(p, s * 1.5f + 0.5f, t * 4.0f));
        }
    }
    (void)rng;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            uint16_t a = id[size_t(r * (cols + 1) + c)], b = id[size_t(r * (cols + 1) + c + 1)];
            uint16_t d = id[size_t((r + 1) * (cols + 1) + c)], e = id[size_t((r + 1) * (cols + 1) + c + 1)];
            m.TwoSided(mat, a, b, d);
            m.TwoSided(mat, b, e, d);
        }
    // Foam lying on the pool at the foot.
    const int fm = m.Material("foam01.tga");
    uint16_t centre = m.Vertex({foam.x - 3, kPoolY + 0.35f, foam.z}, 0.5f, 0.5f);
    std::vector<uint16_t> ring;
    for (int k = 0; k < 16; ++k) {
        float a = float(k) / 16 * 2 * kPi;
        float r = 15.0f * (1 + 0.2f * Noise2(float(k) * 0.7f, 3.3f, seed));
        ring.push_back(m.Vertex({foam.x - 3 + std::cos(a) * r, kPoolY + 0.35f, foam.z + std::sin(a) * r * 1.3f},
                                0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)));
    }
    for (int k = 0; k < 16; ++k)
        m.Tri(fm, centre, ring[size_t(k)], ring[size_t((k + 1) % 16)]);
}

} // namespace

const TerrainGrid& Grid()
{
    static const TerrainGrid g = [] {
        TerrainGrid t;
        // Fine where the pools, banks and cliffs are, coarse over the river's
        // middle (its own model) and the far hills: a model's triangle list
        // must stay below 65,536 indices.
        t.xs = Nodes({{-1290, 110}, {-640, 50}, {-440, 24}, {-220, 11}, {300, 3.2f}, {333, 17}, {440, 30}, {600, 40}},
                     680);
        t.zs = Nodes({{-1770, 110}, {-1150, 15}, {-700, 19}, {680, 14}, {820, 30}, {940, 80}}, 1800);
        const size_t nx = t.xs.size();
        t.pts.resize(nx * t.zs.size());
        for (size_t j = 0; j < t.zs.size(); ++j)
            for (size_t i = 0; i < nx; ++i)
                t.pts[j * nx + i] = {t.xs[i], GroundHeight(t.xs[i], t.zs[j]), t.zs[j]};
        return t;
    }();
    return g;
}

float TerrainGrid::Height(float x, float z) const
{
    const int nx = int(xs.size());
    int i = int(std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) - 1;
    int j = int(std::upper_bound(zs.begin(), zs.end(), z) - zs.begin()) - 1;
    i = std::clamp(i, 0, nx - 2);
    j = std::clamp(j, 0, int(zs.size()) - 2);
    const float tx = (x - xs[size_t(i)]) / (xs[size_t(i + 1)] - xs[size_t(i)]);
    const float tz = (z - zs[size_t(j)]) / (zs[size_t(j + 1)] - zs[size_t(j)]);
    const float h00 = pts[size_t(j * nx + i)].y, h10 = pts[size_t(j * nx + i + 1)].y;
    const float h01 = pts[size_t((j + 1) * nx + i)].y, h11 = pts[size_t((j + 1) * nx + i + 1)].y;
    // The same diagonal as the mesh: alternating per cell.
    if ((i + j) & 1) {
        // Diagonal from (i+1, j) to (i, j+1).
        if (tx + tz <= 1)
            return h00 + (h10 - h00) * tx + (h01 - h00) * tz;
        return h11 + (h01 - h11) * (1 - tx) + (h10 - h11) * (1 - tz);
    }
    // Diagonal from (i, j) to (i+1, j+1).
    if (tz >= tx)
        return h00 + (h11 - h01) * tx + (h01 - h00) * tz;
    return h00 + (h10 - h00) * tx + (h11 - h10) * tz;
}

float TerrainHeight(float x, float z) { return Grid().Height(x, z); }

void BuildPoolReflections(SceneContent& s)
{
    // The trees nearest the pools, posed as at rest, so the pools mirror
    // them too; as many as the model's index limit leaves room for.
    const SingleObjectData& base = s.models.at("scene_refl_lusa.singleobject");
    MeshBuilder refl;
    std::vector<uint16_t> ids;
    for (const auto& v : base.vertices)
        ids.push_back(refl.Vertex({v.x, v.y, v.z}, v.u, v.v));
    for (const auto& m : base.materials) {
        int mat = refl.Material(m.texture);
        for (size_t i = m.firstIndex; i < m.firstIndex + size_t(m.triangleCount) * 3; i += 3)
            refl.Tri(mat, ids[base.indices[i]], ids[base.indices[i + 1]], ids[base.indices[i + 2]]);
    }
    struct Kind
    {
        const char *list, *skin, *anim, *link, *bark, *leaves;
    } kinds[3] = {{"tree01.transobj", "tree02.skin", "tree02_stay.anim", "tree02.linkanim", "bark02.tga", "Leaves02.tga"},
                  {"tree02.transobj", "tree02.skin", "tree02_stay.anim", "tree02.linkanim", "bark02.tga", "Leaves02.tga"},
                  {"tree03.transobj", "tree03.skin", "tree03_stay.anim", "tree03.linkanim", "bark03.tga", "Leaves03.tga"}};
    struct Candidate
    {
        float distance;
        int kind;
        size_t index;
    };
    std::vector<Candidate> near;
    for (int k = 0; k < 3; ++k) {
        const auto& list = s.lists.at(kinds[k].list).placements;
        for (size_t i = 0; i < list.size(); ++i) {
            float d = std::max(0.0f, PoolDistance(list[i].m[3][0], list[i].m[3][2]));
            if (d < 160)
                near.push_back({d, k, i});
        }
    }
    std::sort(near.begin(), near.end(), [](const Candidate& a, const Candidate& b) {
        return a.distance != b.distance ? a.distance < b.distance : a.kind * 100 + int(a.index) < b.kind * 100 + int(b.index);
    });
    size_t triangles = base.indices.size() / 3;
    for (const auto& c : near) {
        const Kind& k = kinds[c.kind];
        const SkinData& skin = s.skins.at(k.skin);
        const LinkAnimData& link = s.links.at(k.link);
        const size_t cost = skin.indices.size() / 3 + link.cards.size() * 4;
        if (triangles + cost > 21000)
            break;
        triangles += cost;
        const Mat4& world = s.lists.at(k.list).placements[c.index];
        const gfx::Mat4* bones = s.anims.at(k.anim).Frame(0);
        const int bark = refl.Material(k.bark), leaves = refl.Material(k.leaves);
        std::vector<uint16_t> v;
        for (size_t i = 0; i < skin.positions.size(); ++i)
            v.push_back(refl.Vertex(XformPoint(XformPoint(skin.positions[i], bones[skin.bones[i]]), world),
                                    skin.texcoords[i * 2], skin.texcoords[i * 2 + 1]));
        for (size_t i = 0; i < skin.indices.size(); i += 3)
            refl.Tri(bark, v[skin.indices[i]], v[skin.indices[i + 1]], v[skin.indices[i + 2]]);
        const Vec3 corner[4] = {{-0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}};
        const float uv[4][2] = {{0, 0}, {2, 0}, {0, 2}, {2, 2}};
        for (size_t i = 0; i < link.cards.size(); ++i) {
            // The card as the program turns and sizes it.
            const float fi = float(i);
            const Mat4 m = Mul(Mul(Mul(RotYPR(fi, fi, fi), link.cards[i]), bones[link.bones[i]]), world);
            const float size = std::sin(0.737f * fi) + 0.5f;
            uint16_t q[4];
            for (int j = 0; j < 4; ++j)
                q[j] = refl.Vertex(XformPoint(corner[j] * size, m), uv[j][0], uv[j][1]);
            refl.TwoSided(leaves, q[0], q[1], q[2]);
            refl.TwoSided(leaves, q[2], q[1], q[3]);
        }
    }
    s.models["scene_refl_lusa.singleobject"] = refl.Build(10, 1);
}

void BuildTerrainModels(SceneContent& s)
{
    const TerrainGrid& grid = Grid();
    const std::vector<float>& xs = grid.xs;
    const int nx = int(xs.size()), nz = int(grid.zs.size());
    const std::vector<Vec3>& pts = grid.pts;

    MeshBuilder scene, refl, bedLow, bedUp;
    GridVertices gScene{&scene, std::vector<int>(pts.size(), -1), nx, &pts};
    GridVertices gRefl{&refl, std::vector<int>(pts.size(), -1), nx, &pts};
    GridVertices gLow{&bedLow, std::vector<int>(pts.size(), -1), nx, &pts};
    GridVertices gUp{&bedUp, std::vector<int>(pts.size(), -1), nx, &pts};

    // Material order is the draw order; names as the modelling tool wrote them.
    const int mGrass = scene.Material("ground01.tga");
    const int mMeadow = scene.Material("ground04.tga");
    const int mForest = scene.Material("ground03.tga");
    const int mEarth = scene.Material("ground02.tga");
    const int mRock = scene.Material("rock01.tga");
    const int mCliff = scene.Material("rock02.tga");
    const int mRim = scene.Material("border01.tga");
    const int mHill = scene.Material("hill01.tga");
    for (const char* n : {"ground01.tga", "ground04.tga", "ground03.tga", "ground02.tga", "rock01.tga", "rock02.tga",
                          "border01.tga", "hill01.tga"})
        refl.Material(n);  // same indices as the scenery's
    const int mBed = bedLow.Material("ruslo01.tga");
    const int mPoolBed = bedLow.Material("lusha_dno.tga");
    const int mBank = bedUp.Material("bereg01.tga");
    const int mSand = bedUp.Material("sand01.tga");

    auto underTree = [&](float x, float z) {
        for (const auto& t : s.trees) {
            float dx = x - t.root.x, dz = z - t.root.z;
            if (dx * dx + dz * dz < t.radius * t.radius * 0.8f)
                return true;
        }
        return false;
    };

    auto emit = [&](int i0, int j0, int i1, int j1, int i2, int j2) {
        const Vec3 a = pts[size_t(j0 * nx + i0)], b = pts[size_t(j1 * nx + i1)], c = pts[size_t(j2 * nx + i2)];
        const Vec3 n = TriNormal(a, b, c);  // up for the grid order used below
        const float cx = (a.x + b.x + c.x) / 3, cy = (a.y + b.y + c.y) / 3, cz = (a.z + b.z + c.z) / 3;
        const float rd = RiverDistance(cx, cz);
        const float pd = PoolDistance(cx, cz);
        if (rd < 0 || (pd < -2 && std::max({a.y, b.y, c.y}) < kPoolY)) {
            // Beds under the river and the pools: seen from above, through the water.
            const auto t = gLow.Three(i0, j0, i1, j1, i2, j2);
            bedLow.Tri(rd < 0 ? mBed : mPoolBed, t[0], t[1], t[2]);
            return;
        }
        if (rd < 30 && cy < 34 && PoolDistance(cx, cz) > 4) {
            // Banks: drawn from above and, mirrored in the river, from below.
            int mat = cy < 17.5f ? mSand : mBank;
            const auto t = gUp.Three(i0, j0, i1, j1, i2, j2);
            bedUp.TwoSided(mat, t[0], t[1], t[2]);
            return;
        }
        int mat;
        if (pd < 0)
            mat = mRim;  // the pool's edge above the water line
        else if (n.y < 0.5f)
            mat = (cx > 250 && cy > 45) ? mCliff : mRock;
        else if (pd < 9)
            mat = mRim;
        else if (std::fabs(cz) > 1120 || cx < -620 || cx > 590)
            mat = mHill;
        else if (n.y < 0.8f)
            mat = mEarth;
        else if (underTree(cx, cz))
            mat = mForest;
        else
            mat = Fbm2(cx / 90, cz / 90, 2, 31) > 0.15f ? mMeadow : mGrass;
        // The scenery's ground is wound to face down: the main pass draws it
        // without culling, and the mirrored views look at it from below.
        const auto t = gScene.Three(i0, j0, i1, j1, i2, j2);
        scene.Tri(mat, t[0], t[2], t[1]);
        // What the pools can mirror: ground above their plane, not too far off.
        float nearPool = 1e9f;
        for (const auto& p : PoolShapes())
            nearPool = std::min(nearPool, std::hypot(cx - p.cx, cz - p.cz));
        if (std::min({a.y, b.y, c.y}) > kPoolY - 0.5f && pd > -1 && nearPool < 650)
        {
            const auto r = gRefl.Three(i0, j0, i1, j1, i2, j2);
            refl.Tri(mat, r[0], r[2], r[1]);
        }
    };
    for (int j = 0; j + 1 < nz; ++j)
        for (int i = 0; i + 1 < nx; ++i) {
            // Alternate the diagonal so the ground does not ripple one way.
            if ((i + j) & 1) {
                emit(i, j, i, j + 1, i + 1, j);
                emit(i + 1, j, i, j + 1, i + 1, j + 1);
            } else {
                emit(i, j, i, j + 1, i + 1, j + 1);
                emit(i, j, i + 1, j + 1, i + 1, j);
            }
        }

    // Stones: along the banks, round the pools and at the foot of the cliffs,
    // never where a camera flies.
    MeshBuilder stones, bankStones;
    Rng rng(77);
    int placed = 0;
    for (int attempt = 0; attempt < 4000 && placed < 56; ++attempt) {
        float z = rng.Range(-1100, 900);
        float x;
        float kind = rng.Unit();
        if (kind < 0.45f) {
            float w, e;
            RiverEdges(z, w, e);
            x = rng.Unit() < 0.5f ? w - rng.Range(-6, 10) : e + rng.Range(-6, 10);
        } else if (kind < 0.8f) {
            const auto& pools = PoolShapes();
            const auto& p = pools[size_t(rng.Next() % pools.size())];
            float a = rng.Range(0, 6.28f);
            x = p.cx + std::cos(a) * (p.rx + 3);
            z = p.cz + std::sin(a) * (p.rz + 3);
        } else {
            x = EastCliffX(z) - rng.Range(4, 20);
        }
        float r = rng.Range(4, 11);
        Vec3 c = {x, GroundHeight(x, z) + r * 0.15f, z};
        if (NearestEyeDistance(s, c, r + 30) < r + 30)
            continue;
        // Stones by the river belong to the bed's model, the others to the scenery.
        MeshBuilder& into = kind < 0.45f ? bankStones : stones;
        AddStone(into, into.Material((placed & 1) ? "stone02.tga" : "stone01.tga"), c, r, rng.Range(0.5f, 0.8f),
                 uint32_t(900 + placed));
        ++placed;
    }
    // Rock ledges the falls pour from.
    MeshBuilder ledges;
    const int mLedge = ledges.Material("ledge01.tga");
    AddBox(ledges, mLedge, {kFallA.x - 1.5f, kFallA.y - 7, kFallA.z - 16}, {kFallA.x + 10, kFallA.y, kFallA.z + 16},
           1.0f / 48);
    AddBox(ledges, mLedge, {kFallB.x - 1.5f, kFallB.y - 8, kFallB.z - 17}, {kFallB.x + 12, kFallB.y, kFallB.z + 17},
           1.0f / 48);
    MeshBuilder falls;
    AddFall(falls, kFallA, kFoamA, 10, "waterfall01.tga", 5);
    AddFall(falls, kFallB, kFoamB, 12, "waterfall02.tga", 6);
    MeshBuilder bridge;
    AddBridge(bridge);

    scene.Append(stones);
    scene.Append(ledges);
    scene.Append(bridge);
    scene.Append(falls);
    refl.Append(ledges);
    bedLow.Append(bankStones);
    refl.Append(falls);

    s.models["scene.singleobject"] = scene.Build(10, 1);
    s.models["scene_refl_lusa.singleobject"] = refl.Build(10, 1);
    s.models["ruslo_dn.singleobject"] = bedLow.Build(10, 1);
    s.models["ruslo_up.singleobject"] = bedUp.Build(10, 1);

    // Pool surface: every pool shape, a little larger, at the pool plane.
    MeshBuilder pool;
    const int mPool = pool.Material("lusha.tga");
    for (const auto& p : PoolShapes()) {
        uint16_t centre = pool.Vertex({p.cx, kPoolY, p.cz}, p.cx / 100, p.cz / 100);
        std::vector<uint16_t> ring;
        for (int k = 0; k < 28; ++k) {
            // Out from the centre until the ground rises over the water, then
            // under the rim, and no further: beyond the rim the ground may
            // fall away again.
            float a = float(k) / 28 * 2 * kPi;
            float reach = 0.5f;
            // Where two pools run into each other, each surface stops where the
            // other pool is nearer, so the two never overlap in the mask.
            const float minR = std::min(p.rx, p.rz);
            auto at = [&](float r, float& x, float& z) {
                x = p.cx + std::cos(a) * p.rx * r;
                z = p.cz + std::sin(a) * p.rz * r;
            };
            bool shared = false;
            for (;;) {
                float x, z;
                at(reach, x, z);
                if (reach >= 3 || TerrainHeight(x, z) >= kPoolY + 0.3f)
                    break;
                at(reach + 0.01f, x, z);
                if (PoolDistance(x, z) < (reach + 0.01f - 1.0f) * minR - 0.01f) {
                    shared = true;
                    break;
                }
                reach += 0.01f;
            }
            // On, under the rim, to the middle of its top: the edge between two
            // ring points then cuts through rim ground, never through water.
            while (!shared && reach < 3 && (reach - 1.0f) * minR < 8.0f) {
                float x, z;
                at(reach + 0.01f, x, z);
                if (TerrainHeight(x, z) < kPoolY + 0.3f)
                    break;
                reach += 0.01f;
            }
            Vec3 q = {p.cx + std::cos(a) * p.rx * reach, kPoolY, p.cz + std::sin(a) * p.rz * reach};
            ring.push_back(pool.Vertex(q, q.x / 100, q.z / 100));
        }
        // Going round clockwise seen from above (x east, z north).
        for (int k = 0; k < 28; ++k)
            pool.Tri(mPool, centre, ring[size_t((k + 1) % 28)], ring[size_t(k)]);
    }
    s.models["lusha.singleobject"] = pool.Build(11, 1);

    // River surface: a strip along the flow; v runs with the water.
    MeshBuilder river;
    const int mRiver = river.Material("reka.tga");
    const int across = 6;
    std::vector<uint16_t> prev;
    for (float z = -1800; z <= 1800.5f; z += 20) {
        float w, e;
        RiverEdges(z, w, e);
        w -= 8;
        e += 8;
        std::vector<uint16_t> row;
        for (int k = 0; k <= across; ++k) {
            float x = Mix(w, e, float(k) / across);
            // u spans 0..1 exactly: the water mask clamps it to a border
            row.push_back(river.Vertex({x, kRiverY, z}, float(k) / across, -z / 160.0f));
        }
        if (!prev.empty())
            for (int k = 0; k < across; ++k) {
                river.Tri(mRiver, prev[size_t(k)], row[size_t(k)], prev[size_t(k + 1)]);
                river.Tri(mRiver, prev[size_t(k + 1)], row[size_t(k)], row[size_t(k + 1)]);
            }
        prev = row;
    }
    s.models["reka.singleobject"] = river.Build(11, 1);

    // Shade along the foot of the banks and the cliffs.
    MeshBuilder shade;
    const int mShade = shade.Material("shadow.tga");
    for (int side = 0; side < 3; ++side) {
        std::vector<uint16_t> prevRow;
        for (float z = -1100; z <= 900.5f; z += 16) {
            float w, e;
            RiverEdges(z, w, e);
            std::vector<uint16_t> row;
            for (int k = 0; k <= 3; ++k) {
                float t = float(k) / 3;
                float x;
                if (side == 0)
                    x = w - 2 + t * 16;  // from the bank into the water
                else if (side == 1)
                    x = e + 2 - t * 16;
                else
                    x = EastCliffX(z) + 2 - t * 34;  // at the foot of the east cliff
                float zz = z;
                float y = std::max(GroundHeight(x, zz), RiverDistance(x, zz) < 0 ? kRiverY : -1e9f);
                if (PoolDistance(x, zz) < 0)
                    y = std::max(y, kPoolY);
                row.push_back(shade.Vertex({x, y + 0.4f, zz}, t, z / 64));
            }
            if (!prevRow.empty())
                for (int k = 0; k < 3; ++k) {
                    // Keep clockwise from above whichever way x runs.
                    bool flip = side != 0;
                    uint16_t a = prevRow[size_t(k)], b = row[size_t(k)], c = prevRow[size_t(k + 1)],
                             d = row[size_t(k + 1)];
                    if (!flip) {
                        shade.Tri(mShade, a, b, c);
                        shade.Tri(mShade, c, b, d);
                    } else {
                        shade.Tri(mShade, a, c, b);
                        shade.Tri(mShade, c, d, b);
                    }
                }
            prevRow = row;
        }
    }
    s.models["shadow.singleobject"] = shade.Build(10, 1);

    // A soft dark patch under every tree, draped over the ground.
    MeshBuilder treeShade;
    const int mTreeShade = treeShade.Material("tree_shadow.tga");
    for (const auto& t : s.trees) {
        const int n = 6;
        const float r = t.radius * 1.2f;
        const Vec3 c = {t.root.x + r * 0.25f, 0, t.root.z + r * 0.15f};
        std::vector<uint16_t> id;
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i <= n; ++i) {
                float x = c.x + (float(i) / n * 2 - 1) * r, z = c.z + (float(j) / n * 2 - 1) * r;
                id.push_back(treeShade.Vertex({x, SurfaceHeight(x, z) + 0.5f, z}, float(i) / n, float(j) / n));
            }
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) {
                uint16_t a = id[size_t(j * (n + 1) + i)], b = id[size_t((j + 1) * (n + 1) + i)];
                uint16_t c2 = id[size_t(j * (n + 1) + i + 1)], d = id[size_t((j + 1) * (n + 1) + i + 1)];
                treeShade.Tri(mTreeShade, a, b, c2);
                treeShade.Tri(mTreeShade, c2, b, d);
            }
    }
    s.models["tree_shadow.singleobject"] = treeShade.Build(10, 1);
}

} // namespace sg
