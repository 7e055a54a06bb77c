// The loading picture from the outside: the first picture a full-screen run
// presents is the loading screen (its background with the four corner
// pictures), not black, and it stands while the scene loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "SaverHarness.h"
#include "data/ImageDecode.h"
#include "data/win/CustomDataResource.h"
#include "src/ClassRender/LoadingLayout.h"
#include "tests/common/PictureSampling.h"

using namespace e2e;

namespace {

using picturetest::SampledPicture;
using picturetest::Texel;

constexpr DWORD kStartTimeoutMs = 60000;

// A resource of the saver file, decoded.
bool SaverPicture(int id, SampledPicture& out)
{
    HMODULE module = LoadLibraryExA(g_SaverPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return false;
    const unsigned char* bytes = nullptr;
    uint32_t size = 0;
    const bool ok = FindCustomData(module, id, &bytes, &size) && gfx::DecodePictureRgba(bytes, size, out.image);
    FreeLibrary(module);
    return ok;
}

// A point of the screen and the colour the loading screen has there.
struct Probe
{
    int x, y;
    Texel colour;
};

bool Near(const Texel& a, const Texel& b, float tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Points where the loading screen's colour is certain despite filtering:
// opaque corner texels amid texels of their own colour, and background
// points where the stretched picture is smooth.
std::vector<Probe> LoadingProbes(const SampledPicture pictures[LOADING_PICTURES], int width, int height)
{
    std::vector<Probe> probes;
    ScreenRect rects[LOADING_PICTURES];
    LayoutLoadingScreen(static_cast<float>(width), static_cast<float>(height), rects);
    auto inCorner = [&](int x, int y) {
        for (int i = lpTopLeft; i < LOADING_PICTURES; ++i)
            if (x >= rects[i].left * width - 2 && x < (rects[i].left + rects[i].width) * width + 2 &&
                y >= rects[i].top * height - 2 && y < (rects[i].top + rects[i].height) * height + 2)
                return true;
        return false;
    };
    const SampledPicture& bg = pictures[lpBackground];
    auto background = [&](float x, float y) {
        return bg.Bilinear((x + 0.5f) / width * bg.image.width - 0.5f, (y + 0.5f) / height * bg.image.height - 0.5f);
    };
    for (int y = 8; y < height - 8; y += 24)
        for (int x = 8; x < width - 8; x += 24)
        {
            const Texel c = background(static_cast<float>(x), static_cast<float>(y));
            if (inCorner(x, y) || !Near(c, background(x + 1.0f, y + 1.0f), 2 / 255.0f) ||
                !Near(c, background(x - 1.0f, y - 1.0f), 2 / 255.0f))
                continue;
            probes.push_back({x, y, c});
        }
    for (int i = lpTopLeft; i < LOADING_PICTURES; ++i)
    {
        const SampledPicture& corner = pictures[i];
        const int left = static_cast<int>(rects[i].left * width + 0.5f);
        const int top = static_cast<int>(rects[i].top * height + 0.5f);
        for (int y = 1; y < 127; y += 3)
            for (int x = 1; x < 255; x += 3)
            {
                const Texel c = corner.At(x, y);
                bool flat = c.a == 1.0f;
                for (int d = 0; d < 4 && flat; ++d)
                {
                    const Texel n = corner.At(x + (d == 0) - (d == 1), y + (d == 2) - (d == 3));
                    flat = n.a == 1.0f && Near(c, n, 3 / 255.0f);
                }
                if (flat)
                    probes.push_back({left + x, top + y, c});
            }
    }
    return probes;
}

// How many probes the screen shows (within 12 levels), and how many are black.
struct ScreenMatch
{
    int matched = 0;
    int black = 0;
};
ScreenMatch MatchScreen(const std::vector<Probe>& probes, int width, int height)
{
    ScreenMatch match;
    const std::vector<DWORD> screen = ScreenArea(0, 0, width, height);
    if (screen.empty())
        return match;
    for (const Probe& probe : probes)
    {
        const DWORD p = screen[static_cast<size_t>(probe.y) * width + probe.x];
        const Texel shown = {((p >> 16) & 255) / 255.0f, ((p >> 8) & 255) / 255.0f, (p & 255) / 255.0f, 1.0f};
        match.matched += Near(shown, probe.colour, 12 / 255.0f) ? 1 : 0;
        match.black += (p & 0xF0F0F0) == 0 ? 1 : 0;
    }
    return match;
}

int FindPrefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0)
            return static_cast<int>(i);
    return -1;
}

TEST(LoadingScreenRun, TheFirstPictureOfAFullScreenRunIsTheLoadingScreen)
{
    SampledPicture pictures[LOADING_PICTURES];
    const int ids[LOADING_PICTURES] = {467, 471, 472, 473, 474};
    for (int i = 0; i < LOADING_PICTURES; ++i)
        ASSERT_TRUE(SaverPicture(ids[i], pictures[i])) << "resource " << ids[i] << " of " << g_SaverPath;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const std::vector<Probe> probes = LoadingProbes(pictures, width, height);
    ASSERT_GT(probes.size(), 200u);

    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s"));
    // The saver records its first present right after it: the screenshot
    // taken then must be the loading picture.
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] { return FindPrefix(saver.LogLines(), "first picture") >= 0; }))
        << "no first picture";
    ScreenMatch match;
    bool loading = false;
    const ULONGLONG presented = GetTickCount64();
    // the X server may show the present a moment later
    WaitUntil(2000, [&] {
        match = MatchScreen(probes, width, height);
        loading = match.matched == static_cast<int>(probes.size());
        return loading;
    });
    const std::vector<std::string> log = saver.LogLines();
    std::printf("%s; seen %llu ms after it\n", log[FindPrefix(log, "first picture")].c_str(),
                GetTickCount64() - presented);
    EXPECT_TRUE(loading) << match.matched << " of " << probes.size() << " points show the loading screen, "
                         << match.black << " are black";
    EXPECT_LT(match.black, static_cast<int>(probes.size()) / 4) << "a black screen";
    EXPECT_GE(FindLine(log, "EE_Core_DrawLoading"), 0);

    // Then the scene replaces it, and the run ends as usual.
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] {
        return MatchScreen(probes, width, height).matched < static_cast<int>(probes.size()) / 2;
    })) << "the loading picture never gave way to the scene";
    const std::vector<HWND> windows = saver.TopLevelWindows();
    ASSERT_FALSE(windows.empty());
    PostMessageA(windows.front(), WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = 1234;
    EXPECT_TRUE(saver.WaitForExit(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
