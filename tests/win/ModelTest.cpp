// Static models on the recording device: loading into buffers and textures,
// the three blend modes with their texture factors, one draw per material,
// release, and models whose file is missing or malformed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassBase/win/Model.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/common/GfxTestImages.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"

namespace {

// 4 vertices, 3 triangles: material 0 draws triangles 0-1 with "bank.tga",
// material 1 triangle 2 with a texture the archive lacks.
SingleObjectData TwoMaterialMesh()
{
    SingleObjectData d;
    d.vertices = {{0, 15, 0, 0, 0}, {10, 15, 0, 1, 0}, {10, 15, 10, 1, 1}, {0, 20, 10, 0, 1}};
    d.indices = {0, 1, 2, 0, 2, 3, 1, 3, 2};
    d.materials.resize(2);
    d.materials[0].firstIndex = 0;
    d.materials[0].triangleCount = 2;
    d.materials[0].texture = "bank.psd";
    d.materials[1].firstIndex = 6;
    d.materials[1].triangleCount = 1;
    d.materials[1].texture = "gone.dds";
    return d;
}

D3DMATRIX Translation(float x, float y, float z)
{
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    m._41 = x;
    m._42 = y;
    m._43 = z;
    return m;
}

class ModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = g_pd3dDevice;
        g_pd3dDevice = &device;
        ClearTextureStageCache();

        std::vector<uint8_t> rgba(8 * 8 * 4, 0xC0);
        const std::vector<uint8_t> tga = gfxtest::MakeTga(8, 8, rgba, {32, false, false});
        const std::vector<uint8_t> mesh = WriteSingleObjectFile(TwoMaterialMesh());
        ASSERT_FALSE(mesh.empty());
        std::vector<uint8_t> cut(mesh.begin(), mesh.end() - 3);
        std::vector<uint8_t> badIndex = mesh;
        badIndex[10 + 4 * 20] = 9; // first index points past the 4 vertices

        rar::CRarWriter writer;
        ASSERT_TRUE(writer.AddFile("bank.tga", tga, rar::PackMethod::Store));
        ASSERT_TRUE(writer.AddFile("two.singleobject", mesh));
        ASSERT_TRUE(writer.AddFile("cut.singleobject", cut));
        ASSERT_TRUE(writer.AddFile("badindex.singleobject", badIndex));
        m_archiveBytes = writer.Bytes();
        archive = {m_archiveBytes.data(), static_cast<uint32_t>(m_archiveBytes.size()), 0};
    }
    void TearDown() override
    {
        g_pd3dDevice = m_saved;
        ClearTextureStageCache();
    }

    std::vector<fake3d::FakeDrawCall> DrawsOf(void (CModel::*variant)(const D3DMATRIX&, float, bool), CModel& model,
                                              const D3DMATRIX& world, float fade, bool alphaTest)
    {
        device.ResetRecording();
        device.BeginScene();
        (model.*variant)(world, fade, alphaTest);
        device.EndScene();
        return device.draws;
    }

    fake3d::FakeDirect3D9 d3d; // texture creation asks the device's Direct3D about formats
    fake3d::FakeDirect3DDevice9& device = d3d.device;
    ArchiveView archive = {};
    testsupport::ScopedLogCapture log;

private:
    IDirect3DDevice9* m_saved = nullptr;
    std::vector<unsigned char> m_archiveBytes;
};

TEST_F(ModelTest, LoadFillsBuffersAndMaterials)
{
    CModel model;
    EXPECT_EQ(model.m_dwColor, 0xFFFFFFFFu);
    model.m_dwColor = 0x12345678;
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    EXPECT_EQ(model.m_dwColor, 0xFFFFFFFFu);

    ASSERT_EQ(device.createdVertexBuffers.size(), 1u);
    const fake3d::FakeVertexBuffer& vb = *device.createdVertexBuffers[0];
    EXPECT_EQ(vb.desc.FVF, 0x102u);
    EXPECT_EQ(vb.desc.Usage, DWORD(D3DUSAGE_WRITEONLY));
    EXPECT_EQ(vb.desc.Pool, D3DPOOL_MANAGED);
    ASSERT_EQ(vb.bytes.size(), 4u * 20u);
    const SingleObjectData mesh = TwoMaterialMesh();
    EXPECT_EQ(0, memcmp(vb.bytes.data(), mesh.vertices.data(), 80));
    EXPECT_FALSE(vb.locked);

    ASSERT_EQ(device.createdIndexBuffers.size(), 1u);
    const fake3d::FakeIndexBuffer& ib = *device.createdIndexBuffers[0];
    EXPECT_EQ(ib.desc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(ib.desc.Pool, D3DPOOL_MANAGED);
    ASSERT_EQ(ib.bytes.size(), 9u * 2u);
    EXPECT_EQ(0, memcmp(ib.bytes.data(), mesh.indices.data(), 18));

    ASSERT_EQ(model.m_nMaterials, 2u);
    EXPECT_EQ(model.m_pMaterials[0].m_nFirstIndex, 0);
    EXPECT_EQ(model.m_pMaterials[0].m_nTriangleCount, 2);
    EXPECT_NE(model.m_pMaterials[0].m_pTexture, nullptr);
    EXPECT_EQ(model.m_pMaterials[1].m_nFirstIndex, 6);
    EXPECT_EQ(model.m_pMaterials[1].m_nTriangleCount, 1);
    // a texture that is not there leaves the material untextured
    EXPECT_EQ(model.m_pMaterials[1].m_pTexture, nullptr);
    EXPECT_NE(log.Text().find("error load texture\tgone.tga"), std::string::npos) << log.Text();
}

TEST_F(ModelTest, BlendModesFactorsAndOneDrawPerMaterial)
{
    CModel model;
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    IDirect3DBaseTexture9* bank = model.m_pMaterials[0].m_pTexture;

    using Variant = void (CModel::*)(const D3DMATRIX&, float, bool);
    struct Case
    {
        const char* name;
        Variant variant;
        DWORD colour;
        float fade;
        bool alphaTest;
        DWORD factor, src, dest;
    };
    const Case cases[] = {
        {"Render", &CModel::Render, 0xFFFFFFFF, 0.5f, true, 0x7FFFFFFF, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
        {"Render tinted", &CModel::Render, 0x80FF4020, 0.5f, false, 0x407F2010, D3DBLEND_SRCALPHA,
         D3DBLEND_INVSRCALPHA},
        {"RenderMultiply", &CModel::RenderMultiply, 0xFFFFFFFF, 1.0f, false, 0xFFFFFFFF, D3DBLEND_DESTCOLOR,
         D3DBLEND_ZERO},
        {"RenderMultiply 0.2", &CModel::RenderMultiply, 0xFFFFFFFF, 0.2f, true, 0x33FFFFFF, D3DBLEND_DESTCOLOR,
         D3DBLEND_ZERO},
        {"RenderAdditive", &CModel::RenderAdditive, 0xFFFFFFFF, 0.5f, false, 0x7F7F7F7F, D3DBLEND_ONE, D3DBLEND_ONE},
    };
    const D3DMATRIX world = Translation(3, -4, 5);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClearTextureStageCache(); // the recording forgets states between cases
        model.m_dwColor = c.colour;
        const std::vector<fake3d::FakeDrawCall> draws = DrawsOf(c.variant, model, world, c.fade, c.alphaTest);
        ASSERT_EQ(draws.size(), 2u);
        const UINT first[] = {0, 6};
        const UINT count[] = {2, 1};
        IDirect3DBaseTexture9* const textures[] = {bank, nullptr};
        for (size_t i = 0; i < 2; ++i)
        {
            const fake3d::FakeDrawCall& d = draws[i];
            EXPECT_EQ(d.method, "DrawIndexedPrimitive");
            EXPECT_EQ(d.type, D3DPT_TRIANGLELIST);
            EXPECT_EQ(d.baseVertex, 0);
            EXPECT_EQ(d.minIndex, 0u);
            EXPECT_EQ(d.numVertices, 4u);
            EXPECT_EQ(d.startIndex, first[i]);
            EXPECT_EQ(d.primitiveCount, count[i]);
            const fake3d::FakeDeviceState& s = d.state;
            EXPECT_EQ(s.Texture(0), textures[i]);
            EXPECT_EQ(s.RenderState(D3DRS_TEXTUREFACTOR), c.factor);
            EXPECT_EQ(s.RenderState(D3DRS_ALPHATESTENABLE), DWORD(c.alphaTest));
            EXPECT_EQ(s.RenderState(D3DRS_ALPHABLENDENABLE), DWORD(TRUE));
            EXPECT_EQ(s.RenderState(D3DRS_SRCBLEND), c.src);
            EXPECT_EQ(s.RenderState(D3DRS_DESTBLEND), c.dest);
            ASSERT_NE(s.Transform(D3DTS_WORLD), nullptr);
            EXPECT_EQ(0, memcmp(s.Transform(D3DTS_WORLD), &world, sizeof world));
            EXPECT_EQ(s.fvf, 0x102u);
            EXPECT_EQ(s.indices, device.createdIndexBuffers[0]);
            ASSERT_EQ(s.streams.count(0), 1u);
            EXPECT_EQ(s.streams.at(0).buffer, device.createdVertexBuffers[0]);
            EXPECT_EQ(s.streams.at(0).stride, 20u);
            EXPECT_EQ(s.streams.at(0).offset, 0u);

            struct Stage
            {
                DWORD stage;
                D3DTEXTURESTAGESTATETYPE type;
                DWORD value;
            };
            const Stage stages[] = {
                {0, D3DTSS_RESULTARG, D3DTA_CURRENT}, {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
                {0, D3DTSS_COLORARG2, D3DTA_TFACTOR}, {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
                {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR},
                {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
                {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
            };
            for (const Stage& st : stages)
                EXPECT_EQ(s.TextureStageState(st.stage, st.type, 0xDEAD), st.value) << st.stage << "/" << st.type;
        }
    }
}

TEST_F(ModelTest, StageStatesGoThroughTheCache)
{
    CModel model;
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    const D3DMATRIX world = Translation(0, 0, 0);
    DrawsOf(&CModel::Render, model, world, 1.0f, true);
    EXPECT_EQ(device.CountCalls("SetTextureStageState"), 9);
    // the cache knows them all now: the next model sets none
    DrawsOf(&CModel::RenderAdditive, model, world, 1.0f, true);
    EXPECT_EQ(device.CountCalls("SetTextureStageState"), 0);
    EXPECT_EQ(device.draws.size(), 2u);
    // someone else changed a state through the cache: only that one is set back
    SetTextureStageStateCached(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    DrawsOf(&CModel::RenderMultiply, model, world, 1.0f, true);
    EXPECT_EQ(device.CallTexts({"SetTextureStageState"}), std::vector<std::string>{"SetTextureStageState(0, 1, 4)"});
}

TEST_F(ModelTest, FailingSetTextureIsLoggedByRenderOnlyAndDrawingGoesOn)
{
    CModel model;
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    IDirect3DBaseTexture9* bank = model.m_pMaterials[0].m_pTexture;
    device.SetResultWhen(
        "SetTexture", [bank](const fake3d::FakeCall& call) { return call.args[1] == uint64_t(bank); },
        D3DERR_INVALIDCALL);
    const D3DMATRIX world = Translation(0, 0, 0);
    const std::string before = log.Text();

    EXPECT_EQ(DrawsOf(&CModel::Render, model, world, 1.0f, true).size(), 2u);
    const std::string logged = log.Text().substr(before.size());
    EXPECT_EQ(logged.rfind(std::to_string(int(D3DERR_INVALIDCALL)) + " src/ClassBase/win/Model.cpp ", 0), 0u) << logged;
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 1);

    EXPECT_EQ(DrawsOf(&CModel::RenderMultiply, model, world, 1.0f, true).size(), 2u);
    EXPECT_EQ(DrawsOf(&CModel::RenderAdditive, model, world, 1.0f, true).size(), 2u);
    EXPECT_EQ(log.Text().size(), before.size() + logged.size());
}

TEST_F(ModelTest, MissingOrMalformedFilesLoadNothingAndDrawNothing)
{
    const char* const names[] = {"absent.singleobject", "cut.singleobject", "badindex.singleobject"};
    for (const char* name : names)
    {
        SCOPED_TRACE(name);
        CModel model;
        EXPECT_NE(model.LoadFrom(archive, name), 0);
        EXPECT_FALSE(model.IsLoaded());
        EXPECT_EQ(model.m_pMaterials, nullptr);
        EXPECT_EQ(model.m_VertexBuffer.m_pRenderBuffer, nullptr);
        EXPECT_EQ(model.m_FaceBuffer.m_pRenderBuffer, nullptr);
        const D3DMATRIX world = Translation(0, 0, 0);
        EXPECT_TRUE(DrawsOf(&CModel::Render, model, world, 1.0f, true).empty());
        EXPECT_TRUE(DrawsOf(&CModel::RenderMultiply, model, world, 1.0f, true).empty());
        EXPECT_TRUE(DrawsOf(&CModel::RenderAdditive, model, world, 1.0f, true).empty());
        EXPECT_NE(log.Text().find(name), std::string::npos);
    }
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

TEST_F(ModelTest, FailedBufferCreationLeavesAnEmptyModel)
{
    for (const char* method : {"CreateVertexBuffer", "CreateIndexBuffer"})
    {
        SCOPED_TRACE(method);
        device.ClearResults();
        device.SetResult(method, E_OUTOFMEMORY);
        CModel model;
        EXPECT_NE(model.LoadFrom(archive, "two.singleobject"), 0);
        EXPECT_FALSE(model.IsLoaded());
        EXPECT_EQ(device.OutstandingReferences(), 0u);
    }
}

TEST_F(ModelTest, ReleaseGivesBackEverythingAndCanRepeat)
{
    CModel model;
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    EXPECT_GT(device.OutstandingReferences(), 0u);
    model.Release();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
    EXPECT_EQ(model.m_nMaterials, 0u);
    model.Release();
    for (const fake3d::FakeTexture* t : device.createdTextures)
        EXPECT_EQ(t->OverReleases(), 0);

    // reloading replaces what was there
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    ASSERT_EQ(model.LoadFrom(archive, "two.singleobject"), 0);
    {
        CModel second;
        ASSERT_EQ(second.LoadFrom(archive, "two.singleobject"), 0);
    } // the destructor releases
    model.Release();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

} // namespace
