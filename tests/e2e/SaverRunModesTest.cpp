// The saver's run modes from the outside: windows, pictures, the input that
// ends a run (or does not), exit codes and the log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SaverHarness.h"

using namespace e2e;

namespace {

// The world clears the screen to its fog colour until the scene draws.
constexpr long kClearColour = 0x888F8F;
constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kExitTimeoutMs = 2000;

bool ScreenShowsClearedPicture()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{width / 2, height / 2}, {2, 2}, {width - 3, height - 3}, {width - 3, 2}, {2, height - 3}};
    for (const POINT& p : points)
        if (ScreenPixel(p.x, p.y) != kClearColour)
            return false;
    return true;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += "  " + line + "\n";
    return text;
}

// Start-up and device records of a full-screen run, in the order written.
void ExpectStartRecordsInOrder(const std::vector<std::string>& log, const std::string& switches)
{
    const std::string expected[] = {"COstrel::Init()", "command line",  "EE_Core_CreateD3Device", "hal hardware",
                                    "COstrel::EE_Core_InitD3Device()", "RenderInit() - ok"};
    int at = -1;
    for (const std::string& line : expected) {
        int found = -1;
        for (int i = at + 1; i < static_cast<int>(log.size()) && found < 0; ++i)
            if (log[i] == line || (line == "command line" && log[i].rfind("command line\t", 0) == 0))
                found = i;
        ASSERT_GE(found, 0) << "missing or out of order: " << line << "\nlog:\n" << Joined(log);
        at = found;
    }
    for (const std::string& line : log) {
        if (line.rfind("command line\t", 0) == 0) {
            EXPECT_NE(line.find("QuenmoorLogged.scr"), std::string::npos) << line;
            EXPECT_NE(line.find(switches), std::string::npos) << line;
        }
    }
}

enum class Ender { Key, MouseButton, Deactivation };

struct EndCase
{
    const char* name;
    Ender ender;
};

class FullScreenRun : public testing::TestWithParam<EndCase>
{
};

TEST_P(FullScreenRun, DrawsFramesAndEndsOnInputWithExitCodeZero)
{
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s")) << "cannot start " << g_SaverPath;
    const HWND window = saver.WaitForTopLevelWindow(kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no saver window";
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [] { return ScreenShowsClearedPicture(); }))
        << "the full-screen picture never showed the clear colour; centre pixel 0x" << std::hex
        << ScreenPixel(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    ASSERT_TRUE(saver.IsRunning());

    DriverWindow* other = nullptr;
    const ULONGLONG sent = GetTickCount64();
    switch (GetParam().ender) {
    case Ender::Key:
        SendKeyPress(VK_SPACE);
        break;
    case Ender::MouseButton:
        SendLeftClick();
        break;
    case Ender::Deactivation:
        other = new DriverWindow(200, 100, RGB(0, 0, 255));
        SetForegroundWindow(other->Handle());
        break;
    }
    DWORD exitCode = 1234;
    const bool ended = saver.WaitForExit(kExitTimeoutMs + 500, &exitCode);
    const ULONGLONG tookMs = GetTickCount64() - sent;
    delete other;
    ASSERT_TRUE(ended) << "still running 2.5 s after the input";
    EXPECT_LT(tookMs, kExitTimeoutMs);
    EXPECT_EQ(exitCode, 0u);

    const std::vector<std::string> log = saver.LogLines();
    ExpectStartRecordsInOrder(log, "/s");
    const bool pressLogged = saver.LogHas("detected pressed any key");
    EXPECT_EQ(pressLogged, GetParam().ender != Ender::Deactivation) << Joined(log);
}

INSTANTIATE_TEST_SUITE_P(Enders, FullScreenRun,
                         testing::Values(EndCase{"Key", Ender::Key}, EndCase{"MouseButton", Ender::MouseButton},
                                         EndCase{"Deactivation", Ender::Deactivation}),
                         [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

} // namespace
