// The clock and frame-rate overlay and the loading screen on the recording
// device: textures and quad buffers made and released, the screen rectangle
// and texture of every quad, the states around them, and what is left out
// when a glyph, a picture, the time or a quad lock fails.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/RarWriter.h"
#include "src/ClassRender/LocalTime.h"
#include "src/ClassRender/win/Overlay.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"
#include "tests/common/GfxTestImages.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/TestSupport.h"

namespace {

using fake3d::FakeDrawCall;
using fake3d::FakeVertexBuffer;
using testsupport::ScopedLogCapture;

// Glyph characters in slot order: '.' the dot, 'A' and 'P' the marks.
const char kSlotChars[] = "0123456789:.AP";
const char* const kSlotNames[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "ddot", "dot", "am", "pm"};

// The quad each draw used: the stream's buffer as it stood at the draw.
struct DrawnQuad
{
    ScreenQuadVertex v[SCREEN_QUAD_VERTICES];
};

// Copies the vertices of stream 0 at every DrawPrimitive, before the next
// quad overwrites them.
void CaptureQuads(fake3d::FakeDirect3DDevice9& device, std::vector<DrawnQuad>& quads)
{
    device.SetResultWhen(
        "DrawPrimitive",
        [&device, &quads](const fake3d::FakeCall&) {
            DrawnQuad quad = {};
            const auto stream = device.state.streams.find(0);
            if (stream != device.state.streams.end() && stream->second.buffer != nullptr)
            {
                const auto* buffer = static_cast<FakeVertexBuffer*>(stream->second.buffer);
                if (buffer->bytes.size() >= sizeof(quad.v))
                    std::memcpy(quad.v, buffer->bytes.data(), sizeof(quad.v));
            }
            quads.push_back(quad);
            return false; // only watches
        },
        S_OK);
}

// Pixel edges of a quad as written (vertex 1 top-left, vertex 2 bottom-right).
struct Edges
{
    float left, top, right, bottom;
};
Edges EdgesOf(const DrawnQuad& quad)
{
    return {quad.v[1].x, quad.v[1].y, quad.v[2].x, quad.v[2].y};
}

// A 4 x 4 glyph of its own colour per slot, so every texture is a real one.
std::vector<uint8_t> GlyphArchive(const std::set<int>& missing, const std::set<int>& broken)
{
    rar::CRarWriter writer;
    for (int slot = 0; slot < OVERLAY_TEXTURE_COUNT; ++slot)
    {
        if (missing.count(slot))
            continue;
        const std::string name = std::string("digits\\") + kSlotNames[slot] + ".tga";
        std::vector<uint8_t> rgba(4 * 4 * 4, static_cast<uint8_t>(16 * slot));
        std::vector<uint8_t> file = gfxtest::MakeTga(4, 4, rgba, {32, false, false});
        if (broken.count(slot))
            file.assign(40, 0x5A);
        EXPECT_TRUE(writer.AddFile(name, file, rar::PackMethod::Store));
    }
    return writer.Bytes();
}

LocalClockTime g_time = {13, 7, 45};
bool g_timeOk = true;
bool DrivenTime(LocalClockTime* out)
{
    *out = g_time;
    return g_timeOk;
}

// The recording device as the program's device, on a viewport of the given
// size, with an application to draw for; the globals come back afterwards.
class ScreenQuadTest : public testing::Test
{
protected:
    ScreenQuadTest(DWORD width, DWORD height) : m_viewport{0, 0, width, height, 0.0f, 1.0f} {}
    void SetUp() override
    {
        m_savedApp = g_pSaverApp;
        g_pd3dDevice = &device;
        ClearTextureStageCache();
        device.SetViewport(&m_viewport);
        device.ClearCalls();
    }
    void TearDown() override
    {
        ReleaseOverlayTextures(&app);
        g_pd3dDevice = nullptr;
        g_pSaverApp = m_savedApp;
        ClearTextureStageCache();
    }

    fake3d::FakeDirect3D9 d3d;
    fake3d::FakeDirect3DDevice9& device = d3d.device;
    CSaverCore app;
    std::vector<DrawnQuad> quads;
    const D3DVIEWPORT9 m_viewport;

private:
    CSaverCore* m_savedApp = nullptr;
};

class OverlayTest : public ScreenQuadTest
{
protected:
    OverlayTest() : ScreenQuadTest(1024, 768) {}
    void SetUp() override
    {
        ScreenQuadTest::SetUp();
        LocalTimeSetSource(DrivenTime);
        g_timeOk = true;
        app.m_OverlayColor[0] = 0;
        app.m_OverlayColor[1] = 255;
        app.m_OverlayColor[2] = 0;
    }
    void TearDown() override
    {
        LocalTimeSetSource(nullptr);
        ScreenQuadTest::TearDown();
    }

    // Loads the glyphs from an archive in memory.
    HRESULT Load(const std::set<int>& missing = {}, const std::set<int>& broken = {})
    {
        m_archive = GlyphArchive(missing, broken);
        const ArchiveView view = {m_archive.data(), static_cast<uint32_t>(m_archive.size()), 0};
        return LoadOverlayTexturesFrom(&app, &device, view);
    }

    // One overlay between a scene's begin and end; the draws and their quads.
    void Draw()
    {
        device.ResetRecording(); // the viewport too
        device.SetViewport(&m_viewport);
        device.ClearCalls();
        device.draws.clear();
        quads.clear();
        CaptureQuads(device, quads);
        device.BeginScene();
        DrawOverlay(&app, &device);
        device.EndScene();
        device.ClearResults();
    }

    char CharOf(const FakeDrawCall& draw) const
    {
        for (int slot = 0; slot < OVERLAY_TEXTURE_COUNT; ++slot)
            if (app.m_pOverlayTextures[slot] != nullptr && draw.state.Texture(0) == app.m_pOverlayTextures[slot])
                return kSlotChars[slot];
        return '?';
    }

private:
    std::vector<uint8_t> m_archive;
};

TEST_F(OverlayTest, LoadsEveryGlyphInItsOwnFormatAndAQuadBufferAndReleasesThem)
{
    ScopedLogCapture log;
    ASSERT_EQ(Load({7}, {13}), S_OK);

    // a missing and a broken glyph leave their slots empty, and say so
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{"error load texture\tdigits\\7.tga", "error load texture\tdigits\\pm.tga"}));
    for (int slot = 0; slot < OVERLAY_TEXTURE_COUNT; ++slot)
        EXPECT_EQ(app.m_pOverlayTextures[slot] == nullptr, slot == 7 || slot == 13) << slot;
    for (const fake3d::FakeTexture* texture : device.createdTextures)
        EXPECT_EQ(texture->levels.at(0)->desc.Format, D3DFMT_A8R8G8B8) << "soft alpha, not compressed";

    ASSERT_NE(app.m_pOverlayQuad, nullptr);
    const FakeVertexBuffer* quad = device.createdVertexBuffers.back();
    EXPECT_EQ(quad->desc.Size, 112u);
    EXPECT_EQ(quad->desc.FVF, 0x144u);
    EXPECT_EQ(quad->desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(quad->desc.Usage, static_cast<DWORD>(D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC));
    ScreenQuadVertex v[SCREEN_QUAD_VERTICES];
    std::memcpy(v, quad->bytes.data(), sizeof(v));
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < SCREEN_QUAD_VERTICES; ++i)
    {
        EXPECT_EQ(v[i].z, 0.99f);
        EXPECT_EQ(v[i].rhw, 0.5f);
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu);
        EXPECT_EQ(v[i].u, uv[i][0]);
        EXPECT_EQ(v[i].v, uv[i][1]);
    }

    ReleaseOverlayTextures(&app);
    ReleaseOverlayTextures(&app); // twice is harmless
    EXPECT_EQ(app.m_pOverlayQuad, nullptr);
    for (IDirect3DTexture9* texture : app.m_pOverlayTextures)
        EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(device.OutstandingReferences(), 0u);
    for (const fake3d::FakeTexture* texture : device.createdTextures)
        EXPECT_EQ(texture->OverReleases(), 0);
}

struct OverlayCase
{
    const char* name;
    bool showTime, twelveHour, showFps;
    bool timeOk;
    std::set<int> missing; // glyph slots that did not load
    // Expected glyphs by place: from the clock's left edge (12-hour 0.663,
    // 24-hour 0.7) and from the rate's (0.01); ' ' is a place left empty.
    const char* clock;
    const char* rate;
};

TEST_F(OverlayTest, DrawsEachGlyphWithItsTextureAtItsPlace)
{
    const OverlayCase cases[] = {
        {"12-hour clock and a rate of 1000", true, true, true, true, {}, " 1:07:45P", "1000"},
        {"24-hour clock", true, false, false, true, {}, "13:07:45", ""},
        {"failed time read: the rate only", true, true, true, false, {}, "", "1000"},
        // skipped, not drawn with the texture set before them
        {"glyphs 7 and PM did not load", true, true, false, true, {7, 13}, " 1:0 :45 ", ""},
        {"both off", false, true, false, true, {}, "", ""},
    };
    for (const OverlayCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Load(c.missing), S_OK);
        app.m_Settings.ShowTime = c.showTime;
        app.m_Settings.TimeModeAMPM = c.twelveHour;
        app.m_Settings.ShowFPS = c.showFps;
        app.m_nFramesPerSecond = 1000;
        g_timeOk = c.timeOk;
        Draw();

        struct Expected
        {
            char glyph;
            float left, top;
        };
        std::vector<Expected> expected;
        const float clockLeft = c.twelveHour ? 0.663f : 0.7f;
        for (size_t i = 0; c.clock[i] != 0; ++i)
            if (c.clock[i] != ' ')
                expected.push_back({c.clock[i], clockLeft + 0.037f * i, 0.92f});
        for (size_t i = 0; c.rate[i] != 0; ++i)
            expected.push_back({c.rate[i], 0.01f + 0.037f * i, 0.01f});

        ASSERT_EQ(device.draws.size(), expected.size());
        ASSERT_EQ(quads.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i)
        {
            SCOPED_TRACE(i);
            const FakeDrawCall& draw = device.draws[i];
            EXPECT_EQ(CharOf(draw), expected[i].glyph);
            EXPECT_EQ(draw.type, D3DPT_TRIANGLESTRIP);
            EXPECT_EQ(draw.primitiveCount, 2u);
            // pixels of a 1024 x 768 viewport, edges half a pixel up and left
            const Edges e = EdgesOf(quads[i]);
            EXPECT_NEAR(e.left, expected[i].left * 1024 - 0.5f, 1e-3);
            EXPECT_NEAR(e.right, (expected[i].left + 0.037f) * 1024 - 0.5f, 1e-3);
            EXPECT_NEAR(e.top, expected[i].top * 768 - 0.5f, 1e-3);
            EXPECT_NEAR(e.bottom, (expected[i].top + 0.048f) * 768 - 0.5f, 1e-3);
            EXPECT_EQ(quads[i].v[0].colour, 0xFF00FF00u) << "the overlay colour";
            // the states the glyph was drawn with
            EXPECT_EQ(draw.state.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
            EXPECT_EQ(draw.state.RenderState(D3DRS_ALPHATESTENABLE), static_cast<DWORD>(FALSE));
            EXPECT_EQ(draw.state.RenderState(D3DRS_ALPHABLENDENABLE), static_cast<DWORD>(TRUE));
            EXPECT_EQ(draw.state.RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
            EXPECT_EQ(draw.state.RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
            EXPECT_EQ(draw.state.fvf, 0x144u);
            EXPECT_EQ(draw.state.streams.at(0).buffer, app.m_pOverlayQuad);
            EXPECT_EQ(draw.state.streams.at(0).stride, 28u);
            EXPECT_TRUE(draw.insideScene);
        }
        // depth test off before the first glyph and on after the last, also
        // when nothing is drawn
        const std::vector<std::string> depth = device.CallTexts({"SetRenderState"});
        ASSERT_GE(depth.size(), 2u);
        EXPECT_EQ(depth.front(), "SetRenderState(7, 0)");
        EXPECT_EQ(depth.back(), "SetRenderState(7, 1)");
        EXPECT_EQ(device.state.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
        if (expected.empty())
            EXPECT_EQ(depth.size(), 2u) << "nothing but the depth test changes";
    }
}

TEST_F(OverlayTest, AFailedQuadLockDrawsNothingStale)
{
    ScopedLogCapture log;
    ASSERT_EQ(Load(), S_OK);
    app.m_Settings.ShowTime = 1;
    app.m_Settings.ShowFPS = 1;
    Draw(); // a frame that draws, so the buffer holds a glyph's quad
    ASSERT_FALSE(device.draws.empty());
    static_cast<FakeVertexBuffer*>(app.m_pOverlayQuad)->SetResult("Lock", D3DERR_INVALIDCALL);
    Draw();
    EXPECT_TRUE(device.draws.empty());
    EXPECT_FALSE(log.Lines().empty()) << "the failed lock is logged";
}

TEST_F(OverlayTest, WithoutAQuadBufferNothingIsDrawn)
{
    device.SetResult("CreateVertexBuffer", E_OUTOFMEMORY);
    ScopedLogCapture log;
    EXPECT_TRUE(FAILED(Load()));
    EXPECT_EQ(app.m_pOverlayQuad, nullptr);
    app.m_Settings.ShowTime = 1;
    Draw();
    EXPECT_TRUE(device.draws.empty());
    EXPECT_EQ(device.state.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
}

// The loading screen as EE_Core_DrawLoading draws it from the pictures this
// program carries (tests/win/LoadingScreenTest.rc).
class LoadingScreenTest : public ScreenQuadTest
{
protected:
    LoadingScreenTest() : ScreenQuadTest(640, 480) {}
    void SetUp() override
    {
        ScreenQuadTest::SetUp();
        CaptureQuads(device, quads);
    }
};

TEST_F(LoadingScreenTest, DrawsTheBackgroundThenTheFourCornersAndPresentsOnce)
{
    ScopedLogCapture log;
    ASSERT_EQ(app.m_nFrameParity, 1);
    EXPECT_EQ(app.EE_Core_DrawLoading(&device), S_OK);

    // one picture per resource, one level each, created in resource order
    ASSERT_EQ(device.createdTextures.size(), 5u);
    const UINT sizes[5][2] = {{512, 512}, {256, 128}, {256, 128}, {256, 128}, {256, 128}};
    for (size_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(device.createdTextures[i]->levels.size(), 1u);
        EXPECT_EQ(device.createdTextures[i]->levels[0]->desc.Width, sizes[i][0]);
        EXPECT_EQ(device.createdTextures[i]->levels[0]->desc.Height, sizes[i][1]);
    }
    EXPECT_EQ(device.createdTextures[1]->levels[0]->desc.Format, D3DFMT_A8R8G8B8) << "corners keep their alpha";

    // background, top-left, bottom-left, top-right, bottom-right on 640 x 480
    const Edges edges[5] = {
        {-0.5f, -0.5f, 639.5f, 479.5f},  {-0.5f, -0.5f, 255.5f, 127.5f},   {-0.5f, 351.5f, 255.5f, 479.5f},
        {383.5f, -0.5f, 639.5f, 127.5f}, {383.5f, 351.5f, 639.5f, 479.5f},
    };
    ASSERT_EQ(device.draws.size(), 5u);
    ASSERT_EQ(quads.size(), 5u);
    for (size_t i = 0; i < 5; ++i)
    {
        SCOPED_TRACE(i);
        const FakeDrawCall& draw = device.draws[i];
        EXPECT_EQ(draw.state.Texture(0), device.createdTextures[i]);
        const Edges e = EdgesOf(quads[i]);
        EXPECT_FLOAT_EQ(e.left, edges[i].left);
        EXPECT_FLOAT_EQ(e.top, edges[i].top);
        EXPECT_FLOAT_EQ(e.right, edges[i].right);
        EXPECT_FLOAT_EQ(e.bottom, edges[i].bottom);
        EXPECT_EQ(quads[i].v[0].colour, 0xFFFFFFFFu);
        EXPECT_EQ(draw.type, D3DPT_TRIANGLESTRIP);
        EXPECT_EQ(draw.primitiveCount, 2u);
        EXPECT_EQ(draw.state.fvf, 0x144u);
        EXPECT_EQ(draw.state.streams.at(0).stride, 28u);
        EXPECT_EQ(draw.state.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_FALSE));
        EXPECT_TRUE(draw.insideScene);
    }
    // only depth is cleared: the background covers the colour
    EXPECT_EQ(device.CallTexts({"Clear"}), (std::vector<std::string>{"Clear(0, null, 2, 0, 1, 0)"}));
    EXPECT_EQ(device.state.RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));
    EXPECT_EQ(device.presents, 1);
    EXPECT_EQ(device.Calls().back().method, "Present");
    EXPECT_EQ(app.m_nFrameParity, 0) << "the loading picture counts as a frame";
    // nothing of it is kept
    EXPECT_EQ(device.OutstandingReferences(), 0u);
    EXPECT_EQ(device.state.Texture(0), nullptr);
    const std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "EE_Core_DrawLoading");
    EXPECT_EQ(lines[1].rfind("first picture\t", 0), 0u) << lines[1];
}

TEST_F(LoadingScreenTest, WithoutTheBackgroundTheScreenIsClearedAndTheCornersStillDrawn)
{
    ScopedLogCapture log;
    device.SetResultWhen(
        "CreateTexture", [](const fake3d::FakeCall& call) { return call.args.at(0) == 512; }, E_OUTOFMEMORY);
    EXPECT_EQ(app.EE_Core_DrawLoading(&device), S_OK);
    EXPECT_EQ(device.draws.size(), 4u);
    for (const FakeDrawCall& draw : device.draws)
        EXPECT_NE(draw.state.Texture(0), nullptr);
    EXPECT_EQ(device.CallTexts({"Clear"}), (std::vector<std::string>{"Clear(0, null, 3, 0, 1, 0)"}));
    EXPECT_EQ(device.presents, 1);
    EXPECT_EQ(log.Lines().at(1), "error load loading picture\t467");
    EXPECT_EQ(device.OutstandingReferences(), 0u);
}

TEST_F(LoadingScreenTest, WithoutAQuadBufferItFailsAndPresentsNothing)
{
    ScopedLogCapture log;
    device.SetResult("CreateVertexBuffer", E_OUTOFMEMORY);
    EXPECT_EQ(app.EE_Core_DrawLoading(&device), E_FAIL);
    EXPECT_EQ(device.presents, 0);
    EXPECT_TRUE(device.createdTextures.empty());
    EXPECT_EQ(app.m_nFrameParity, 1);
}

} // namespace
