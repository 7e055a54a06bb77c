// The loading screen's rectangles at several screen sizes, and the screen
// quad that both the loading screen and the overlay draw with.
#include <gtest/gtest.h>

#include "src/ClassRender/LoadingLayout.h"
#include "src/ClassRender/ScreenQuad.h"

namespace {

bool Overlap(const ScreenPixelRect& a, const ScreenPixelRect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(LoadingLayout, CornersKeepTheirSizeInTheirCornersAndNeverOverlap)
{
    const struct
    {
        float width, height;
        float cornerWidth, cornerHeight; // pixels
    } cases[] = {
        {1024, 768, 256, 128}, {640, 480, 256, 128}, {1920, 1080, 256, 128},
        {800, 600, 256, 128},  {512, 256, 256, 128}, // just room for all four
        {400, 300, 200, 100},                        // too narrow: shrunk, same shape
        {1024, 200, 200, 100},                       // too low
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        ScreenRect rects[LOADING_PICTURES];
        LayoutLoadingScreen(c.width, c.height, rects);
        const ScreenViewport viewport = {0, 0, c.width, c.height};
        ScreenPixelRect px[LOADING_PICTURES];
        for (int i = 0; i < LOADING_PICTURES; ++i)
            px[i] = ScreenRectPixels(viewport, rects[i]);

        // the background fills the screen
        EXPECT_FLOAT_EQ(px[lpBackground].left, 0);
        EXPECT_FLOAT_EQ(px[lpBackground].top, 0);
        EXPECT_FLOAT_EQ(px[lpBackground].right, c.width);
        EXPECT_FLOAT_EQ(px[lpBackground].bottom, c.height);
        for (int i = lpTopLeft; i < LOADING_PICTURES; ++i)
        {
            EXPECT_NEAR(px[i].right - px[i].left, c.cornerWidth, 1e-3);
            EXPECT_NEAR(px[i].bottom - px[i].top, c.cornerHeight, 1e-3);
            for (int j = i + 1; j < LOADING_PICTURES; ++j)
                EXPECT_FALSE(Overlap(px[i], px[j])) << i << " and " << j;
        }
        // each in its corner
        EXPECT_NEAR(px[lpTopLeft].left, 0, 1e-3);
        EXPECT_NEAR(px[lpTopLeft].top, 0, 1e-3);
        EXPECT_NEAR(px[lpBottomLeft].left, 0, 1e-3);
        EXPECT_NEAR(px[lpBottomLeft].bottom, c.height, 1e-3);
        EXPECT_NEAR(px[lpTopRight].right, c.width, 1e-3);
        EXPECT_NEAR(px[lpTopRight].top, 0, 1e-3);
        EXPECT_NEAR(px[lpBottomRight].right, c.width, 1e-3);
        EXPECT_NEAR(px[lpBottomRight].bottom, c.height, 1e-3);
    }
}

TEST(LoadingLayout, AViewportWithoutAreaGivesEmptyRectangles)
{
    for (float width : {0.0f, 640.0f})
    {
        ScreenRect rects[LOADING_PICTURES];
        LayoutLoadingScreen(width, 0.0f, rects);
        for (const ScreenRect& rect : rects)
        {
            EXPECT_EQ(rect.width, 0.0f);
            EXPECT_EQ(rect.height, 0.0f);
        }
    }
}

TEST(ScreenQuad, CoversTheRectangleAsAStripWithTexelsOnPixelCentres)
{
    // a viewport that does not start at the origin
    const ScreenViewport viewport = {10, 20, 200, 100};
    ScreenQuadVertex v[SCREEN_QUAD_VERTICES];
    WriteScreenQuad(v, 0xFF00FF00u, viewport, {0.25f, 0.5f, 0.5f, 0.25f});
    // pixels 60..159 across and 70..94 down, edges half a pixel up and left
    const float expected[4][4] = {
        {59.5f, 94.5f, 0, 1}, // bottom-left
        {59.5f, 69.5f, 0, 0}, // top-left
        {159.5f, 94.5f, 1, 1},
        {159.5f, 69.5f, 1, 0},
    };
    for (int i = 0; i < SCREEN_QUAD_VERTICES; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_FLOAT_EQ(v[i].x, expected[i][0]);
        EXPECT_FLOAT_EQ(v[i].y, expected[i][1]);
        EXPECT_EQ(v[i].u, expected[i][2]);
        EXPECT_EQ(v[i].v, expected[i][3]);
        EXPECT_EQ(v[i].z, 0.99f);
        EXPECT_EQ(v[i].rhw, 0.5f);
        EXPECT_EQ(v[i].colour, 0xFF00FF00u);
    }
}

} // namespace
