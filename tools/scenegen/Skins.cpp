// Skinned models: three trees with their leaf cards, the reeds and the duck,
// each with looping bone animations.
#include <algorithm>
#include <functional>

#include "Scene.h"
#include "Skins.h"

namespace sg {

const std::vector<TreeShape>& TreeShapes()
{
    static const std::vector<TreeShape> s = {{38, 1.75f, 0.62f}, {26, 1.6f, 0.5f}, {25, 1.3f, 0.62f}};
    return s;
}

namespace {

// A rest skeleton: bone b starts at joint[b] (model space, bone axes aligned
// with the model's), child of parent[b].
struct Skeleton
{
    std::vector<int> parent;
    std::vector<Vec3> joint;
    int Add(int p, Vec3 j)
    {
        parent.push_back(p);
        joint.push_back(j);
        return int(parent.size() - 1);
    }
};

// Bone matrices of one frame from per-bone local rotations about the joints.
std::vector<Mat4> Pose(const Skeleton& sk, const std::vector<Mat4>& local, Vec3 rootOffset = {0, 0, 0})
{
    std::vector<Mat4> world(sk.parent.size());
    for (size_t b = 0; b < sk.parent.size(); ++b)
    {
        const int p = sk.parent[b];
        if (p < 0)
            world[b] = Mul(local[b], Translate(sk.joint[b] + rootOffset));
        else
            world[b] = Mul(Mul(local[b], Translate(sk.joint[b] - sk.joint[size_t(p)])), world[size_t(p)]);
    }
    return world;
}

struct SkinBuilder
{
    SkinData d;
    const Skeleton* sk;
    uint16_t Vertex(int bone, Vec3 modelPos, float u, float v)
    {
        d.bones.push_back(uint8_t(bone));
        d.positions.push_back(modelPos - sk->joint[size_t(bone)]);
        d.texcoords.push_back(u);
        d.texcoords.push_back(v);
        return uint16_t(d.positions.size() - 1);
    }
    void Tri(uint16_t a, uint16_t b, uint16_t c) { d.indices.insert(d.indices.end(), {a, b, c}); }
};

// Frame f of an axis pair orthogonal to dir.
void Basis(Vec3 dir, Vec3& u, Vec3& w)
{
    Vec3 ref = std::fabs(dir.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    u = Norm(Cross(ref, dir));
    w = Norm(Cross(dir, u));
}

// A tapered tube from a to b bound to one bone, rings of n sides; outward
// faces clockwise seen from outside.
void Tube(SkinBuilder& s, int bone, Vec3 a, Vec3 b, float ra, float rb, int sides, int rings, float v0, float v1)
{
    Vec3 dir = Norm(b - a), u, w;
    Basis(dir, u, w);
    std::vector<uint16_t> id;
    for (int r = 0; r <= rings; ++r)
    {
        float t = float(r) / rings;
        Vec3 c = Lerp(a, b, t);
        float rad = Mix(ra, rb, t);
        for (int k = 0; k <= sides; ++k)
        {
            float ang = float(k) / sides * 2 * kPi;
            Vec3 p = c + u * (std::cos(ang) * rad) + w * (std::sin(ang) * rad);
            id.push_back(s.Vertex(bone, p, float(k) / sides, Mix(v0, v1, t)));
        }
    }
    for (int r = 0; r < rings; ++r)
        for (int k = 0; k < sides; ++k)
        {
            uint16_t p0 = id[size_t(r * (sides + 1) + k)], p1 = id[size_t(r * (sides + 1) + k + 1)];
            uint16_t q0 = id[size_t((r + 1) * (sides + 1) + k)], q1 = id[size_t((r + 1) * (sides + 1) + k + 1)];
            s.Tri(p0, p1, q0);
            s.Tri(p1, q1, q0);
        }
}

struct TreeBone
{
    Vec3 a, b;
    float ra, rb;
    int depth;
};

// Grows a tree of exactly `bones` segments: a trunk of several segments,
// branches from its upper part, twigs from the branches.
void GrowTree(int kind, int bones, Skeleton& sk, std::vector<TreeBone>& segs)
{
    Rng rng(uint32_t(1000 + kind * 31));
    const TreeShape& shape = TreeShapes()[size_t(kind)];
    const int trunkSegs = kind == 2 ? 3 : 4;
    const float trunkTop = shape.height * (kind == 2 ? 0.45f : 0.62f);
    const float baseR = kind == 1 ? 0.035f : 0.05f;
    Vec3 p = {0, 0, 0};
    int prev = -1;
    for (int i = 0; i < trunkSegs; ++i)
    {
        Vec3 q = {rng.Range(-0.03f, 0.03f) * float(i), trunkTop * float(i + 1) / trunkSegs,
                  rng.Range(-0.03f, 0.03f) * float(i)};
        prev = sk.Add(prev, p);
        float ra = baseR * (1 - 0.55f * float(i) / trunkSegs), rb = baseR * (1 - 0.55f * float(i + 1) / trunkSegs);
        segs.push_back({p, q, ra * (i == 0 ? 1.4f : 1.0f), rb, 0});
        p = q;
    }
    // Branch starts: from the upper trunk joints, around the stem.
    struct Tip
    {
        int bone;
        Vec3 at, dir;
        float r;
        int depth;
    };
    std::vector<Tip> open;
    const int firstBranchSeg = kind == 2 ? 1 : 2;
    for (int i = firstBranchSeg; i < trunkSegs; ++i)
    {
        int n = kind == 2 ? 3 : 2;
        for (int k = 0; k < n; ++k)
        {
            float ang = rng.Range(0, 6.28f) + float(k) * 2.1f;
            float up = kind == 2 ? rng.Range(0.35f, 0.7f) : rng.Range(0.6f, 1.0f);
            Vec3 dir = Norm({std::cos(ang), up, std::sin(ang)});
            float t = rng.Range(0.3f, 0.95f);
            open.push_back({i, Lerp(segs[size_t(i)].a, segs[size_t(i)].b, t), dir, segs[size_t(i)].rb * 0.7f, 1});
        }
    }
    // The leader continues the trunk.
    open.push_back({trunkSegs - 1, p, Norm({0.05f, 1, 0.02f}), segs.back().rb * 0.9f, 1});
    size_t next = 0;
    while (int(sk.parent.size()) < bones && next < open.size())
    {
        Tip t = open[next++];
        // Each branch is a chain of up to three segments, then it forks.
        float len = shape.height * (t.depth == 1 ? 0.22f : 0.15f) * rng.Range(0.8f, 1.2f);
        Vec3 dir = t.dir;
        Vec3 a = t.at;
        int parent = t.bone;
        float r = t.r;
        int chain = t.depth == 1 ? 2 : 1;
        for (int c = 0; c < chain && int(sk.parent.size()) < bones; ++c)
        {
            dir = Norm(dir + Vec3{rng.Range(-0.25f, 0.25f), rng.Range(-0.05f, 0.2f), rng.Range(-0.25f, 0.25f)});
            Vec3 b = a + dir * len;
            int bone = sk.Add(parent, a);
            segs.push_back({a, b, r, r * 0.7f, t.depth});
            if (c == chain - 1 || rng.Unit() < 0.4f)
                for (int f = 0; f < 2; ++f)
                {
                    Vec3 side =
                        Norm(dir + Vec3{rng.Range(-0.8f, 0.8f), rng.Range(-0.1f, 0.5f), rng.Range(-0.8f, 0.8f)});
                    open.push_back({bone, Lerp(a, b, rng.Range(0.6f, 1.0f)), side, r * 0.6f, t.depth + 1});
                }
            parent = bone;
            a = b;
            r *= 0.7f;
        }
    }
}

// The leaf card matrix that shows the unit card at `size`, turned by `turn`
// (rows: across, up, normal) and placed at `at` in its bone's space, once the
// program has applied card k's own size factor and turn (yaw, pitch and roll
// of k radians) before it: those are undone here, so the generator decides
// how every card faces.
Mat4 LeafCardMatrix(int k, float size, const Mat4& turn, Vec3 at)
{
    const float fk = float(k);
    const float own = std::sin(0.737f * fk) + 0.5f;
    Mat4 undo = gfx::MatrixRotationYawPitchRoll(fk, fk, fk);
    for (int r = 0; r < 3; ++r)
        for (int c = r + 1; c < 3; ++c)
            std::swap(undo.m[r][c], undo.m[c][r]);
    return Mul(Mul(Mul(undo, Scale(size / own, size / own, size / own)), turn), Translate(at));
}

void BuildTree(SceneContent& s, int kind, const char* name, int cards)
{
    const TreeShape& shape = TreeShapes()[size_t(kind)];
    Skeleton sk;
    std::vector<TreeBone> segs;
    GrowTree(kind, shape.bones, sk, segs);
    SkinBuilder sb{{}, &sk};
    sb.d.boneCount = uint8_t(sk.parent.size());
    Rng twigs(uint32_t(7000 + kind));
    float trunkV = 0; // the bark runs on up the trunk without a seam
    for (size_t b = 0; b < segs.size(); ++b)
    {
        const auto& g = segs[b];
        int sides = g.depth == 0 ? 8 : (g.depth == 1 ? 6 : 5);
        int rings = g.depth == 0 ? 3 : 2;
        float len = Len(g.b - g.a);
        const float v0 = g.depth == 0 ? trunkV : 0;
        Tube(sb, int(b), g.a, g.b, g.ra, g.rb, sides, rings, v0, v0 + len * 4);
        if (g.depth == 0)
            trunkV += len * 4;
        // Twigs off the branches: the crown shows wood between its leaves.
        if (g.depth == 0)
            continue;
        Vec3 u, w;
        Basis(Norm(g.b - g.a), u, w);
        for (int t = 0; t < 3; ++t)
        {
            const float ang = twigs.Range(0, 6.28f);
            const Vec3 from = Lerp(g.a, g.b, twigs.Range(0.25f, 0.95f));
            const Vec3 out = Norm(u * std::cos(ang) + w * std::sin(ang) + Norm(g.b - g.a) * 0.8f);
            const Vec3 to = from + out * (shape.height * twigs.Range(0.06f, 0.12f));
            Tube(sb, int(b), from, to, g.rb * 0.45f, g.rb * 0.15f, 4, 1, 0, 0.3f);
        }
    }
    // Roots flaring into the ground.
    for (int k = 0; k < 4; ++k)
    {
        float ang = float(k) * 1.57f + 0.4f;
        Vec3 a = {std::cos(ang) * 0.02f, 0.08f, std::sin(ang) * 0.02f};
        Vec3 b = {std::cos(ang) * 0.11f, -0.02f, std::sin(ang) * 0.11f};
        Tube(sb, 0, a, b, 0.025f, 0.008f, 5, 1, 0, 0.4f);
    }
    s.skins[std::string(name) + ".skin"] = sb.d;

    // Leaf cards along the branches, denser towards the tips, each facing
    // away from the middle of the crown (tilted a little at random), so that
    // from any side most cards face the eye and only those on the outline
    // are seen edge-on.
    LinkAnimData link;
    Rng rng(uint32_t(5000 + kind));
    std::vector<int> leafy;
    for (size_t b = 0; b < segs.size(); ++b)
        if (segs[b].depth >= 1 || b + 1 == size_t(kind == 2 ? 3 : 4))
            leafy.push_back(int(b));
    std::vector<Vec3> where;
    std::vector<int> bone;
    Vec3 centre = {0, 0, 0};
    for (int i = 0; i < cards; ++i)
    {
        int b = leafy[size_t(i) % leafy.size()];
        if (segs[size_t(b)].depth == 1 && rng.Unit() < 0.3f)
            b = leafy[rng.Next() % leafy.size()];
        const auto& g = segs[size_t(b)];
        Vec3 at = Lerp(g.a, g.b, rng.Range(0.3f, 1.1f));
        at = at + Vec3{rng.Range(-1, 1), rng.Range(-0.6f, 1), rng.Range(-1, 1)} * (shape.crownRadius * 0.28f);
        where.push_back(at);
        bone.push_back(b);
        centre = centre + at * (1.0f / float(cards));
    }
    for (int i = 0; i < cards; ++i)
    {
        const Vec3 tilt = {rng.Range(-0.5f, 0.5f), rng.Range(-0.3f, 0.5f), rng.Range(-0.5f, 0.5f)};
        const Vec3 normal = Norm(Norm(where[size_t(i)] - centre) + tilt);
        Vec3 across, up;
        Basis(normal, across, up);
        const float spin = rng.Range(0, 6.28f);
        Mat4 turn = Identity();
        const Vec3 rows[3] = {across * std::cos(spin) + up * std::sin(spin),
                              up * std::cos(spin) - across * std::sin(spin), normal};
        for (int r = 0; r < 3; ++r)
        {
            turn.m[r][0] = rows[r].x;
            turn.m[r][1] = rows[r].y;
            turn.m[r][2] = rows[r].z;
        }
        const float size = shape.crownRadius * rng.Range(0.5f, 0.7f);
        link.cards.push_back(LeafCardMatrix(i, size, turn, where[size_t(i)] - sk.joint[size_t(bone[size_t(i)])]));
        link.bones.push_back(uint8_t(bone[size_t(i)]));
    }
    s.links[std::string(name) + ".linkanim"] = link;

    // Sway: every bone turns a little about its joint, more towards the tips;
    // whole cycles over the 300 frames, so the loop closes.
    AnimData anim;
    anim.boneCount = uint16_t(sk.parent.size());
    anim.frameCount = 300;
    for (int f = 0; f < 300; ++f)
    {
        std::vector<Mat4> local(sk.parent.size());
        for (size_t b = 0; b < sk.parent.size(); ++b)
        {
            const auto& g = segs[b];
            float amp = g.depth == 0 ? 0.008f + 0.006f * float(b) : 0.03f + 0.02f * float(g.depth);
            float ph = float(b) * 0.7f;
            float t = 2 * kPi * float(f) / 300.0f;
            float ax = amp * (std::sin(t + ph) + 0.35f * std::sin(3 * t + 2 * ph));
            float az = amp * 0.7f * (std::sin(2 * t + ph * 1.3f) + 0.3f * std::cos(5 * t + ph));
            local[b] = Mul(RotX(ax), RotZ(az));
        }
        auto pose = Pose(sk, local);
        anim.matrices.insert(anim.matrices.end(), pose.begin(), pose.end());
    }
    s.anims[std::string(name) + "_stay.anim"] = anim;
    s.anims[std::string(name) + "_wind.anim"] = anim;
}

void BuildReed(SceneContent& s)
{
    Skeleton sk;
    const float seg = kReedHeight / 6;
    int prev = -1;
    for (int b = 0; b < 6; ++b)
        prev = sk.Add(prev, {0, seg * float(b), 0});
    SkinBuilder sb{{}, &sk};
    sb.d.boneCount = 6;
    Rng rng(61);
    // Blades: tapering two-sided strips leaning outwards, each row bound to
    // the bone at its height.
    const int blades = 7;
    for (int k = 0; k < blades; ++k)
    {
        float ang = float(k) / blades * 6.28f + rng.Range(-0.3f, 0.3f);
        float lean = rng.Range(0.12f, 0.3f);
        float h = kReedHeight * rng.Range(0.75f, 1.0f);
        Vec3 out = {std::cos(ang), 0, std::sin(ang)};
        Vec3 side = {-out.z, 0, out.x};
        std::vector<uint16_t> left, right;
        const int rows = 6;
        for (int r = 0; r <= rows; ++r)
        {
            float t = float(r) / rows;
            float y = h * t;
            Vec3 c = out * (lean * y * (0.4f + 0.6f * t)) + Vec3{0, y, 0};
            float w = 2.2f * (1 - t) + 0.15f;
            int bone = std::min(5, int(y / seg));
            left.push_back(sb.Vertex(bone, c - side * w, 0.1f + 0.2f * float(k % 3), 1 - t));
            right.push_back(sb.Vertex(bone, c + side * w, 0.2f + 0.2f * float(k % 3), 1 - t));
        }
        for (int r = 0; r < rows; ++r)
        {
            sb.Tri(left[size_t(r)], left[size_t(r + 1)], right[size_t(r)]);
            sb.Tri(right[size_t(r)], left[size_t(r + 1)], right[size_t(r + 1)]);
            sb.Tri(left[size_t(r)], right[size_t(r)], left[size_t(r + 1)]);
            sb.Tri(right[size_t(r)], right[size_t(r + 1)], left[size_t(r + 1)]);
        }
    }
    // Three stems with brown heads.
    for (int k = 0; k < 3; ++k)
    {
        float ang = float(k) * 2.1f + 0.5f;
        Vec3 base = {std::cos(ang) * 1.5f, 0, std::sin(ang) * 1.5f};
        float h = kReedHeight * (1.0f - 0.06f * float(k));
        Vec3 top = base + Vec3{std::cos(ang) * 6, h * 0.8f, std::sin(ang) * 6};
        Vec3 mid = Lerp(base, top, 0.5f);
        Tube(sb, 2, base + Vec3{0, seg * 2.05f, 0} * 0, mid, 0.5f, 0.4f, 4, 1, 0, 0.5f);
        Tube(sb, 4, mid, top, 0.4f, 0.3f, 4, 1, 0, 0.5f);
        Vec3 headTop = top + Vec3{std::cos(ang) * 1.2f, 9, std::sin(ang) * 1.2f};
        Tube(sb, 5, top, headTop, 1.3f, 1.1f, 6, 1, 0.85f, 0.95f);
    }
    // Rebind by height so the stems follow the chain.
    for (size_t i = 0; i < sb.d.positions.size(); ++i)
    {
        Vec3 model = sb.d.positions[i] + sk.joint[sb.d.bones[i]];
        int bone = std::min(5, std::max(0, int(model.y / seg)));
        sb.d.bones[i] = uint8_t(bone);
        sb.d.positions[i] = model - sk.joint[size_t(bone)];
    }
    s.skins["kamish.skin"] = sb.d;

    AnimData anim;
    anim.boneCount = 6;
    anim.frameCount = 200;
    for (int f = 0; f < 200; ++f)
    {
        std::vector<Mat4> local(6);
        float t = 2 * kPi * float(f) / 200.0f;
        for (int b = 0; b < 6; ++b)
        {
            float amp = 0.012f + 0.012f * float(b);
            local[size_t(b)] =
                Mul(RotZ(amp * std::sin(t + 0.35f * float(b))), RotX(amp * 0.6f * std::sin(2 * t + 0.5f * float(b))));
        }
        auto pose = Pose(sk, local);
        anim.matrices.insert(anim.matrices.end(), pose.begin(), pose.end());
    }
    s.anims["kamish_stay.anim"] = anim;
}

// Duck bones.
enum DuckBone
{
    dBody,
    dNeck,
    dHead,
    dBeak,
    dTail,
    dWingL,
    dWingR,
    dTipL,
    dTipR,
    dLegL,
    dLegR,
    dFootL,
    dFootR
};

Skeleton DuckSkeleton()
{
    Skeleton sk;
    sk.Add(-1, {0, 0.06f, 0});             // body
    sk.Add(dBody, {0, 0.16f, 0.24f});      // neck
    sk.Add(dNeck, {0, 0.36f, 0.31f});      // head
    sk.Add(dHead, {0, 0.40f, 0.42f});      // beak
    sk.Add(dBody, {0, 0.12f, -0.3f});      // tail
    sk.Add(dBody, {-0.13f, 0.19f, 0.12f}); // wings
    sk.Add(dBody, {0.13f, 0.19f, 0.12f});
    sk.Add(dWingL, {-0.15f, 0.21f, -0.14f});
    sk.Add(dWingR, {0.15f, 0.21f, -0.14f});
    sk.Add(dBody, {-0.07f, -0.04f, -0.04f}); // legs
    sk.Add(dBody, {0.07f, -0.04f, -0.04f});
    sk.Add(dLegL, {-0.08f, -0.16f, -0.08f}); // feet
    sk.Add(dLegR, {0.08f, -0.16f, -0.08f});
    return sk;
}

// Texture atlas of the duck: body v 0..0.5, head 0.5..0.75, beak and feet
// 0.75..1 (u 0..0.5 beak, 0.5..1 feet), wings u 0.5..1 of v 0..0.5.
void BuildDuck(SceneContent& s)
{
    Skeleton sk = DuckSkeleton();
    SkinBuilder sb{{}, &sk};
    sb.d.boneCount = 13;
    // Body: an egg along z, flatter underneath; rings bound to body or tail.
    {
        const int rings = 11, sides = 12;
        std::vector<uint16_t> id;
        for (int r = 0; r <= rings; ++r)
        {
            float t = float(r) / rings; // 0 tail .. 1 breast
            float z = Mix(-0.46f, 0.34f, t);
            float prof = std::sin(t * kPi);
            float rx = 0.17f * std::pow(prof, 0.6f) + 0.004f;
            float ry = 0.13f * std::pow(prof, 0.7f) + 0.004f;
            float yc = 0.08f + 0.06f * (1 - t) * (1 - t) * 0.8f;
            int bone = t < 0.22f ? dTail : dBody;
            for (int k = 0; k <= sides; ++k)
            {
                float a = float(k) / sides * 2 * kPi;
                float sy = std::sin(a);
                float y = yc + sy * ry * (sy < 0 ? 0.75f : 1.0f);
                id.push_back(sb.Vertex(bone, {std::cos(a) * rx, y, z}, float(k) / sides * 0.5f, t * 0.5f));
            }
        }
        for (int r = 0; r < rings; ++r)
            for (int k = 0; k < sides; ++k)
            {
                uint16_t p0 = id[size_t(r * (sides + 1) + k)], p1 = id[size_t(r * (sides + 1) + k + 1)];
                uint16_t q0 = id[size_t((r + 1) * (sides + 1) + k)], q1 = id[size_t((r + 1) * (sides + 1) + k + 1)];
                sb.Tri(p0, p1, q0);
                sb.Tri(p1, q1, q0);
            }
    }
    // Neck and head.
    Tube(sb, dNeck, {0, 0.07f, 0.21f}, {0, 0.36f, 0.31f}, 0.055f, 0.038f, 8, 3, 0.5f, 0.6f);
    {
        const int rings = 6, sides = 8;
        const Vec3 c = {0, 0.39f, 0.33f};
        std::vector<uint16_t> id;
        for (int r = 0; r <= rings; ++r)
        {
            float phi = float(r) / rings * kPi;
            for (int k = 0; k <= sides; ++k)
            {
                float a = float(k) / sides * 2 * kPi;
                Vec3 p = c + Vec3{std::sin(phi) * std::cos(a) * 0.05f, std::cos(phi) * 0.052f,
                                  std::sin(phi) * std::sin(a) * 0.068f};
                id.push_back(sb.Vertex(dHead, p, float(k) / sides, 0.5f + float(r) / rings * 0.25f));
            }
        }
        for (int r = 0; r < rings; ++r)
            for (int k = 0; k < sides; ++k)
            {
                uint16_t p0 = id[size_t(r * (sides + 1) + k)], p1 = id[size_t(r * (sides + 1) + k + 1)];
                uint16_t q0 = id[size_t((r + 1) * (sides + 1) + k)], q1 = id[size_t((r + 1) * (sides + 1) + k + 1)];
                sb.Tri(p0, p1, q0);
                sb.Tri(p1, q1, q0);
            }
    }
    // Beak: a flat tapering tube.
    Tube(sb, dBeak, {0, 0.38f, 0.39f}, {0, 0.37f, 0.49f}, 0.028f, 0.012f, 6, 1, 0.76f, 0.8f);
    // Wings: flat blades lying on the back, inner and outer part, both sides.
    for (int side = -1; side <= 1; side += 2)
    {
        int inner = side < 0 ? dWingL : dWingR, outer = side < 0 ? dTipL : dTipR;
        float sx = float(side);
        Vec3 p[6] = {{sx * 0.12f, 0.2f, 0.14f},   {sx * 0.17f, 0.17f, 0.10f},  {sx * 0.135f, 0.22f, -0.14f},
                     {sx * 0.19f, 0.18f, -0.14f}, {sx * 0.10f, 0.23f, -0.36f}, {sx * 0.13f, 0.2f, -0.34f}};
        uint16_t id[6];
        for (int k = 0; k < 6; ++k)
            id[k] = sb.Vertex(k < 4 ? inner : outer, p[k], 0.5f + 0.5f * float(k % 2), float(k / 2) * 0.2f);
        for (int q = 0; q < 2; ++q)
        {
            uint16_t a = id[q * 2], b = id[q * 2 + 1], c = id[q * 2 + 2], d = id[q * 2 + 3];
            sb.Tri(a, b, c);
            sb.Tri(b, d, c);
            sb.Tri(a, c, b);
            sb.Tri(b, c, d);
        }
    }
    // Legs and webbed feet.
    for (int side = -1; side <= 1; side += 2)
    {
        int leg = side < 0 ? dLegL : dLegR, foot = side < 0 ? dFootL : dFootR;
        float sx = float(side);
        Tube(sb, leg, {sx * 0.07f, -0.03f, -0.04f}, {sx * 0.08f, -0.16f, -0.08f}, 0.015f, 0.01f, 4, 1, 0.8f, 0.9f);
        uint16_t a = sb.Vertex(foot, {sx * 0.08f, -0.16f, -0.08f}, 0.75f, 0.8f);
        uint16_t b = sb.Vertex(foot, {sx * 0.03f, -0.17f, 0.0f}, 0.5f, 1.0f);
        uint16_t c = sb.Vertex(foot, {sx * 0.13f, -0.17f, 0.0f}, 1.0f, 1.0f);
        sb.Tri(a, b, c);
        sb.Tri(a, c, b);
    }
    s.skins["duck.skin"] = sb.d;

    // Animations; frame 0 of each is the rest pose, so the switches between
    // them (always at a wrap) do not jump.
    auto make = [&](const char* name, int frames, const std::function<void(float, std::vector<Mat4>&, Vec3&)>& pose) {
        AnimData a;
        a.boneCount = 13;
        a.frameCount = uint16_t(frames);
        for (int f = 0; f < frames; ++f)
        {
            std::vector<Mat4> local(13, Identity());
            Vec3 offset = {0, 0, 0};
            pose(float(f) / float(frames), local, offset);
            auto m = Pose(sk, local, offset);
            a.matrices.insert(a.matrices.end(), m.begin(), m.end());
        }
        s.anims[name] = a;
    };
    // Swim: feet paddle in turn, head and body bob.
    make("duck_plavat.anim", 10, [](float t, std::vector<Mat4>& l, Vec3& off) {
        float w = std::sin(2 * kPi * t);
        l[dLegL] = RotX(0.6f * w);
        l[dLegR] = RotX(-0.6f * w);
        l[dNeck] = RotX(0.05f * std::sin(2 * kPi * t));
        l[dTail] = RotY(0.1f * std::sin(2 * kPi * t));
        off.y = 0.008f * (1 - std::cos(2 * kPi * t));
    });
    // Dive: tip forward, head under water and tail up, then back.
    make("duck_nirok.anim", 40, [](float t, std::vector<Mat4>& l, Vec3& off) {
        float e = std::sin(kPi * t);
        e = e * e;
        l[dBody] = RotX(1.25f * e);
        l[dNeck] = RotX(0.35f * e);
        l[dTail] = RotX(-0.4f * e);
        l[dLegL] = RotX(-1.0f * e * std::sin(6 * kPi * t));
        l[dLegR] = RotX(1.0f * e * std::sin(6 * kPi * t));
        off.y = -0.06f * e;
    });
    // Splash: rise a little, spread and beat the wings.
    make("duck_pleskanie.anim", 21, [](float t, std::vector<Mat4>& l, Vec3& off) {
        float e = std::sin(kPi * t);
        e = e * e;
        float beat = std::sin(2 * kPi * 3 * t);
        l[dBody] = RotX(-0.35f * e);
        l[dWingL] = Mul(RotY(0.9f * e), RotZ(-(1.0f + 0.6f * beat) * e));
        l[dWingR] = Mul(RotY(-0.9f * e), RotZ((1.0f + 0.6f * beat) * e));
        l[dTipL] = RotZ(-0.5f * beat * e);
        l[dTipR] = RotZ(0.5f * beat * e);
        l[dNeck] = RotX(-0.3f * e);
        off.y = 0.05f * e;
    });
}

} // namespace

void BuildSkins(SceneContent& s)
{
    BuildTree(s, 0, "tree01", 97);
    BuildTree(s, 1, "tree02", 106);
    BuildTree(s, 2, "tree03", 70);
    BuildReed(s);
    BuildDuck(s);
}

} // namespace sg
