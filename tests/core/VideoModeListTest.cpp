// The video mode list: arrangement, the default choice, the current mode and
// the back buffer it gives the device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/VideoModeList.h"

namespace {

constexpr int32_t X8 = FORMAT_X8R8G8B8;
constexpr int32_t R5 = FORMAT_R5G6B5;

VideoModeList Arranged(const std::vector<VideoMode>& raw)
{
    VideoModeList list;
    for (const VideoMode& mode : raw)
        list.Append(mode);
    list.Arrange();
    return list;
}

std::vector<std::string> Texts(const VideoModeList& list)
{
    std::vector<std::string> texts;
    for (int i = 0; i < list.Count(); ++i)
        texts.push_back(VideoModeList::ModeText(list.Mode(i)));
    return texts;
}

TEST(VideoModeList, RefreshRatesAndAdaptersCollapseKeepingTheLast)
{
    std::vector<VideoMode> raw;
    for (int adapter = 0; adapter < 2; ++adapter)
    {
        for (int32_t format : {X8, R5})
        {
            for (uint32_t hz : {60u, 72u, 75u})
                raw.push_back({800, 600, hz + adapter, format});
        }
    }
    VideoModeList list = Arranged(raw);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"800 x 600 16 bits", "800 x 600 32 bits"}));
    EXPECT_EQ(list.Mode(0).RefreshRate, 76u); // last R5G6B5 entry of the second adapter
    EXPECT_EQ(list.Mode(1).RefreshRate, 76u);
}

TEST(VideoModeList, WidthFilterAndSortOrder)
{
    VideoModeList list = Arranged({
        {1280, 1024, 60, X8},
        {512, 384, 60, X8},
        {639, 480, 60, R5},
        {640, 480, 60, X8},
        {1024, 768, 60, X8},
        {1280, 720, 60, R5},
        {640, 480, 60, R5},
        {1024, 768, 60, R5},
        {800, 600, 60, X8},
        {1280, 720, 60, X8},
    });
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"640 x 480 16 bits", "640 x 480 32 bits", "800 x 600 32 bits",
                                                     "1024 x 768 16 bits", "1024 x 768 32 bits", "1280 x 720 16 bits",
                                                     "1280 x 720 32 bits", "1280 x 1024 32 bits"}));

    EXPECT_EQ(Arranged({{512, 384, 60, X8}, {320, 200, 70, R5}}).Count(), 0);
}

TEST(VideoModeList, DefaultChoiceIsTheFirst1024Wide32BitMode)
{
    VideoModeList list = Arranged({{1024, 768, 60, R5}, {1024, 600, 60, X8}, {1024, 768, 60, X8}, {800, 600, 60, X8}});
    // 800x600/32, 1024x600/32, 1024x768/16, 1024x768/32
    list.MakeSelectedModeCurrent();
    EXPECT_EQ(list.m_nSelectedMode, 1);
    EXPECT_EQ(list.m_nCurrentWidth, 1024);
    EXPECT_EQ(list.m_nCurrentHeight, 600);
    EXPECT_EQ(list.m_nCurrentFormat, X8);
    EXPECT_EQ(list.m_nCurrentDepthFormat, FORMAT_D24S8);
    EXPECT_EQ(list.m_nCurrentMultiSample, 0);

    VideoModeList no1024 = Arranged({{1024, 768, 60, R5}, {1280, 1024, 60, X8}});
    no1024.MakeSelectedModeCurrent();
    EXPECT_EQ(no1024.m_nSelectedMode, -1);
    EXPECT_EQ(no1024.m_nCurrentWidth, 0);

    // a choice the user made is kept
    VideoModeList chosen = Arranged({{1024, 768, 60, X8}, {800, 600, 60, R5}});
    chosen.m_nSelectedMode = 0;
    chosen.MakeSelectedModeCurrent();
    EXPECT_EQ(chosen.m_nCurrentWidth, 800);
    EXPECT_EQ(chosen.m_nCurrentFormat, R5);
}

TEST(VideoModeList, IndexBeyondTheListMakesNothingCurrent)
{
    for (int32_t index : {2, 1000, -2, INT32_MIN})
    {
        VideoModeList list = Arranged({{1024, 768, 60, X8}, {800, 600, 60, X8}});
        list.m_nSelectedMode = index;
        SaverSettings settings = {};
        settings.Width = 800;
        settings.Height = 600;
        settings.BitCount = 32;
        settings.FSAA = 2;
        ApplySelectedVideoMode(list, settings);
        EXPECT_EQ(list.m_nSelectedMode, index);
        EXPECT_EQ(settings.Width, 0) << index;
        EXPECT_EQ(settings.Height, 0);
        EXPECT_EQ(settings.BitCount, 16);
        EXPECT_EQ(settings.FSAA, 0);
    }
}

TEST(VideoModeList, SelectedModeMirrorsIntoTheSettings)
{
    VideoModeList list = Arranged({{1024, 768, 60, X8}, {1024, 768, 60, R5}, {1600, 1200, 60, X8}});
    SaverSettings settings = {};
    ApplySelectedVideoMode(list, settings);
    EXPECT_EQ(settings.Width, 1024);
    EXPECT_EQ(settings.Height, 768);
    EXPECT_EQ(settings.BitCount, 32);

    list.m_nSelectedMode = 0; // the 16-bit twin
    ApplySelectedVideoMode(list, settings);
    EXPECT_EQ(settings.BitCount, 16);

    list.m_nSelectedMode = 2;
    ApplySelectedVideoMode(list, settings);
    EXPECT_EQ(settings.Width, 1600);
    EXPECT_EQ(settings.BitCount, 32);
}

TEST(BackBuffer, DesktopSettingsOrTheCurrentMode)
{
    VideoModeList list = Arranged({{800, 600, 60, R5}, {1024, 768, 60, X8}});
    list.m_nSelectedMode = 0;
    list.MakeSelectedModeCurrent();

    const BackBufferChoice desktop = ChooseBackBuffer(true, 1920, 1080, X8, list);
    EXPECT_EQ(desktop.Width, 1920u);
    EXPECT_EQ(desktop.Height, 1080u);
    EXPECT_EQ(desktop.Format, X8);
    EXPECT_EQ(desktop.DepthFormat, FORMAT_D24S8);

    const BackBufferChoice selected = ChooseBackBuffer(false, 1920, 1080, X8, list);
    EXPECT_EQ(selected.Width, 800u);
    EXPECT_EQ(selected.Height, 600u);
    EXPECT_EQ(selected.Format, R5);
    EXPECT_EQ(selected.DepthFormat, FORMAT_D24S8);

    // nothing current: the desktop mode with D24S8
    VideoModeList empty;
    empty.MakeSelectedModeCurrent();
    const BackBufferChoice fallback = ChooseBackBuffer(false, 1024, 768, FORMAT_A8R8G8B8, empty);
    EXPECT_EQ(fallback.Width, 1024u);
    EXPECT_EQ(fallback.Height, 768u);
    EXPECT_EQ(fallback.Format, FORMAT_A8R8G8B8);
    EXPECT_EQ(fallback.DepthFormat, FORMAT_D24S8);
}

} // namespace
