// Portable core: what the clock and frame-rate overlay draws in a frame:
// which glyph goes where, for a time of day, a form (12 or 24 hours) and a
// frame rate. The Windows layer draws the list as it stands.
#pragma once
#include "src/ClassRender/LocalTime.h"
#include "src/ClassRender/ScreenQuad.h"

// Slots of the overlay's glyph textures: a digit or ':' picks slot c - '0'.
enum OverlayGlyphSlot
{
    ogDigit0 = 0,
    ogColon = 10,
    ogDot = 11,
    ogAm = 12,
    ogPm = 13,
    OVERLAY_GLYPH_SLOTS = 14,
};

// Every glyph quad has this size, in fractions of the viewport.
constexpr float OVERLAY_GLYPH_WIDTH = 0.037f;
constexpr float OVERLAY_GLYPH_HEIGHT = 0.048f;
// The clock in the lower right corner: "HH:MM:SS" from 0.7 across, or
// "hh:MM:SS" and the AM or PM mark from 0.663, so both end at 0.996.
constexpr float CLOCK_TOP = 0.92f;
constexpr float CLOCK_LEFT_24_HOUR = 0.7f;
constexpr float CLOCK_LEFT_12_HOUR = 0.663f;
// The frame rate in the upper left corner.
constexpr float FRAME_RATE_LEFT = 0.01f;
constexpr float FRAME_RATE_TOP = 0.01f;

constexpr int CLOCK_GLYPHS_MAX = 9;       // hh:MM:SS and the mark
constexpr int FRAME_RATE_GLYPHS_MAX = 11; // any int: a sign and ten digits
constexpr int OVERLAY_GLYPHS_MAX = CLOCK_GLYPHS_MAX + FRAME_RATE_GLYPHS_MAX;

struct OverlayGlyph
{
    int slot; // OverlayGlyphSlot
    ScreenRect rect;
};

struct OverlayLayout
{
    OverlayGlyph glyphs[OVERLAY_GLYPHS_MAX];
    int count = 0;
};

struct OverlayOptions
{
    bool showTime;
    bool twelveHour;
    bool showFrameRate;
};

// Appends the clock for `time`. 24-hour form: the eight characters of
// "HH:MM:SS", leading zero drawn. 12-hour form: the hour 1..12 (0 shows as
// 12, 13..23 as 1..11), its tens glyph left out when it is 0 (the place
// stays empty), ":MM:SS", then AM before noon and PM from noon.
void LayoutClock(const LocalClockTime& time, bool twelveHour, OverlayLayout& out);

// Appends the frame rate as "%i" writes it, a glyph per character from the
// left; a character below '0' (the minus sign) takes the dot.
void LayoutFrameRate(int framesPerSecond, OverlayLayout& out);

// The whole overlay of a frame: the clock when it is shown and `time` is
// not null (a failed time read draws no clock), then the frame rate.
void BuildOverlayLayout(const OverlayOptions& options, const LocalClockTime* time, int framesPerSecond,
                        OverlayLayout& out);
