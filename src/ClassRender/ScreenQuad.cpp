// Portable core: the four-vertex screen quad.
#include "src/ClassRender/ScreenQuad.h"

ScreenPixelRect ScreenRectPixels(const ScreenViewport& viewport, const ScreenRect& rect)
{
    return {viewport.x + rect.left * viewport.width, viewport.y + rect.top * viewport.height,
            viewport.x + (rect.left + rect.width) * viewport.width,
            viewport.y + (rect.top + rect.height) * viewport.height};
}

void WriteScreenQuad(ScreenQuadVertex out[SCREEN_QUAD_VERTICES], uint32_t colour, const ScreenViewport& viewport,
                     const ScreenRect& rect)
{
    const ScreenPixelRect p = ScreenRectPixels(viewport, rect);
    const float left = p.left - 0.5f, right = p.right - 0.5f;
    const float top = p.top - 0.5f, bottom = p.bottom - 0.5f;
    out[0] = {left, bottom, SCREEN_QUAD_DEPTH, SCREEN_QUAD_RHW, colour, 0.0f, 1.0f};
    out[1] = {left, top, SCREEN_QUAD_DEPTH, SCREEN_QUAD_RHW, colour, 0.0f, 0.0f};
    out[2] = {right, bottom, SCREEN_QUAD_DEPTH, SCREEN_QUAD_RHW, colour, 1.0f, 1.0f};
    out[3] = {right, top, SCREEN_QUAD_DEPTH, SCREEN_QUAD_RHW, colour, 1.0f, 0.0f};
}
