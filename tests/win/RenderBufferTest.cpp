// Vertex and index buffer records: the size table, creation with its one
// retry in the managed pool, release, and the error records in the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/win/NotImplementedDirect3D.h"

namespace {

template <class Base>
class CountedBuffer : public Base
{
public:
    explicit CountedBuffer(int* alive) : m_alive(alive) { ++*m_alive; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) {
            --*m_alive;
            delete this;
        }
        return left;
    }

private:
    ULONG m_refs = 1;
    int* m_alive;
};

// Records buffer creations; refuses the pools listed in failPools.
class BufferDevice : public NotImplementedDevice9
{
public:
    struct Call
    {
        bool vertex;
        UINT length;
        DWORD usage;
        DWORD format; // FVF or index format
        D3DPOOL pool;
    };
    std::vector<Call> calls;
    std::vector<D3DPOOL> failPools;
    int alive = 0; // buffers not yet released

    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** out, HANDLE*) override
    {
        calls.push_back({true, length, usage, fvf, pool});
        if (Refused(pool))
            return D3DERR_OUTOFVIDEOMEMORY;
        *out = new CountedBuffer<NotImplementedVertexBuffer9>(&alive);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9** out, HANDLE*) override
    {
        calls.push_back({false, length, usage, static_cast<DWORD>(format), pool});
        if (Refused(pool))
            return D3DERR_OUTOFVIDEOMEMORY;
        *out = new CountedBuffer<NotImplementedIndexBuffer9>(&alive);
        return D3D_OK;
    }

private:
    bool Refused(D3DPOOL pool) const
    {
        for (D3DPOOL p : failPools)
            if (p == pool)
                return true;
        return false;
    }
};

class RenderBufferTest : public testing::Test
{
protected:
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_log = std::string(dir) + "render_buffer_test.log";
        std::remove(m_log.c_str());
        std::snprintf(g_szLogFile, sizeof g_szLogFile, "%s", m_log.c_str());
        m_saved = g_pd3dDevice;
        g_pd3dDevice = &device;
    }
    void TearDown() override
    {
        g_pd3dDevice = m_saved;
        g_szLogFile[0] = 0;
        std::remove(m_log.c_str());
    }
    // The log as lines; every error is a message line and a location line.
    std::vector<std::string> LogLines()
    {
        std::ifstream in(m_log);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void ExpectErrors(const std::vector<std::string>& messages)
    {
        const std::vector<std::string> lines = LogLines();
        ASSERT_EQ(lines.size(), messages.size() * 2);
        for (size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(lines[2 * i], "***ERROR!!! " + messages[i]);
            const std::string& where = lines[2 * i + 1];
            EXPECT_EQ(where.rfind("[ src\\ClassRender\\RenderTypes.cpp ", 0), 0u) << where;
            EXPECT_EQ(where.substr(where.size() - 2), " ]") << where;
            EXPECT_GT(std::atoi(where.c_str() + 35), 0) << "line number in " << where;
        }
        std::remove(m_log.c_str());
    }

    BufferDevice device;

private:
    std::string m_log;
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
    for (const VertexCase& c : vertexCases) {
        SCOPED_TRACE(testing::Message() << "fvf " << c.fvf << " count " << c.count);
        UINT vertexSize = 0, size = 0;
        EXPECT_EQ(RACalculateVertexSize(c.fvf, c.count, &vertexSize, &size), c.status);
        if (c.status == 0) {
            EXPECT_EQ(vertexSize, c.vertexSize);
            EXPECT_EQ(size, c.size);
            ExpectErrors({});
        } else {
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
    for (const FaceCase& c : faceCases) {
        SCOPED_TRACE(testing::Message() << "format " << c.format << " type " << c.type << " count " << c.count);
        UINT size = 0;
        EXPECT_EQ(RACalculateFaceSize(c.format, c.count, c.type, &size), c.status);
        if (c.status == 0) {
            EXPECT_EQ(size, c.size);
            ExpectErrors({});
        } else {
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
    ASSERT_EQ(device.calls.size(), 1u);
    EXPECT_EQ(device.calls[0].length, 112u);
    EXPECT_EQ(quad.m_nVertexSize, 28u);
    EXPECT_EQ(quad.m_nSize, 112u);

    // the default pool refused: exactly one more try, in the managed pool
    device.calls.clear();
    device.failPools = {D3DPOOL_DEFAULT};
    CVertexRenderBuffer rain(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0x042, D3DPOOL_DEFAULT);
    rain.m_nCount = 100;
    EXPECT_EQ(rain.CreateRenderBuffer(), 0);
    ASSERT_EQ(device.calls.size(), 2u);
    CFaceRenderBuffer faces(D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_DEFAULT);
    faces.m_nCount = 7;
    EXPECT_EQ(faces.CreateRenderBuffer(), 0);
    ASSERT_EQ(device.calls.size(), 4u);
    for (size_t i = 0; i < 4; i += 2) {
        EXPECT_EQ(device.calls[i].pool, D3DPOOL_DEFAULT);
        EXPECT_EQ(device.calls[i + 1].pool, D3DPOOL_MANAGED);
        EXPECT_EQ(device.calls[i + 1].length, device.calls[i].length);
        EXPECT_EQ(device.calls[i + 1].usage, device.calls[i].usage);
        EXPECT_EQ(device.calls[i + 1].format, device.calls[i].format);
    }
    EXPECT_EQ(device.calls[0].length, 1600u);
    EXPECT_EQ(device.calls[2].length, 42u);
    EXPECT_EQ(device.calls[2].format, static_cast<DWORD>(D3DFMT_INDEX16));
    ExpectErrors({});

    // a second creation on a record leaves its buffer alone
    IDirect3DVertexBuffer9* kept = rain.m_pRenderBuffer;
    device.calls.clear();
    EXPECT_EQ(rain.CreateRenderBuffer(), 1);
    EXPECT_EQ(faces.CreateRenderBuffer(), 1);
    EXPECT_EQ(rain.m_pRenderBuffer, kept);
    EXPECT_TRUE(device.calls.empty());
    ExpectErrors({"CVertexBuffer::CreateRenderBuffer m_pRenderBuffer",
                  "CFaceRenderBuffer::CreateRenderBuffer m_pRenderBuffer"});

    // release, twice, and of a record never created
    EXPECT_EQ(device.alive, 3);
    for (int i = 0; i < 2; ++i) {
        quad.Release();
        rain.Release();
        faces.Release();
    }
    CFaceRenderBuffer never;
    never.Release();
    EXPECT_EQ(device.alive, 0);
    EXPECT_EQ(rain.m_pRenderBuffer, nullptr);
}

TEST_F(RenderBufferTest, FailuresLeaveTheBufferNullAndLogBothRecords)
{
    device.failPools = {D3DPOOL_DEFAULT, D3DPOOL_MANAGED};
    CVertexRenderBuffer vertices(D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_DEFAULT);
    vertices.m_nCount = 3;
    CFaceRenderBuffer faces(D3DUSAGE_WRITEONLY, D3DFMT_INDEX32, D3DPT_TRIANGLESTRIP, D3DPOOL_DEFAULT);
    faces.m_nCount = 3;
    EXPECT_EQ(vertices.CreateRenderBuffer(), 1);
    EXPECT_EQ(faces.CreateRenderBuffer(), 1);
    EXPECT_EQ(vertices.m_pRenderBuffer, nullptr);
    EXPECT_EQ(faces.m_pRenderBuffer, nullptr);
    EXPECT_EQ(device.calls.size(), 4u);
    ExpectErrors({"CVertexRenderBuffer::CreateRenderBuffer g_pd3dDevice->CreateVertexBuffer",
                  "CFaceRenderBuffer::CreateRenderBuffer CreateFaceBuffer()"});

    // refused sizes: the helper's record, then the caller's; no device call
    device.calls.clear();
    CVertexRenderBuffer empty(D3DUSAGE_WRITEONLY, 0x102, D3DPOOL_MANAGED);
    CFaceRenderBuffer lines(D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_LINESTRIP, D3DPOOL_MANAGED);
    lines.m_nCount = 5;
    EXPECT_EQ(empty.CreateRenderBuffer(), 1);
    EXPECT_EQ(lines.CreateRenderBuffer(), 1);
    EXPECT_TRUE(device.calls.empty());
    ExpectErrors({"RACalculateVertexSize m_nCount==0",
                  "CVertexRenderBuffer::CreateRenderBuffer RACalculateVertexSize",
                  "CALCULATE_FACE_SIZE unknow format face", "CFaceRenderBuffer::CreateRenderBuffer RACalculateFaceSize"});
}

} // namespace
