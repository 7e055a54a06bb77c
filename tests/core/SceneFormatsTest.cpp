// The scene file formats: byte layout, round trips and the rejection of
// short, long and inconsistent files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/CollFaceFile.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TransObjFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

gfx::Mat4 Numbered(float base)
{
    gfx::Mat4 m;
    for (int i = 0; i < 16; ++i)
        m.m[i / 4][i % 4] = base + float(i);
    return m;
}

uint32_t U32At(const Bytes& b, size_t at)
{
    uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

void PutU16At(Bytes& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// The leaf card of the data: 6 vertices, 4 triangles, one "leaf.tga".
SingleObjectData LeafCard()
{
    SingleObjectData d;
    for (int i = 0; i < 6; ++i)
        d.vertices.push_back({float(i), float(i) * 2, -float(i), 0.5f * i, 1.0f - 0.1f * i});
    d.indices = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5};
    d.materials.resize(1);
    d.materials[0].triangleCount = 4;
    d.materials[0].texture = "leaf.tga";
    return d;
}

SkinData SmallSkin()
{
    SkinData d;
    d.boneCount = 3;
    for (int i = 0; i < 5; ++i)
    {
        d.bones.push_back(uint8_t(i % 3));
        d.positions.push_back({float(i), 0.25f, -float(i)});
        d.texcoords.push_back(0.1f * i);
        d.texcoords.push_back(0.9f - 0.1f * i);
    }
    d.indices = {0, 1, 2, 2, 3, 4};
    return d;
}

AnimData SmallAnim(uint16_t bones, uint16_t frames)
{
    AnimData a;
    a.boneCount = bones;
    a.frameCount = frames;
    for (int i = 0; i < bones * frames; ++i)
        a.matrices.push_back(Numbered(float(i)));
    return a;
}

// One valid file of every reader, the reader, and what its size must be.
struct FormatCase
{
    const char* name;
    Bytes file;
    std::function<int(const Bytes&)> read; // status; checks that a failure leaves nothing behind
};

std::vector<FormatCase> AllFormats()
{
    std::vector<FormatCase> cases;
    cases.push_back({"singleobject", WriteSingleObjectFile(LeafCard()), [](const Bytes& b) {
                         SingleObjectData d = LeafCard();
                         int s = ReadSingleObjectFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.vertices.empty() && d.indices.empty() && d.materials.empty());
                         return s;
                     }});
    CameraPathData cam;
    cam.eyes = {{1, 2, 3}, {4, 5, 6}};
    cam.targets = {{7, 8, 9}, {10, 11, 12}};
    cases.push_back({"camera path", WriteCameraPathFile(cam), [](const Bytes& b) {
                         CameraPathData d;
                         d.eyes.resize(1);
                         int s = ReadCameraPathFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.eyes.empty() && d.targets.empty());
                         return s;
                     }});
    TrajectoryData traj;
    traj.frames = 2;
    for (int i = 0; i < 6; ++i)
        traj.matrices.push_back(Numbered(float(i * 16)));
    cases.push_back({"trajectory", WriteTrajectoryFile(traj), [](const Bytes& b) {
                         TrajectoryData d;
                         d.frames = 5;
                         int s = ReadTrajectoryFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.frames == 0 && d.matrices.empty());
                         return s;
                     }});
    InstanceListData list;
    list.placements = {Numbered(1), Numbered(2)};
    cases.push_back({"instance list", WriteInstanceListFile(list), [](const Bytes& b) {
                         InstanceListData d;
                         d.placements.resize(1);
                         int s = ReadInstanceListFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.placements.empty());
                         return s;
                     }});
    cases.push_back({"skin", WriteSkinFile(SmallSkin()), [](const Bytes& b) {
                         SkinData d = SmallSkin();
                         int s = ReadSkinFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.positions.empty() && d.bones.empty() && d.indices.empty() &&
                                         d.boneCount == 0);
                         return s;
                     }});
    cases.push_back({"anim", WriteAnimFile(SmallAnim(2, 3)), [](const Bytes& b) {
                         AnimData d = SmallAnim(1, 1);
                         int s = ReadAnimFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.matrices.empty() && d.boneCount == 0 && d.frameCount == 0);
                         return s;
                     }});
    LinkAnimData link;
    link.cards = {Numbered(3), Numbered(4)};
    link.bones = {1, 0};
    cases.push_back({"linkanim", WriteLinkAnimFile(link), [](const Bytes& b) {
                         LinkAnimData d;
                         d.bones.resize(2);
                         int s = ReadLinkAnimFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.cards.empty() && d.bones.empty());
                         return s;
                     }});
    CollFaceData coll;
    CollFace f;
    EXPECT_TRUE(MakeCollFace({0, 15, 0}, {0, 15, 10}, {10, 15, 0}, f));
    coll.faces = {f, f};
    cases.push_back({"collface", WriteCollFaceFile(coll), [](const Bytes& b) {
                         CollFaceData d;
                         d.faces.resize(1);
                         int s = ReadCollFaceFile(b.data(), b.size(), d);
                         if (s)
                             EXPECT_TRUE(d.faces.empty());
                         return s;
                     }});
    return cases;
}

TEST(SceneFormats, EveryReaderRejectsEveryTruncationAndAnExtraByte)
{
    for (const auto& c : AllFormats())
    {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.file.empty());
        EXPECT_EQ(c.read(c.file), 0);
        for (size_t len = 0; len < c.file.size(); ++len)
        {
            Bytes cut(c.file.begin(), c.file.begin() + len);
            EXPECT_NE(c.read(cut), 0) << "accepted a file cut to " << len << " bytes";
        }
        Bytes longer = c.file;
        longer.push_back(0);
        EXPECT_NE(c.read(longer), 0);
    }
}

TEST(SceneFormats, DocumentedFileSizes)
{
    EXPECT_EQ(WriteSingleObjectFile(LeafCard()).size(), 178u);
    EXPECT_EQ(SingleObjectFileSize(6, 4, {8}), 178u);

    CameraPathData cam;
    cam.eyes.assign(1001, {1, 2, 3});
    cam.targets.assign(1001, {4, 5, 6});
    EXPECT_EQ(WriteCameraPathFile(cam).size(), 24032u);

    TrajectoryData traj;
    traj.frames = 1000;
    traj.matrices.assign(3000, Numbered(0));
    EXPECT_EQ(WriteTrajectoryFile(traj).size(), 192008u);

    InstanceListData list;
    list.placements.assign(89, Numbered(0));
    EXPECT_EQ(WriteInstanceListFile(list).size(), 4u + 89u * 64u);

    EXPECT_EQ(WriteAnimFile(SmallAnim(13, 10)).size(), 8328u);
    EXPECT_EQ(WriteSkinFile(SmallSkin()).size(), 10u + 25u * 5u + 6u * 2u);

    LinkAnimData link;
    link.cards.assign(97, Numbered(0));
    link.bones.assign(97, 0);
    EXPECT_EQ(WriteLinkAnimFile(link).size(), 6309u);

    CollFaceData coll;
    coll.faces.resize(348);
    EXPECT_EQ(WriteCollFaceFile(coll).size(), 33412u);
}

TEST(SceneFormats, SingleObjectLayoutAndRoundTrip)
{
    SingleObjectData in = LeafCard();
    in.materials.resize(2);
    in.materials[0].triangleCount = 2;
    in.materials[1].firstIndex = 6;
    in.materials[1].triangleCount = 2;
    in.materials[1].texture = "ground01.tga";
    const Bytes b = WriteSingleObjectFile(in);
    // Material records start after the vertices and indices; each name is
    // followed by the offset of its own record.
    const size_t records = 10 + 6 * 20 + 4 * 6;
    const size_t name0 = records + 2 * 8;
    EXPECT_EQ(U32At(b, records), 0u);
    EXPECT_EQ(U32At(b, name0), 8u);
    EXPECT_EQ(std::string(b.begin() + name0 + 4, b.begin() + name0 + 12), "leaf.tga");
    EXPECT_EQ(U32At(b, name0 + 12), records);
    EXPECT_EQ(U32At(b, name0 + 16 + 4 + 12), records + 8);

    SingleObjectData out;
    ASSERT_EQ(ReadSingleObjectFile(b.data(), b.size(), out), 0);
    EXPECT_EQ(out.tag, 10);
    EXPECT_EQ(out.kind, 1);
    ASSERT_EQ(out.vertices.size(), 6u);
    EXPECT_EQ(out.vertices[5].v, in.vertices[5].v);
    EXPECT_EQ(out.indices, in.indices);
    ASSERT_EQ(out.materials.size(), 2u);
    EXPECT_EQ(out.materials[1].texture, "ground01.tga");
    EXPECT_EQ(out.materials[1].firstIndex, 6);
    EXPECT_EQ(out.materials[1].triangleCount, 2);
}

TEST(SceneFormats, SingleObjectRejectsIndicesAndRunsOutsideTheirArrays)
{
    const Bytes good = WriteSingleObjectFile(LeafCard());
    const size_t firstIndex = 10 + 6 * 20;
    const size_t record = firstIndex + 4 * 6;
    struct Corruption
    {
        const char* what;
        size_t at;
        uint16_t value;
    } table[] = {
        {"index equal to the vertex count", firstIndex + 2, 6}, {"index far outside", firstIndex + 22, 0xFFFF},
        {"run starts past the list", record + 4, 12},           {"run ends past the list", record + 6, 5},
        {"run start plus count past the list", record + 4, 3},  {"vertex count larger than the file", 4, 7},
        {"triangle count smaller than the file", 6, 3},         {"material count larger", 8, 2},
    };
    for (const auto& c : table)
    {
        SCOPED_TRACE(c.what);
        Bytes b = good;
        PutU16At(b, c.at, c.value);
        SingleObjectData out;
        EXPECT_NE(ReadSingleObjectFile(b.data(), b.size(), out), 0);
        EXPECT_TRUE(out.vertices.empty() && out.materials.empty());
    }
    // A name length reaching past the end.
    Bytes b = good;
    const size_t nameLen = record + 8;
    b[nameLen + 3] = 0x7F;
    SingleObjectData out;
    EXPECT_NE(ReadSingleObjectFile(b.data(), b.size(), out), 0);
}

TEST(SceneFormats, TrackRoundTripsAndZeroFrameTracks)
{
    CameraPathData cam;
    cam.eyes = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    cam.targets = {{-1, -2, -3}, {-4, -5, -6}, {-7, -8, -9}};
    const Bytes cb = WriteCameraPathFile(cam);
    EXPECT_EQ(U32At(cb, 0), 2u);
    CameraPathData cout;
    ASSERT_EQ(ReadCameraPathFile(cb.data(), cb.size(), cout), 0);
    EXPECT_EQ(cout.eyes[2].z, 9.0f);
    EXPECT_EQ(cout.targets[1].y, -5.0f);

    TrajectoryData traj;
    traj.frames = 2;
    for (int i = 0; i < 6; ++i)
        traj.matrices.push_back(Numbered(float(100 * i)));
    const Bytes tb = WriteTrajectoryFile(traj);
    EXPECT_EQ(U32At(tb, 0), 3u);
    TrajectoryData tout;
    ASSERT_EQ(ReadTrajectoryFile(tb.data(), tb.size(), tout), 0);
    EXPECT_EQ(tout.frames, 2u);
    // Object-major: object 2, frame 1 is the sixth matrix.
    EXPECT_EQ(tout.matrices[2 * 2 + 1].m[3][0], 512.0f);

    // Tracks without frames could never be indexed.
    const Bytes emptyCam = {2, 0, 0, 0, 0, 0, 0, 0};
    const Bytes emptyTraj = {3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_NE(ReadCameraPathFile(emptyCam.data(), emptyCam.size(), cout), 0);
    EXPECT_NE(ReadTrajectoryFile(emptyTraj.data(), emptyTraj.size(), tout), 0);
    // An empty instance list is a valid, if bare, placement set.
    InstanceListData lout;
    const Bytes emptyList = {0, 0, 0, 0};
    EXPECT_EQ(ReadInstanceListFile(emptyList.data(), emptyList.size(), lout), 0);
    // A count so large that count x record size wraps 32 bits.
    const Bytes huge = {0x00, 0x00, 0x00, 0x04, 1, 2, 3, 4};
    EXPECT_NE(ReadInstanceListFile(huge.data(), huge.size(), lout), 0);
    EXPECT_NE(ReadInstanceListFile(nullptr, 100, lout), 0);
}

TEST(SceneFormats, SkinAnimLinkRoundTripsAndBoneChecks)
{
    const SkinData skin = SmallSkin();
    Bytes sb = WriteSkinFile(skin);
    EXPECT_EQ(sb[0], 6);
    EXPECT_EQ(sb[2], 1);
    EXPECT_EQ(sb[8], 1);
    EXPECT_EQ(sb[9], 3);
    SkinData sout;
    ASSERT_EQ(ReadSkinFile(sb.data(), sb.size(), sout), 0);
    EXPECT_EQ(sout.bones, skin.bones);
    EXPECT_EQ(sout.positions[4].z, -4.0f);
    EXPECT_EQ(sout.texcoords, skin.texcoords);
    EXPECT_EQ(sout.indices, skin.indices);
    float weight;
    std::memcpy(&weight, &sb[10 + 13 * 5], 4);
    EXPECT_EQ(weight, 1.0f);

    Bytes badBone = sb;
    badBone[10 + 4] = 3; // B is 3
    EXPECT_NE(ReadSkinFile(badBone.data(), badBone.size(), sout), 0);
    Bytes badIndex = sb;
    PutU16At(badIndex, 10 + 25 * 5 + 10, 5);
    EXPECT_NE(ReadSkinFile(badIndex.data(), badIndex.size(), sout), 0);

    const AnimData anim = SmallAnim(2, 3);
    const Bytes ab = WriteAnimFile(anim);
    AnimData aout;
    ASSERT_EQ(ReadAnimFile(ab.data(), ab.size(), aout), 0);
    EXPECT_EQ(aout.Frame(2)[1].m[0][0], 5.0f); // frame-major: frame 2, bone 1 is matrix 5
    const Bytes noBones = {5, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_NE(ReadAnimFile(noBones.data(), noBones.size(), aout), 0);

    LinkAnimData link;
    link.cards = {Numbered(3), Numbered(4)};
    link.bones = {1, 2};
    const Bytes lb = WriteLinkAnimFile(link);
    LinkAnimData lout;
    ASSERT_EQ(ReadLinkAnimFile(lb.data(), lb.size(), lout, 3), 0);
    EXPECT_EQ(lout.bones, link.bones);
    EXPECT_EQ(lout.cards[1].m[3][3], 19.0f);
    EXPECT_NE(ReadLinkAnimFile(lb.data(), lb.size(), lout, 2), 0);
    EXPECT_TRUE(lout.cards.empty());
}

TEST(SceneFormats, CollisionFacePlanes)
{
    // The water quad's first face as the data gives it.
    CollFace f;
    ASSERT_TRUE(
        MakeCollFace({162.3071f, 15.1289f, -603.6567f}, {-100, 15.1289f, -603.6567f}, {-100, 15.1289f, 600}, f));
    EXPECT_NEAR(f.n.y, 1.0f, 1e-6);
    EXPECT_NEAR(f.nab.z, 1.0f, 1e-6);
    // Each corner lies on the edge plane through the previous one, and the
    // centroid is inside all three.
    auto dot = [](gfx::Vec3 p, gfx::Vec3 q, gfx::Vec3 n) {
        return (p.x - q.x) * n.x + (p.y - q.y) * n.y + (p.z - q.z) * n.z;
    };
    EXPECT_NEAR(dot(f.b, f.a, f.nab), 0.0f, 0.01f);
    EXPECT_NEAR(dot(f.c, f.b, f.nbc), 0.0f, 0.01f);
    const gfx::Vec3 mid = {(f.a.x + f.b.x + f.c.x) / 3, 15.1289f, (f.a.z + f.b.z + f.c.z) / 3};
    EXPECT_GT(dot(mid, f.a, f.nab), 0);
    EXPECT_GT(dot(mid, f.b, f.nbc), 0);
    EXPECT_GT(dot(mid, f.c, f.nca), 0);
    EXPECT_FALSE(MakeCollFace({0, 0, 0}, {1, 1, 1}, {2, 2, 2}, f));

    CollFaceData d;
    d.faces = {f};
    const Bytes b = WriteCollFaceFile(d);
    CollFaceData out;
    ASSERT_EQ(ReadCollFaceFile(b.data(), b.size(), out), 0);
    EXPECT_EQ(std::memcmp(&out.faces[0], &f, sizeof f), 0);
}

} // namespace
