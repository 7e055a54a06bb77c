// Portable core: the four-vertex screen quad that the loading screen and the
// clock and frame-rate overlay draw with. Rectangles are given in fractions
// of the viewport; the vertices are pre-transformed (screen pixels).
#pragma once
#include <cstdint>

// A rectangle in fractions of the viewport: 0..1 across and down.
struct ScreenRect
{
    float left;
    float top;
    float width;
    float height;
};

// The viewport in pixels.
struct ScreenViewport
{
    float x;
    float y;
    float width;
    float height;
};

// x, y, z, rhw, diffuse colour (ARGB), u, v: the device's vertex format
// XYZRHW | DIFFUSE | TEX1.
struct ScreenQuadVertex
{
    float x;
    float y;
    float z;
    float rhw;
    uint32_t colour;
    float u;
    float v;
};
static_assert(sizeof(ScreenQuadVertex) == 28, "the device reads 28-byte vertices");

constexpr int SCREEN_QUAD_VERTICES = 4;
constexpr uint32_t SCREEN_QUAD_BYTES = SCREEN_QUAD_VERTICES * sizeof(ScreenQuadVertex);
constexpr float SCREEN_QUAD_DEPTH = 0.99f;
constexpr float SCREEN_QUAD_RHW = 0.5f;

// Pixel rectangle a quad covers: its left, top, right and bottom edges.
struct ScreenPixelRect
{
    float left;
    float top;
    float right;
    float bottom;
};

// Where `rect` lies on the viewport, in pixels.
ScreenPixelRect ScreenRectPixels(const ScreenViewport& viewport, const ScreenRect& rect);

// Writes all four vertices of the quad over `rect` as a two-triangle strip:
// bottom-left, top-left, bottom-right, top-right, with texture corners
// (0, 1), (0, 0), (1, 1), (1, 0), depth 0.99, rhw 0.5 and `colour`. The
// edges are moved half a pixel up and left, where the device puts pixel
// centres, so that a picture drawn at its own size keeps every pixel; the
// pixels covered stay the same.
void WriteScreenQuad(ScreenQuadVertex out[SCREEN_QUAD_VERTICES], uint32_t colour, const ScreenViewport& viewport,
                     const ScreenRect& rect);
