// Portable core: the loading screen's five rectangles.
#include "src/ClassRender/LoadingLayout.h"

#include <algorithm>

void LayoutLoadingScreen(float width, float height, ScreenRect out[LOADING_PICTURES])
{
    if (!(width > 0.0f && height > 0.0f))
    {
        for (int i = 0; i < LOADING_PICTURES; ++i)
            out[i] = {0.0f, 0.0f, 0.0f, 0.0f};
        return;
    }
    const float scale =
        std::min({1.0f, width / (2.0f * LOADING_CORNER_WIDTH), height / (2.0f * LOADING_CORNER_HEIGHT)});
    const float w = LOADING_CORNER_WIDTH * scale / width;
    const float h = LOADING_CORNER_HEIGHT * scale / height;
    out[lpBackground] = {0.0f, 0.0f, 1.0f, 1.0f};
    out[lpTopLeft] = {0.0f, 0.0f, w, h};
    out[lpBottomLeft] = {0.0f, 1.0f - h, w, h};
    out[lpTopRight] = {1.0f - w, 0.0f, w, h};
    out[lpBottomRight] = {1.0f - w, 1.0f - h, w, h};
}
