// Portable core: where the loading screen's five pictures go: the
// background over the whole viewport, a corner picture in each corner.
#pragma once
#include "src/ClassRender/ScreenQuad.h"

// In drawing order, which is also the order of their resources 467, 471,
// 472, 473 and 474.
enum LoadingPicture
{
    lpBackground,
    lpTopLeft,
    lpBottomLeft,
    lpTopRight,
    lpBottomRight,
    LOADING_PICTURES
};

// The corner pictures' own size in pixels.
constexpr float LOADING_CORNER_WIDTH = 256.0f;
constexpr float LOADING_CORNER_HEIGHT = 128.0f;

// The five rectangles, in fractions of a viewport of width x height pixels.
// The corners keep their pixel size; on a viewport too small for two of
// them side by side or one above the other (below 512 x 256) they shrink,
// keeping their shape, so that they never overlap. A viewport without area
// gives empty rectangles.
void LayoutLoadingScreen(float width, float height, ScreenRect out[LOADING_PICTURES]);
