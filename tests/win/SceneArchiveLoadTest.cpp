// The scene classes read from the executable's own data archive (the test
// executable carries a small sample archive as resource 454, whose
// camera01.transobj is 768 bytes: no whole number of frames).
#include <gtest/gtest.h>

#include <string>

#include "data/win/ArchiveResource.h"
#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/TransformList.h"
#include "src/ClassBase/win/Model.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"

TEST(SceneArchiveLoad, FoundButMalformedAndMissingFilesAreToldApart)
{
    testsupport::ScopedLogCapture log;
    CCameraPath path;
    EXPECT_NE(path.LoadFrom(ExecutableArchive(), "camera\\camera01.transobj"), 0);
    EXPECT_EQ(path.m_nCount, 0);
    EXPECT_NE(log.Text().find("camera path camera\\camera01.transobj: bad file"), std::string::npos) << log.Text();
    // the projection is built whatever the file holds
    EXPECT_NE(path.m_mProjection.m[2][3], 0.0f);

    EXPECT_NE(path.LoadFrom(ExecutableArchive(), "camera\\camera15.transobj"), 0);
    EXPECT_NE(log.Text().find("camera path camera\\camera15.transobj: not in the archive"), std::string::npos)
        << log.Text();

    ObjectTrajectory trajectory;
    EXPECT_NE(trajectory.LoadFrom(ExecutableArchive(), "duck_traectory.transobj"), 0);
    EXPECT_EQ(trajectory.m_nCount, 0);
    CTransformList placements;
    EXPECT_NE(placements.LoadFrom(ExecutableArchive(), "kamish.transobj"), 0);
    EXPECT_EQ(placements.m_nCount, 0u);
    CCollisionFaces faces;
    EXPECT_NE(faces.LoadFrom(ExecutableArchive(), "coll.collface"), 0);
    EXPECT_EQ(faces.m_nCount, 0);
    EXPECT_NE(log.Text().find("coll.collface"), std::string::npos);
}

TEST(SceneArchiveLoad, ModelMissingFromTheExecutableArchive)
{
    testsupport::ScopedLogCapture log;
    fake3d::FakeDirect3D9 d3d;
    IDirect3DDevice9* saved = g_pd3dDevice;
    g_pd3dDevice = &d3d.device;
    {
        CModel model;
        EXPECT_NE(model.Load("scene.singleobject"), 0);
        EXPECT_FALSE(model.IsLoaded());
        EXPECT_TRUE(d3d.device.createdVertexBuffers.empty());
    }
    g_pd3dDevice = saved;
    EXPECT_NE(log.Text().find("model scene.singleobject: not in the archive"), std::string::npos) << log.Text();
}
