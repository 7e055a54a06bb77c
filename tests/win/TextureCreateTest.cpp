// Texture creation on a real device: formats, pools, levels, failures that
// leave nothing behind, and the archive texture loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "data/DxtBlocks.h"
#include "data/RarCrc.h"
#include "data/TexturePrepare.h"
#include "data/win/ArchiveResource.h"
#include "data/win/ArchiveTexture.h"
#include "data/win/TextureCreate.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "tests/common/GfxTestImages.h"
#include "tests/win/FakeDirect3D.h"
#include "tests/win/GfxTestDevice.h"

namespace {

// A stored (uncompressed) RAR 2.0 archive of the given entries.
std::vector<uint8_t> MakeStoredArchive(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries)
{
    std::vector<uint8_t> a = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    auto headerCrc = [](const std::vector<uint8_t>& h) {
        const uint32_t crc = ~rar::CrcUpdate(0xFFFFFFFFu, h.data() + 2, h.size() - 2);
        return static_cast<uint16_t>(crc);
    };
    std::vector<uint8_t> main = {0, 0, 0x73, 0, 0, 13, 0, 0, 0, 0, 0, 0, 0};
    const uint16_t mainCrc = headerCrc(main);
    main[0] = static_cast<uint8_t>(mainCrc);
    main[1] = static_cast<uint8_t>(mainCrc >> 8);
    a.insert(a.end(), main.begin(), main.end());
    for (const auto& e : entries)
    {
        std::vector<uint8_t> h = {0, 0, 0x74, 0x00, 0x80};
        gfxtest::Put16(h, static_cast<int>(32 + e.first.size()));
        gfxtest::Put32(h, static_cast<uint32_t>(e.second.size())); // packed
        gfxtest::Put32(h, static_cast<uint32_t>(e.second.size())); // unpacked
        h.push_back(2);                                            // Windows
        gfxtest::Put32(h, ~rar::CrcUpdate(0xFFFFFFFFu, e.second.data(), e.second.size()));
        gfxtest::Put32(h, 0x5A000000); // time
        h.push_back(20);               // version 2.0
        h.push_back(0x30);             // stored
        gfxtest::Put16(h, static_cast<int>(e.first.size()));
        gfxtest::Put32(h, 0x20); // attributes
        h.insert(h.end(), e.first.begin(), e.first.end());
        const uint16_t crc = headerCrc(h);
        h[0] = static_cast<uint8_t>(crc);
        h[1] = static_cast<uint8_t>(crc >> 8);
        a.insert(a.end(), h.begin(), h.end());
        a.insert(a.end(), e.second.begin(), e.second.end());
    }
    return a;
}

class TextureCreate : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!device.Get())
            GTEST_SKIP() << "no Direct3D device (no display?)";
    }
    gfxtest::TestDevice device;
};

TEST_F(TextureCreate, DefaultPoolGetsTheFullDxt3Chain)
{
    const std::vector<uint8_t> file =
        gfxtest::MakeTga(100, 60, gfxtest::MakeLeafPicture(100, 60, 2), {32, true, false});
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(device.Get(), file.data(), UINT(file.size()), gfx::TEXTURE_DEFAULT,
                                                   gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, 0, D3DFMT_DXT3,
                                                   D3DPOOL_DEFAULT, &texture),
              D3D_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 8u); // 128 x 64 down to 1 x 1
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 128u);
    EXPECT_EQ(desc.Height, 64u);
    EXPECT_EQ(desc.Format, D3DFMT_DXT3);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    texture->Release();
}

TEST_F(TextureCreate, ManagedTexturesHoldThePreparedBytes)
{
    const int w = 32, h = 16;
    const std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(w, h, 6);
    const std::vector<uint8_t> file = gfxtest::MakeTga(w, h, px, {32, false, false});
    struct Case
    {
        D3DFORMAT format;
        uint32_t core;
    };
    for (const Case& c :
         {Case{D3DFMT_DXT3, gfx::FMT_DXT3}, Case{D3DFMT_V8U8, gfx::FMT_V8U8}, Case{D3DFMT_A8R8G8B8, gfx::FMT_A8R8G8B8}})
    {
        SCOPED_TRACE(testing::Message() << "format " << c.format);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(device.Get(), file.data(), UINT(file.size()),
                                                       gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                       0, c.format, D3DPOOL_MANAGED, &texture),
                  D3D_OK);
        gfx::TextureRequest request;
        request.format = c.core;
        gfx::PreparedTexture expected;
        ASSERT_TRUE(gfx::PrepareTexture(file.data(), file.size(), request, expected));
        ASSERT_EQ(texture->GetLevelCount(), expected.levels.size());
        for (UINT i = 0; i < expected.levels.size(); ++i)
        {
            const gfx::TextureLevel& level = expected.levels[i];
            std::vector<uint8_t> got;
            ASSERT_TRUE(gfxtest::ReadLevel(texture, i, level.rowPitch, level.rowCount, got));
            EXPECT_EQ(got, level.bytes) << "level " << i;
        }
        texture->Release();
    }
}

TEST_F(TextureCreate, DdsKeepsItsFormatAndLevels)
{
    std::vector<std::vector<uint8_t>> levels;
    for (int s : {8, 4, 2})
    {
        std::vector<uint8_t> l(s * s * 4);
        for (size_t i = 0; i < l.size(); ++i)
            l[i] = static_cast<uint8_t>(i * 13 + s);
        levels.push_back(l);
    }
    const std::vector<uint8_t> file = gfxtest::MakeDds(8, 8, gfx::FMT_A8R8G8B8, levels);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(device.Get(), file.data(), UINT(file.size()), gfx::TEXTURE_DEFAULT,
                                                   gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, 0, D3DFMT_UNKNOWN,
                                                   D3DPOOL_MANAGED, &texture),
              D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    for (UINT i = 0; i < 3; ++i)
    {
        std::vector<uint8_t> got;
        const UINT s = 8 >> i;
        ASSERT_TRUE(gfxtest::ReadLevel(texture, i, s * 4, s, got));
        EXPECT_EQ(got, levels[i]) << "level " << i;
    }
    texture->Release();
}

TEST_F(TextureCreate, FailuresReturnNullAndLeaveNothingAllocated)
{
    const std::vector<uint8_t> good =
        gfxtest::MakeTga(16, 16, gfxtest::MakeSmoothPicture(16, 16, 1), {32, false, false});
    std::vector<uint8_t> cut(good.begin(), good.begin() + 200);
    const ULONG before = device.References();
    struct Case
    {
        const char* name;
        const std::vector<uint8_t>* bytes;
        DWORD usage;
        D3DPOOL pool;
    };
    const Case cases[] = {
        {"cut-short file", &cut, 0, D3DPOOL_MANAGED},
        {"dynamic usage in the managed pool", &good, D3DUSAGE_DYNAMIC, D3DPOOL_MANAGED},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(gfx::CreateTextureFromFileInMemoryEx(
            device.Get(), c.bytes->data(), UINT(c.bytes->size()), gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
            gfx::TEXTURE_DEFAULT, c.usage, D3DFMT_DXT3, c.pool, &texture)));
        EXPECT_EQ(texture, nullptr);
        EXPECT_EQ(device.References(), before) << "a texture was left behind";
    }
    // a format the device cannot make falls back to A8R8G8B8
    EXPECT_EQ(gfx::ChooseTextureFormat(device.Get(), 0, D3DFMT_MULTI2_ARGB8), D3DFMT_A8R8G8B8);
    EXPECT_EQ(gfx::ChooseTextureFormat(device.Get(), 0, D3DFMT_DXT3), D3DFMT_DXT3);
}

// The same on the recording fake: the order of the calls, the fallback
// when the device refuses a format, and failures at every step.
class TextureCreateOnFake : public testing::Test
{
protected:
    HRESULT Create(D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture)
    {
        return gfx::CreateTextureFromFileInMemoryEx(&d3d.device, file.data(), UINT(file.size()), gfx::TEXTURE_DEFAULT,
                                                    gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, 0, format, pool,
                                                    texture);
    }
    static fake3d::CallMatcher Checks(D3DFORMAT format)
    {
        return [format](const fake3d::FakeCall& c) { return c.args.size() > 5 && c.args[5] == DWORD(format); };
    }
    static fake3d::CallMatcher InPool(D3DPOOL pool)
    {
        return [pool](const fake3d::FakeCall& c) { return c.args.size() > 5 && c.args[5] == DWORD(pool); };
    }

    fake3d::FakeDirect3D9 d3d;
    const std::vector<uint8_t> file = gfxtest::MakeTga(8, 4, gfxtest::MakeSmoothPicture(8, 4, 3), {32, false, false});
};

TEST_F(TextureCreateOnFake, DefaultPoolIsFilledThroughSystemMemory)
{
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(D3DFMT_DXT3, D3DPOOL_DEFAULT, &texture), D3D_OK);
    ASSERT_EQ(d3d.device.createdTextures.size(), 2u);
    fake3d::FakeTexture* result = d3d.device.createdTextures[0];
    fake3d::FakeTexture* staging = d3d.device.createdTextures[1];
    EXPECT_EQ(texture, result);
    EXPECT_EQ(result->pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(staging->pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(d3d.device.CallTexts({"UpdateTexture"}).size(), 1u);
    EXPECT_EQ(result->CountCalls("LockRect"), 0) << "a default-pool texture cannot be locked";
    EXPECT_EQ(staging->CountCalls("LockRect"), 4); // 8 x 4 down to 1 x 1
    EXPECT_EQ(staging->RefCount(), 0u) << "the staging copy is released";
    EXPECT_EQ(result->RefCount(), 1u);
    texture->Release();

    // managed: one texture, locked directly
    d3d.device.createdTextures.clear();
    ASSERT_EQ(Create(D3DFMT_DXT3, D3DPOOL_MANAGED, &texture), D3D_OK);
    ASSERT_EQ(d3d.device.createdTextures.size(), 1u);
    EXPECT_EQ(d3d.device.createdTextures[0]->CountCalls("LockRect"), 4);
    texture->Release();
}

TEST_F(TextureCreateOnFake, RefusedFormatsFallBackToA8R8G8B8ExceptBumpMaps)
{
    d3d.SetResultWhen("CheckDeviceFormat", Checks(D3DFMT_DXT3), D3DERR_NOTAVAILABLE);
    d3d.SetResultWhen("CheckDeviceFormat", Checks(D3DFMT_V8U8), D3DERR_NOTAVAILABLE);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Create(D3DFMT_DXT3, D3DPOOL_MANAGED, &texture), D3D_OK);
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    texture->Release();

    d3d.device.ClearCalls();
    texture = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(Create(D3DFMT_V8U8, D3DPOOL_MANAGED, &texture), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(d3d.device.CountCalls("CreateTexture"), 0);
}

TEST_F(TextureCreateOnFake, EveryFailedStepLeavesNothingAllocated)
{
    struct Case
    {
        const char* name;
        std::function<void(fake3d::FakeDirect3D9&)> arrange;
    };
    const Case cases[] = {
        {"default-pool texture refused",
         [](fake3d::FakeDirect3D9& d) {
             d.device.SetResultWhen("CreateTexture", InPool(D3DPOOL_DEFAULT), D3DERR_OUTOFVIDEOMEMORY);
         }},
        {"system-memory copy refused",
         [](fake3d::FakeDirect3D9& d) {
             d.device.SetResultWhen("CreateTexture", InPool(D3DPOOL_SYSTEMMEM), E_OUTOFMEMORY);
         }},
        {"update refused", [](fake3d::FakeDirect3D9& d) { d.device.SetResult("UpdateTexture", D3DERR_INVALIDCALL); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        fake3d::FakeDirect3D9 local;
        c.arrange(local);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(gfx::CreateTextureFromFileInMemoryEx(
            &local.device, file.data(), UINT(file.size()), gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
            gfx::TEXTURE_DEFAULT, 0, D3DFMT_DXT3, D3DPOOL_DEFAULT, &texture)));
        EXPECT_EQ(texture, nullptr);
        for (const fake3d::FakeTexture* t : local.device.createdTextures)
        {
            EXPECT_EQ(t->RefCount(), 0u);
            EXPECT_EQ(t->OverReleases(), 0);
        }
    }
}

class ArchiveTexture : public TextureCreate
{
protected:
    void SetUp() override
    {
        TextureCreate::SetUp();
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_log = std::string(dir) + "archive_texture_test.log";
        std::remove(m_log.c_str());
        std::snprintf(g_szLogFile, sizeof g_szLogFile, "%s", m_log.c_str());
    }
    void TearDown() override
    {
        g_szLogFile[0] = 0;
        std::remove(m_log.c_str());
    }
    std::string TakeLog()
    {
        std::ifstream in(m_log); // text mode: the log ends its lines in CR LF
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        std::remove(m_log.c_str());
        return text;
    }

private:
    std::string m_log;
};

TEST_F(ArchiveTexture, DdsFirstThenTgaAndOneLineForWhatIsMissing)
{
    const std::vector<uint8_t> tga = gfxtest::MakeTga(16, 8, gfxtest::MakeSmoothPicture(16, 8, 4), {32, false, false});
    const std::vector<uint8_t> dds = gfxtest::MakeDds(4, 4, gfx::FMT_X8R8G8B8, {std::vector<uint8_t>(64, 0x40)});
    const std::vector<uint8_t> archiveBytes = MakeStoredArchive({
        {"most.tga", tga},
        {"water\\sky.dds", dds},
        {"water\\sky.tga", tga},
        {"broken.dds", std::vector<uint8_t>(dds.begin(), dds.begin() + 100)},
        {"broken.tga", tga},
    });
    const ArchiveView archive = {archiveBytes.data(), static_cast<uint32_t>(archiveBytes.size()), 0};

    struct Case
    {
        const char* name;
        D3DFORMAT format; // D3DFMT_UNKNOWN: no texture expected
        const char* log;
    };
    const Case cases[] = {
        {"most.psd", D3DFMT_DXT3, ""},                                      // only the .tga exists: compressed
        {"WATER/Sky.tga", D3DFMT_X8R8G8B8, ""},                             // the .dds wins, in its own format
        {"broken.tga", D3DFMT_UNKNOWN, "error load texture\tbroken.dds\n"}, // a bad .dds is not passed over
        {"nothing.dds", D3DFMT_UNKNOWN, "error load texture\tnothing.tga\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        const ULONG before = device.References();
        LoadArchiveTextureFrom(device.Get(), archive, c.name, &texture);
        EXPECT_EQ(TakeLog(), c.log);
        if (c.format == D3DFMT_UNKNOWN)
        {
            EXPECT_EQ(texture, nullptr);
            EXPECT_EQ(device.References(), before);
            continue;
        }
        ASSERT_NE(texture, nullptr);
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format);
        EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
        // no cache: a second load is a second texture
        IDirect3DTexture9* again = nullptr;
        LoadArchiveTextureFrom(device.Get(), archive, c.name, &again);
        EXPECT_NE(again, texture);
        if (again)
            again->Release();
        texture->Release();
    }
}

TEST_F(ArchiveTexture, TheProgramsOwnArchiveIsReadThroughTheGlobalDevice)
{
    IDirect3DDevice9* saved = g_pd3dDevice;
    g_pd3dDevice = device.Get();
    ArchiveView archive = {nullptr, 0, 0};
    const bool embedded = GetArchiveView(&archive);
    unsigned char* bytes = nullptr;
    uint32_t size = 0;
    const bool hasMost = embedded && ExtractArchiveEntry("", "most.tga", &bytes, &size, &archive);
    std::free(bytes);
    TakeLog();

    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
    LoadArchiveTexture("most.psd", &texture);
    if (hasMost)
    {
        ASSERT_NE(texture, nullptr);
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_DXT3);
        texture->Release();
    }
    else
    { // this test program carries no scene archive
        EXPECT_EQ(texture, nullptr);
        EXPECT_NE(TakeLog().find("error load texture\tmost.tga\n"), std::string::npos);
    }
    g_pd3dDevice = saved;
}

} // namespace
