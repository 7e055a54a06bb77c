// Duck trajectory, placement lists and collision faces: loading from the
// data archive, sampling, and what a bad or missing file leaves behind.
#include <gtest/gtest.h>

#include <vector>

#include "data/RarWriter.h"
#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/TransObjFile.h"
#include "src/ClassBase/TransformList.h"

namespace {

gfx::Mat4 Tagged(float tag)
{
    gfx::Mat4 m = gfx::MatrixIdentity();
    m.m[3][0] = tag;
    return m;
}

// Trajectory whose matrix for object k, frame f carries k x 10000 + f.
std::vector<uint8_t> TrajectoryFile(uint32_t frames)
{
    TrajectoryData d;
    d.frames = frames;
    for (uint32_t k = 0; k < 3; ++k)
        for (uint32_t f = 0; f < frames; ++f)
            d.matrices.push_back(Tagged(static_cast<float>(k * 10000 + f)));
    return WriteTrajectoryFile(d);
}

std::vector<uint8_t> PlacementFile(uint32_t count)
{
    InstanceListData d;
    for (uint32_t i = 0; i < count; ++i)
        d.placements.push_back(Tagged(static_cast<float>(i)));
    return WriteInstanceListFile(d);
}

std::vector<uint8_t> FaceFile()
{
    CollFaceData d;
    CollFace f;
    // the water quad of the scene, as two triangles at y = 15.1289
    EXPECT_TRUE(MakeCollFace({0, 15.1289f, 0}, {0, 15.1289f, 100}, {100, 15.1289f, 0}, f));
    d.faces.push_back(f);
    EXPECT_TRUE(MakeCollFace({100, 15.1289f, 0}, {0, 15.1289f, 100}, {100, 15.1289f, 100}, f));
    d.faces.push_back(f);
    // a slope above it
    EXPECT_TRUE(MakeCollFace({200, 20, 0}, {200, 40, 100}, {300, 30, 0}, f));
    d.faces.push_back(f);
    return WriteCollFaceFile(d);
}

class TracksArchive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        rar::CRarWriter writer;
        ASSERT_TRUE(writer.AddFile("duck_traectory.transobj", TrajectoryFile(1000)));
        ASSERT_TRUE(writer.AddFile("kamish.transobj", PlacementFile(17)));
        ASSERT_TRUE(writer.AddFile("coll.collface", FaceFile()));
        CameraPathData cam;
        cam.eyes = {{1, 50, 2}, {3, 50, 4}};
        cam.targets = {{9, 40, 9}, {9, 40, 9}};
        ASSERT_TRUE(writer.AddFile("camera\\camera01.transobj", WriteCameraPathFile(cam)));
        std::vector<uint8_t> cut = PlacementFile(4);
        cut.pop_back();
        ASSERT_TRUE(writer.AddFile("short.transobj", cut));
        m_bytes = writer.Bytes();
        m_archive = {m_bytes.data(), static_cast<uint32_t>(m_bytes.size()), 0};
    }

    std::vector<unsigned char> m_bytes;
    ArchiveView m_archive = {};
};

TEST_F(TracksArchive, TrajectorySamplesTwentyTimesASecondAndWraps)
{
    ObjectTrajectory t;
    ASSERT_EQ(t.LoadFrom(m_archive, "duck_traectory.transobj"), 0);
    ASSERT_EQ(t.m_nCount, 1000);

    struct Case
    {
        uint32_t nowMs;
        int index;
    };
    const Case cases[] = {{0, 0}, {49, 0}, {50, 1}, {49999, 999}, {50000, 0}, {0xFFFFFFFFu, 345}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(t.SampleIndex(c.nowMs), c.index) << c.nowMs;
        for (int k = 0; k < 3; ++k)
        {
            const gfx::Mat4* m = t.Matrix(k, c.nowMs);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->m[3][0], static_cast<float>(k * 10000 + c.index)) << c.nowMs << " object " << k;
        }
    }
    EXPECT_EQ(t.Matrix(3, 0), nullptr);
    EXPECT_EQ(t.Matrix(-1, 0), nullptr);
}

TEST_F(TracksArchive, PlacementsAreCopiedAsTheyStand)
{
    CTransformList list;
    ASSERT_EQ(list.LoadFrom(m_archive, "kamish.transobj"), 0);
    ASSERT_EQ(list.m_nCount, 17u);
    for (uint32_t i = 0; i < list.m_nCount; ++i)
        EXPECT_EQ(list.m_pMatrices[i].m[3][0], static_cast<float>(i));
    list.Release();
    EXPECT_EQ(list.m_nCount, 0u);
    EXPECT_EQ(list.m_pMatrices, nullptr);
}

TEST_F(TracksArchive, CameraPathFromTheArchive)
{
    CCameraPath path;
    ASSERT_EQ(path.LoadFrom(m_archive, "camera/camera01.transobj"), 0); // either separator
    EXPECT_EQ(path.m_nCount, 2);
    EXPECT_EQ(path.m_pEye[1].x, 3.0f);
}

TEST_F(TracksArchive, CollisionFacesAndTheirPlanes)
{
    CCollisionFaces faces;
    ASSERT_EQ(faces.LoadFrom(m_archive, "coll.collface"), 0);
    ASSERT_EQ(faces.m_nCount, 3);
    const CollFace& f = faces.m_pFaces[0];
    EXPECT_NEAR(f.n.y, 1.0f, 1e-6f);
    EXPECT_NEAR(f.nab.x, 1.0f, 1e-6f); // edge along +z, inside towards +x

    struct Case
    {
        gfx::Vec3 p;
        bool over;
        float height;
    };
    const Case cases[] = {
        {{10, 20, 10}, true, 20 - 15.1289f}, // first triangle
        {{90, 15, 90}, true, 15 - 15.1289f}, // second one, just under the water
        {{-1, 20, 10}, false, 0},            // beside the water
        {{210, 50, 10}, true, 0},            // over the slope (height checked below)
        {{500, 50, 500}, false, 0},
    };
    for (const Case& c : cases)
    {
        float h = -999.0f;
        EXPECT_EQ(faces.HeightAbove(c.p, h), c.over) << c.p.x << "," << c.p.z;
        if (c.over && c.p.x < 150)
            EXPECT_NEAR(h, c.height, 1e-3f);
    }
    // on the slope the height is measured along the face normal
    float h = 0.0f;
    ASSERT_TRUE(faces.HeightAbove({210, 50, 10}, h));
    const CollFace& s = faces.m_pFaces[2];
    const float expected = (210 - s.a.x) * s.n.x + (50 - s.a.y) * s.n.y + (10 - s.a.z) * s.n.z;
    EXPECT_NEAR(h, expected, 1e-3f);
    EXPECT_GT(h, 0.0f);
}

TEST_F(TracksArchive, MissingOrBadFilesGiveAStatusAndAnEmptyObject)
{
    const char* const names[] = {"missing.transobj", "short.transobj", "coll.collface"};
    for (const char* name : names)
    {
        ObjectTrajectory t;
        EXPECT_NE(t.LoadFrom(m_archive, name), 0) << name;
        EXPECT_EQ(t.m_nCount, 0);
        EXPECT_EQ(t.SampleIndex(12345), -1);
        EXPECT_EQ(t.Matrix(0, 12345), nullptr);
    }
    for (const char* name : {"missing.transobj", "short.transobj"})
    {
        CTransformList list;
        EXPECT_NE(list.LoadFrom(m_archive, name), 0) << name;
        EXPECT_EQ(list.m_nCount, 0u);
        EXPECT_EQ(list.m_pMatrices, nullptr);
    }
    for (const char* name : {"missing.collface", "kamish.transobj"})
    {
        CCollisionFaces faces;
        EXPECT_NE(faces.LoadFrom(m_archive, name), 0) << name;
        EXPECT_EQ(faces.m_nCount, 0);
        float h;
        EXPECT_FALSE(faces.HeightAbove({10, 20, 10}, h));
    }
    // a failed reload empties what was there
    ObjectTrajectory t;
    ASSERT_EQ(t.LoadFrom(m_archive, "duck_traectory.transobj"), 0);
    EXPECT_NE(t.LoadFrom(m_archive, "missing.transobj"), 0);
    EXPECT_EQ(t.m_pMatrices, nullptr);
}

} // namespace
