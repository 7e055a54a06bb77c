// Vertex and index buffer records: the size table, creation with its one
// retry in the managed pool, release, and the error records in the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"

namespace {

// The pool argument of a recorded CreateVertexBuffer / CreateIndexBuffer.
fake3d::CallMatcher InPool(D3DPOOL pool)
{
    return [pool](const fake3d::FakeCall& call) { return call.args.size() > 3 && call.args[3] == DWORD(pool); };
}

class RenderBufferTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = g_pd3dDevice;
        g_pd3dDevice = &device;
    }
    void TearDown() override { g_pd3dDevice = m_saved; }

    // The log holds exactly these errors, each a message record and a
    // location record; the log is emptied for the next check.
    void ExpectErrors(const std::vector<std::string>& messages)
    {
        const std::vector<std::string> lines = log.Lines();
        ASSERT_EQ(lines.size(), messages.size() * 2);
        for (size_t i = 0; i < messages.size(); ++i)
        {
            EXPECT_EQ(lines[2 * i], "***ERROR!!! " + messages[i]);
            const std::string& where = lines[2 * i + 1];
            const std::string prefix = "[ src\\ClassRender\\RenderTypes.cpp ";
            EXPECT_EQ(where.rfind(prefix, 0), 0u) << where;
            EXPECT_EQ(where.substr(where.size() - 2), " ]") << where;
            EXPECT_GT(std::atoi(where.c_str() + prefix.size()), 0) << "line number in " << where;
        }
        std::remove(log.Path().c_str());
    }

    fake3d::FakeDirect3DDevice9 device;
    testsupport::ScopedLogCapture log;

private:
    IDirect3DDevice9* m_saved = nullptr;
};

TEST_F(RenderBufferTest, SizeTableAndItsRefusals)
{
    struct VertexCase
    {
        DWORD fvf;
        UINT count;
        int status;
        UINT vertexSize, size;
        const char* message;
    };
    const VertexCase vertexCases[] = {
        {0x042, 10, 0, 16, 160, nullptr},
        {0x102, 10, 0, 20, 200, nullptr},
        {0x142, 10, 0, 24, 240, nullptr},
        {0x202, 4, 0, 28, 112, nullptr},
        {0x102, 0, 1, 0, 0, "RACalculateVertexSize m_nCount==0"},
        {0x002, 0, 1, 0, 0, "RACalculateVertexSize m_nCount==0"}, // the count is checked first
        {0x112, 10, 1, 0, 0, "CALCULATE_VERTEX_SIZE unknow format vertex"},
        {0x202, 0x10000000, 1, 0, 0, "RACalculateVertexSize m_nCount too large"},
    };
    for (const VertexCase& c : vertexCases)
    {
        SCOPED_TRACE(testing::Message() << "fvf " << c.fvf << " count " << c.count);
        UINT vertexSize = 0, size = 0;
        EXPECT_EQ(RACalculateVertexSize(c.fvf, c.count, &vertexSize, &size), c.status);
        if (c.status == 0)
        {
            EXPECT_EQ(vertexSize, c.vertexSize);
            EXPECT_EQ(size, c.size);
            ExpectErrors({});
        }
        else
        {
            ExpectErrors({c.message});
        }
    }

    struct FaceCase
    {
        D3DFORMAT format;
        D3DPRIMITIVETYPE type;
        UINT count;
        int status;
        UINT size;
        const char* message;
    };
    const FaceCase faceCases[] = {
        {D3DFMT_INDEX16, D3DPT_TRIANGLESTRIP, 10, 0, 24, nullptr},
        {D3DFMT_INDEX16, D3DPT_TRIANGLEFAN, 10, 0, 42, nullptr},
        {D3DFMT_INDEX32, D3DPT_TRIANGLELIST, 10, 0, 120, nullptr},
        {D3DFMT_INDEX16, D3DPT_TRIANGLELIST, 0, 1, 0, "RACalculateFaceSize m_nCount==0"},
        {D3DFMT_A8R8G8B8, D3DPT_TRIANGLELIST, 10, 1, 0, "CALCULATE_FACE_SIZE unknow format face"},
        {D3DFMT_INDEX16, D3DPT_LINELIST, 10, 1, 0, "CALCULATE_FACE_SIZE unknow format face"},
        {D3DFMT_INDEX32, D3DPT_TRIANGLELIST, 0x20000000, 1, 0, "RACalculateFaceSize m_nCount too large"},
    };
    for (const FaceCase& c : faceCases)
    {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " type " << c.type << " count " << c.count);
        UINT size = 0;
        EXPECT_EQ(RACalculateFaceSize(c.format, c.count, c.type, &size), c.status);
        if (c.status == 0)
        {
            EXPECT_EQ(size, c.size);
            ExpectErrors({});
        }
        else
        {
            ExpectErrors({c.message});
        }
    }
}

TEST_F(RenderBufferTest, CreationRetriesOnceInTheManagedPool)
{
    // first try succeeds: one call with the record's own settings
    CVertexRenderBuffer quad(D3DUSAGE_WRITEONLY, 0x202, D3DPOOL_MANAGED);
    quad.m_nCount = 4;
    EXPECT_EQ(quad.CreateRenderBuffer(), 0);
    ASSERT_NE(quad.m_pRenderBuffer, nullptr);
    ASSERT_EQ(device.CountCalls("CreateVertexBuffer"), 1);
    EXPECT_EQ(device.CallTexts({"CreateVertexBuffer"})[0].rfind("CreateVertexBuffer(112, 8, 514, 1, ", 0), 0u)
        << device.CallTexts({"CreateVertexBuffer"})[0];
    EXPECT_EQ(quad.m_nVertexSize, 28u);
    EXPECT_EQ(quad.m_nSize, 112u);

    // the default pool refused: exactly one more try, in the managed pool
    device.ClearCalls();
    device.SetResultWhen("CreateVertexBuffer", InPool(D3DPOOL_DEFAULT), D3DERR_OUTOFVIDEOMEMORY);
    device.SetResultWhen("CreateIndexBuffer", InPool(D3DPOOL_DEFAULT), D3DERR_OUTOFVIDEOMEMORY);
    CVertexRenderBuffer rain(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x042, D3DPOOL_DEFAULT);
    rain.m_nCount = 100;
    EXPECT_EQ(rain.CreateRenderBuffer(), 0);
    ASSERT_EQ(device.Calls().size(), 2u);
    CFaceRenderBuffer faces(D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_DEFAULT);
    faces.m_nCount = 7;
    EXPECT_EQ(faces.CreateRenderBuffer(), 0);
    const std::vector<fake3d::FakeCall>& calls = device.Calls();
    ASSERT_EQ(calls.size(), 4u);
    for (size_t i = 0; i < 4; i += 2)
    {
        SCOPED_TRACE(calls[i].text);
        EXPECT_EQ(calls[i].args[3], DWORD(D3DPOOL_DEFAULT));
        EXPECT_TRUE(FAILED(calls[i].result));
        EXPECT_EQ(calls[i + 1].method, calls[i].method);
        EXPECT_EQ(calls[i + 1].args[3], DWORD(D3DPOOL_MANAGED));
        for (int k = 0; k < 3; ++k) // size, usage, format unchanged
            EXPECT_EQ(calls[i + 1].args[k], calls[i].args[k]);
    }
    EXPECT_EQ(calls[0].args[0], 1600u);
    EXPECT_EQ(calls[0].args[1], DWORD(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));
    EXPECT_EQ(calls[0].args[2], 0x042u);
    EXPECT_EQ(calls[2].args[0], 42u);
    EXPECT_EQ(calls[2].args[2], DWORD(D3DFMT_INDEX16));
    ASSERT_EQ(device.createdVertexBuffers.size(), 2u);
    D3DVERTEXBUFFER_DESC desc;
    rain.m_pRenderBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    ExpectErrors({});

    // a second creation on a record leaves its buffer alone
    IDirect3DVertexBuffer9* kept = rain.m_pRenderBuffer;
    device.ClearCalls();
    EXPECT_EQ(rain.CreateRenderBuffer(), 1);
    EXPECT_EQ(faces.CreateRenderBuffer(), 1);
    EXPECT_EQ(rain.m_pRenderBuffer, kept);
    EXPECT_TRUE(device.Calls().empty());
    ExpectErrors(
        {"CVertexBuffer::CreateRenderBuffer m_pRenderBuffer", "CFaceRenderBuffer::CreateRenderBuffer m_pRenderBuffer"});

    // release, twice, and of a record never created
    EXPECT_EQ(device.OutstandingReferences(), 3u);
    for (int i = 0; i < 2; ++i)
    {
        quad.Release();
        rain.Release();
        faces.Release();
    }
    CFaceRenderBuffer never;
    never.Release();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
    EXPECT_EQ(rain.m_pRenderBuffer, nullptr);
    for (const auto* buffer : device.createdVertexBuffers)
        EXPECT_EQ(buffer->OverReleases(), 0);
}

TEST_F(RenderBufferTest, FailuresLeaveTheBufferNullAndLogBothRecords)
{
    device.SetResult("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    device.SetResult("CreateIndexBuffer", D3DERR_OUTOFVIDEOMEMORY);
    CVertexRenderBuffer vertices(D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_DEFAULT);
    vertices.m_nCount = 3;
    CFaceRenderBuffer faces(D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPT_TRIANGLESTRIP, D3DPOOL_DEFAULT);
    faces.m_nCount = 3;
    EXPECT_EQ(vertices.CreateRenderBuffer(), 1);
    EXPECT_EQ(faces.CreateRenderBuffer(), 1);
    EXPECT_EQ(vertices.m_pRenderBuffer, nullptr);
    EXPECT_EQ(faces.m_pRenderBuffer, nullptr);
    EXPECT_EQ(device.Calls().size(), 4u);
    ExpectErrors({"CVertexRenderBuffer::CreateRenderBuffer g_pd3dDevice->CreateVertexBuffer",
                  "CFaceRenderBuffer::CreateRenderBuffer CreateFaceBuffer()"});

    // refused sizes: the helper's record, then the caller's; no device call
    device.ClearCalls();
    CVertexRenderBuffer empty(D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED);
    CFaceRenderBuffer lines(D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_LINESTRIP, D3DPOOL_MANAGED);
    lines.m_nCount = 5;
    EXPECT_EQ(empty.CreateRenderBuffer(), 1);
    EXPECT_EQ(lines.CreateRenderBuffer(), 1);
    EXPECT_TRUE(device.Calls().empty());
    ExpectErrors({"RACalculateVertexSize m_nCount==0", "CVertexRenderBuffer::CreateRenderBuffer RACalculateVertexSize",
                  "CALCULATE_FACE_SIZE unknow format face",
                  "CFaceRenderBuffer::CreateRenderBuffer RACalculateFaceSize"});
}

} // namespace
