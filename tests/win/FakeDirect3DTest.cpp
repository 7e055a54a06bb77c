// The recording fakes themselves: later tests trust their answers.
#include <gtest/gtest.h>

#include <cstring>

#include "FakeDirect3D.h"

namespace {

using fake3d::FakeCall;
using fake3d::FakeDirect3D9;
using fake3d::FakeDirect3DDevice9;

TEST(FakeDirect3D, ResultRulesPickCallsAndFailuresChangeNoState)
{
    FakeDirect3DDevice9 device;
    device.SetResult("SetRenderState", D3DERR_INVALIDCALL);
    // a matcher refines the plain result, whatever the order they were added in
    device.SetResultWhen(
        "SetRenderState", [](const FakeCall& call) { return call.args[0] == D3DRS_LIGHTING; }, S_OK);

    EXPECT_EQ(device.SetRenderState(D3DRS_ZENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.SetRenderState(D3DRS_LIGHTING, FALSE), S_OK);
    EXPECT_EQ(device.state.RenderState(D3DRS_ZENABLE), 0xFFFFFFFFu);
    EXPECT_EQ(device.state.RenderState(D3DRS_LIGHTING), 0u);
    ASSERT_EQ(device.Calls().size(), 2u);
    EXPECT_EQ(device.Calls()[0].result, D3DERR_INVALIDCALL);

    device.ClearResults();
    EXPECT_EQ(device.SetRenderState(D3DRS_ZENABLE, TRUE), S_OK);
    DWORD value = 0;
    EXPECT_EQ(device.GetRenderState(D3DRS_ZENABLE, &value), S_OK);
    EXPECT_EQ(value, 1u);
    // an unset transform reads back as identity
    D3DMATRIX matrix = {};
    EXPECT_EQ(device.GetTransform(D3DTS_VIEW, &matrix), S_OK);
    EXPECT_EQ(matrix._11, 1.0f);
    EXPECT_EQ(matrix._44, 1.0f);
}

TEST(FakeDirect3D, DrawsKeepTheirStateAndNeedAScene)
{
    FakeDirect3DDevice9 device;
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device.CreateVertexBuffer(96, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &buffer, nullptr), S_OK);

    EXPECT_EQ(device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device.EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device.BeginScene(), S_OK);
    EXPECT_EQ(device.BeginScene(), D3DERR_INVALIDCALL);
    device.SetStreamSource(0, buffer, 0, 12);
    device.SetFVF(D3DFVF_XYZ);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    EXPECT_EQ(device.DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 4), S_OK);
    device.SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    const float quad[4 * 3] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    EXPECT_EQ(device.DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, 12), S_OK);
    EXPECT_EQ(device.EndScene(), S_OK);
    EXPECT_EQ(device.Present(nullptr, nullptr, nullptr, nullptr), S_OK);
    ASSERT_EQ(device.BeginScene(), S_OK);
    EXPECT_EQ(device.DrawPrimitive(D3DPT_POINTLIST, 0, 1), S_OK);
    EXPECT_EQ(device.EndScene(), S_OK);

    ASSERT_EQ(device.draws.size(), 4u);
    // draws know their frame and scene
    EXPECT_EQ(device.draws[2].frame, 0);
    EXPECT_EQ(device.draws[2].scene, 1);
    EXPECT_EQ(device.draws[3].frame, 1);
    EXPECT_EQ(device.draws[3].scene, 2);
    EXPECT_FALSE(device.draws[0].insideScene);
    const fake3d::FakeDrawCall& strip = device.draws[1];
    EXPECT_TRUE(strip.insideScene);
    EXPECT_EQ(strip.startVertex, 2u);
    EXPECT_EQ(strip.numVertices, 6u);
    EXPECT_EQ(strip.state.streams.at(0).buffer, buffer);
    EXPECT_EQ(strip.state.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    const fake3d::FakeDrawCall& fan = device.draws[2];
    EXPECT_EQ(fan.state.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
    ASSERT_EQ(fan.vertexBytes.size(), sizeof(quad));
    EXPECT_EQ(std::memcmp(fan.vertexBytes.data(), quad, sizeof(quad)), 0);
    // the runtime unsets stream 0 after a draw from user memory
    EXPECT_EQ(device.state.streams.count(0), 0u);
    buffer->Release();
}

TEST(FakeDirect3D, BuffersAndTexturesHoldMemoryAndCountReferences)
{
    FakeDirect3DDevice9 device;
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(device.CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), S_OK);
    void* data = nullptr;
    EXPECT_EQ(indices->Lock(8, 8, &data, 0), D3DERR_INVALIDCALL); // past the end
    EXPECT_EQ(data, nullptr);
    ASSERT_EQ(indices->Lock(0, 0, &data, 0), S_OK);
    void* again = nullptr;
    EXPECT_EQ(indices->Lock(0, 0, &again, 0), D3DERR_INVALIDCALL); // already locked
    const WORD values[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(data, values, sizeof(values));
    EXPECT_EQ(indices->Unlock(), S_OK);
    EXPECT_EQ(indices->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(std::memcmp(device.createdIndexBuffers.at(0)->bytes.data(), values, sizeof(values)), 0);

    // a full mip chain of a DXT3 texture, and a level's pitch in blocks
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device.CreateTexture(16, 4, 0, 0, D3DFMT_DXT3, D3DPOOL_MANAGED, &texture, nullptr), S_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u); // 16x4, 8x2, 4x1, 2x1, 1x1
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), S_OK);
    EXPECT_EQ(locked.Pitch, 64);
    EXPECT_EQ(texture->UnlockRect(0), S_OK);
    D3DSURFACE_DESC desc = {};
    ASSERT_EQ(texture->GetLevelDesc(2, &desc), S_OK);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 1u);

    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &level), S_OK);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), S_OK);
    EXPECT_EQ(device.OutstandingReferences(), 4u); // index buffer, texture, level, back buffer

    level->Release();
    backBuffer->Release();
    texture->Release();
    indices->Release();
    EXPECT_EQ(device.OutstandingReferences(), 0u);
    indices->Release(); // one too many
    EXPECT_EQ(device.createdIndexBuffers.at(0)->OverReleases(), 1);
}

TEST(FakeDirect3D, AdapterModesAreListedPerFormat)
{
    FakeDirect3D9 d3d;
    d3d.adapters[0].modes.push_back({640, 480, 60, D3DFMT_R5G6B5});
    EXPECT_EQ(d3d.GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 2u);
    EXPECT_EQ(d3d.GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
    D3DDISPLAYMODE mode = {};
    ASSERT_EQ(d3d.EnumAdapterModes(0, D3DFMT_R5G6B5, 0, &mode), S_OK);
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(d3d.EnumAdapterModes(0, D3DFMT_R5G6B5, 1, &mode), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d.GetAdapterModeCount(1, D3DFMT_X8R8G8B8), 0u);
}

} // namespace
