// The command-line switches and the mouse-move rule.
#include <gtest/gtest.h>

#include "shell/MouseMoveRule.h"
#include "shell/RunMode.h"

namespace {

struct RunModeCase
{
    const char* commandLine;
    RunMode mode;
    intptr_t parent;
};

TEST(ReadRunMode, CommandLines)
{
    const RunModeCase cases[] = {
        {"Quenmoor.scr /S", rmFullScreen, 0},
        {"Quenmoor.scr -s", rmFullScreen, 0},
        {"Quenmoor.scr /x", rmFullScreen, 0},
        {"Quenmoor.scr /S /c:55 more words", rmFullScreen, 0},
        {"\"C:\\Program Files\\My Savers\\Quenmoor.scr\" /p 1234", rmPreview, 1234},
        {"\"C:\\a-b\\x/y\\Quenmoor.scr\" /t", rmTestWindow, 0},
        {"\"C:\\a-b\\x/y\\Quenmoor.scr\"", rmConfigure, 0},
        {"Quenmoor.scr /c:2340", rmConfigure, 2340},
        {"Quenmoor.scr /C", rmConfigure, 0},
        {"Quenmoor.scr /p", rmPreview, 0},
        {"Quenmoor.scr /p 1234", rmPreview, 1234},
        {"Quenmoor.scr /p:1234", rmPreview, 1234},
        {"Quenmoor.scr /P1234", rmPreview, 1234},
        {"Quenmoor.scr", rmConfigure, 0},
        {"Quenmoor.scr ", rmConfigure, 0},
        {"", rmConfigure, 0},
        {"Quenmoor.scr /a 77", rmPasswordChange, 77},
        {"Quenmoor.scr -A", rmPasswordChange, 0},
        {"Quenmoor.scr /t 99", rmTestWindow, 0}, // only a, c and p take a window
        {"Quenmoor.scr /s 99", rmFullScreen, 0},
        {"Quenmoor.scr /", rmFullScreen, 0},     // a switch with no letter
        {"\"unterminated /c:5", rmConfigure, 0}, // the program name runs to the end
    };
    for (const RunModeCase& c : cases)
    {
        intptr_t parent = -1;
        EXPECT_EQ(ReadRunMode(c.commandLine, parent), c.mode) << c.commandLine;
        EXPECT_EQ(parent, c.parent) << c.commandLine;
    }
}

TEST(MouseMoveRule, GraceThenStrictlyMoreThanTwentyPixels)
{
    int grace = MOUSE_GRACE_MOVES;
    MousePosition previous;
    // the first ten messages only record the position, however far
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(MouseMoveEndsSaver(grace, previous, (i % 2) * 500, (i % 2) * 500));
    EXPECT_EQ(previous.x, 500);

    // exactly 20 on each axis is not a jump; 21 on one axis is
    EXPECT_FALSE(MouseMoveEndsSaver(grace, previous, 520, 480));
    EXPECT_FALSE(MouseMoveEndsSaver(grace, previous, 521, 480));
    EXPECT_TRUE(MouseMoveEndsSaver(grace, previous, 542, 480));
    EXPECT_TRUE(MouseMoveEndsSaver(grace, previous, 542, 501));

    // slow movement in small steps never ends it
    for (int i = 0; i < 200; ++i)
        EXPECT_FALSE(MouseMoveEndsSaver(grace, previous, 542 + i * 5, 501));
}

TEST(MouseMoveRule, GraceZeroChecksTheNextMove)
{
    int grace = 0; // after a refused password
    MousePosition previous{100, 100};
    EXPECT_TRUE(MouseMoveEndsSaver(grace, previous, 130, 100));
}

} // namespace
