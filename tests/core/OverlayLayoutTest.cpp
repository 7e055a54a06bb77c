// The clock and frame-rate overlay's layout: glyphs and places for a time
// of day in both forms, the frame rate, and the local-time seam that refuses
// what it cannot show.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "src/ClassRender/LocalTime.h"
#include "src/ClassRender/OverlayLayout.h"

namespace {

// The glyphs of a layout as text, one character per glyph place counted
// from `left`: digits and ':' as themselves, '.' the dot, 'A' and 'P' the
// marks, ' ' an empty place. Places are checked to lie on the grid.
std::string PlacesOf(const OverlayLayout& layout, float left, float top)
{
    std::string text;
    for (int i = 0; i < layout.count; ++i)
    {
        const OverlayGlyph& glyph = layout.glyphs[i];
        const float place = (glyph.rect.left - left) / OVERLAY_GLYPH_WIDTH;
        const int at = static_cast<int>(std::lround(place));
        EXPECT_NEAR(place, static_cast<float>(at), 1e-4f);
        EXPECT_FLOAT_EQ(glyph.rect.top, top);
        EXPECT_FLOAT_EQ(glyph.rect.width, 0.037f);
        EXPECT_FLOAT_EQ(glyph.rect.height, 0.048f);
        if (at < 0 || at > 20)
            return "place out of range";
        if (static_cast<int>(text.size()) <= at)
            text.resize(static_cast<size_t>(at) + 1, ' ');
        const char shown[] = "0123456789:.AP";
        text[static_cast<size_t>(at)] = glyph.slot >= 0 && glyph.slot < OVERLAY_GLYPH_SLOTS ? shown[glyph.slot] : '?';
    }
    return text;
}

struct ClockCase
{
    LocalClockTime time;
    bool twelveHour;
    const char* shown; // places from the form's left edge
};

TEST(OverlayLayout, ClockShowsTheTimeInEitherForm)
{
    const ClockCase cases[] = {
        {{0, 5, 9}, true, "12:05:09A"},                                       // midnight hour is 12, before noon
        {{12, 30, 0}, true, "12:30:00P"},                                     // noon hour stays 12, after noon
        {{13, 0, 0}, true, " 1:00:00P"},                                      // first place empty
        {{9, 15, 0}, true, " 9:15:00A"},                                      //
        {{23, 59, 59}, true, "11:59:59P"}, {{9, 15, 0}, false, "09:15:00"},   // leading zero drawn
        {{0, 0, 0}, false, "00:00:00"},    {{23, 59, 60}, false, "23:59:60"}, // a leap second
    };
    for (const ClockCase& c : cases)
    {
        SCOPED_TRACE(c.shown);
        OverlayLayout layout;
        LayoutClock(c.time, c.twelveHour, layout);
        const float left = c.twelveHour ? 0.663f : 0.7f;
        EXPECT_EQ(PlacesOf(layout, left, 0.92f), c.shown);
        // both forms end at the same right edge
        const OverlayGlyph& last = layout.glyphs[layout.count - 1];
        EXPECT_NEAR(last.rect.left + last.rect.width, 0.996f, 1e-5f);
    }
}

TEST(OverlayLayout, FrameRateDrawsEveryCharacterFromTheLeft)
{
    const struct
    {
        int rate;
        const char* shown;
    } cases[] = {
        {0, "0"},
        {57, "57"},
        {1000, "1000"}, // more glyphs further right, nothing cut
        {123456, "123456"},
        {-3, ".3"}, // the minus sign takes the dot
        {INT_MIN, ".2147483648"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.rate);
        OverlayLayout layout;
        LayoutFrameRate(c.rate, layout);
        EXPECT_EQ(PlacesOf(layout, 0.01f, 0.01f), c.shown);
    }
}

TEST(OverlayLayout, TheFrameShowsWhatIsSwitchedOnAndATimeThatWasRead)
{
    const LocalClockTime time = {13, 4, 5};
    const struct
    {
        const char* name;
        OverlayOptions options;
        const LocalClockTime* time;
        int clockGlyphs;
        int rateGlyphs;
    } cases[] = {
        {"both off", {false, true, false}, &time, 0, 0},       {"clock, 12-hour", {true, true, false}, &time, 8, 0},
        {"clock, 24-hour", {true, false, false}, &time, 8, 0}, {"clock and rate", {true, false, true}, &time, 8, 4},
        {"rate only", {false, false, true}, &time, 0, 4},      {"time read failed", {true, false, true}, nullptr, 0, 4},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        OverlayLayout layout;
        layout.count = 5; // whatever the last frame left
        BuildOverlayLayout(c.options, c.time, 1234, layout);
        ASSERT_EQ(layout.count, c.clockGlyphs + c.rateGlyphs);
        for (int i = 0; i < layout.count; ++i)
            EXPECT_FLOAT_EQ(layout.glyphs[i].rect.top, i < c.clockGlyphs ? 0.92f : 0.01f);
    }
}

LocalClockTime s_time;
bool s_timeOk = true;
bool DrivenTime(LocalClockTime* out)
{
    if (s_timeOk)
        *out = s_time;
    return s_timeOk;
}

TEST(LocalTime, ReadsTheSourceAndRefusesWhatCannotBeShown)
{
    LocalTimeSetSource(DrivenTime);
    const struct
    {
        LocalClockTime given;
        bool sourceOk;
        bool read;
    } cases[] = {
        {{8, 30, 15}, true, true}, {{23, 59, 60}, true, true}, {{0, 0, 0}, false, false},  {{24, 0, 0}, true, false},
        {{-1, 0, 0}, true, false}, {{12, 60, 0}, true, false}, {{12, 0, 61}, true, false}, {{12, -5, 10}, true, false},
    };
    for (const auto& c : cases)
    {
        s_time = c.given;
        s_timeOk = c.sourceOk;
        LocalClockTime out = {7, 7, 7};
        EXPECT_EQ(LocalTimeRead(&out), c.read) << c.given.hour << ":" << c.given.minute << ":" << c.given.second;
        const LocalClockTime expected = c.read ? c.given : LocalClockTime{7, 7, 7};
        EXPECT_EQ(out.hour, expected.hour);
        EXPECT_EQ(out.minute, expected.minute);
        EXPECT_EQ(out.second, expected.second);
    }
    EXPECT_FALSE(LocalTimeRead(nullptr));

    // the library's clock gives a time that can be shown
    LocalTimeSetSource(nullptr);
    LocalClockTime now = {-1, -1, -1};
    ASSERT_TRUE(LocalTimeRead(&now));
    EXPECT_GE(now.hour, 0);
    EXPECT_LE(now.hour, 23);
}

} // namespace
