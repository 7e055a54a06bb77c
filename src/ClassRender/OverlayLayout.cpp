// Portable core: the clock and frame-rate overlay's glyphs and places.
#include "src/ClassRender/OverlayLayout.h"

#include <cstdio>

namespace {

void Append(OverlayLayout& out, int slot, float left, float top)
{
    if (out.count >= OVERLAY_GLYPHS_MAX)
        return;
    out.glyphs[out.count++] = {slot, {left, top, OVERLAY_GLYPH_WIDTH, OVERLAY_GLYPH_HEIGHT}};
}

// Glyph i of the clock.
void AppendClock(OverlayLayout& out, int slot, float base, int i)
{
    Append(out, slot, base + OVERLAY_GLYPH_WIDTH * static_cast<float>(i), CLOCK_TOP);
}

} // namespace

void LayoutClock(const LocalClockTime& time, bool twelveHour, OverlayLayout& out)
{
    int hour = time.hour;
    const float base = twelveHour ? CLOCK_LEFT_12_HOUR : CLOCK_LEFT_24_HOUR;
    if (twelveHour)
    {
        if (hour > 12)
            hour -= 12;
        else if (hour == 0)
            hour = 12;
    }
    const int tens = hour / 10;
    if (!twelveHour || tens != 0)
        AppendClock(out, ogDigit0 + tens, base, 0);
    AppendClock(out, ogDigit0 + hour % 10, base, 1);
    AppendClock(out, ogColon, base, 2);
    AppendClock(out, ogDigit0 + time.minute / 10, base, 3);
    AppendClock(out, ogDigit0 + time.minute % 10, base, 4);
    AppendClock(out, ogColon, base, 5);
    AppendClock(out, ogDigit0 + time.second / 10, base, 6);
    AppendClock(out, ogDigit0 + time.second % 10, base, 7);
    if (twelveHour)
        AppendClock(out, time.hour < 12 ? ogAm : ogPm, base, 8);
}

void LayoutFrameRate(int framesPerSecond, OverlayLayout& out)
{
    char text[16];
    const int length = std::snprintf(text, sizeof(text), "%i", framesPerSecond);
    for (int i = 0; i < length && i < FRAME_RATE_GLYPHS_MAX; ++i)
    {
        const int slot = text[i] < '0' ? ogDot : text[i] - '0';
        Append(out, slot, FRAME_RATE_LEFT + OVERLAY_GLYPH_WIDTH * static_cast<float>(i), FRAME_RATE_TOP);
    }
}

void BuildOverlayLayout(const OverlayOptions& options, const LocalClockTime* time, int framesPerSecond,
                        OverlayLayout& out)
{
    out.count = 0;
    if (options.showTime && time != nullptr)
        LayoutClock(*time, options.twelveHour, out);
    if (options.showFrameRate)
        LayoutFrameRate(framesPerSecond, out);
}
