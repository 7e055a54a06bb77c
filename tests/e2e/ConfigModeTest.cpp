// The configuration mode from the outside: /c and /c:<window> open the
// dialog, clicks reach the registry on OK and not on Cancel; and a stored
// ExitOnMouseMove makes a full-screen run end on a mouse jump.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "../../resources/SettingsIds.h"
#include "SaverHarness.h"

using namespace e2e;

namespace {

constexpr char kSettingsKey[] = "Software\\Velbrook\\Quenmoor 3D Screensaver";
constexpr char kCaption[] = "Quenmoor 3D Screensaver Configuration";
constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kExitTimeoutMs = 3000;
// the whole scene, which takes much longer on a busy machine
constexpr DWORD kLoadTimeoutMs = 60000;

void DeleteSettingsKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

void SetDword(const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

std::map<std::string, DWORD> SettingsValues()
{
    std::map<std::string, DWORD> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index)
    {
        char name[256];
        DWORD nameSize = sizeof(name);
        DWORD type = 0;
        DWORD data = 0;
        DWORD dataSize = sizeof(data);
        const LONG result =
            RegEnumValueA(key, index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        values[name] = result == ERROR_SUCCESS && type == REG_DWORD ? data : 0xBAD;
    }
    RegCloseKey(key);
    return values;
}

struct DialogSearch
{
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    char caption[128] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    if (owner == search->processId && std::string(className) == "#32770" && std::string(caption) == kCaption &&
        IsWindowVisible(window))
    {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForConfigDialog(const SaverRun& saver)
{
    DialogSearch search = {saver.ProcessId(), nullptr};
    WaitUntil(kStartTimeoutMs, [&] {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr || !saver.IsRunning();
    });
    return search.found;
}

void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

class ConfigMode : public testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(ConfigMode, UnownedDialogStoresTheClickedValuesOnOk)
{
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/c"));
    const HWND dialog = WaitForConfigDialog(saver);
    ASSERT_NE(dialog, nullptr) << "no configuration dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
    EXPECT_TRUE(SettingsValues().empty()); // opening reads, it writes nothing

    Click(dialog, IDC_SHOW_FPS);
    Click(dialog, IDC_EXIT_ON_MOUSE_MOVE);
    Click(dialog, IDC_24H);
    Click(dialog, IDC_RAIN);
    HWND volume = GetDlgItem(dialog, IDC_VOLUME);
    SendMessageA(volume, TBM_SETPOS, TRUE, 80);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 80), reinterpret_cast<LPARAM>(volume));
    Click(dialog, IDOK);

    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kExitTimeoutMs, &exitCode)) << "OK did not end the program";
    EXPECT_EQ(exitCode, 0u);
    const std::map<std::string, DWORD> values = SettingsValues();
    EXPECT_EQ(values.size(), 18u);
    const std::map<std::string, DWORD> expected = {
        {"ShowFPS", 2},  {"ExitOnMouseMove", 2}, {"TimeModeAMPM", 1},       {"RAIN_ENABLE", 1},    {"MusicVolume", 80},
        {"ShowTime", 2}, {"Music", 2},           {"UseDesktopSettings", 2}, {"RAIN_STRENGHT", 50},
    };
    for (const auto& value : expected)
    {
        ASSERT_TRUE(values.count(value.first)) << value.first;
        EXPECT_EQ(values.at(value.first), value.second) << value.first;
    }
}

TEST_F(ConfigMode, DialogOwnedByTheGivenWindowCancelStoresNothing)
{
    SetDword("MusicVolume", 20);
    const std::map<std::string, DWORD> before = SettingsValues();
    DriverWindow owner(320, 200, RGB(40, 40, 40));
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/c:" + std::to_string(reinterpret_cast<uintptr_t>(owner.Handle()))));
    const HWND dialog = WaitForConfigDialog(saver);
    ASSERT_NE(dialog, nullptr) << "no configuration dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner.Handle());
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_VOLUME), TBM_GETPOS, 0, 0), 20); // the stored value is shown

    Click(dialog, IDC_MUSIC);
    Click(dialog, IDC_RESTORE_DEFAULTS);
    Click(dialog, IDCANCEL);
    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kExitTimeoutMs, &exitCode)) << "Cancel did not end the program";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(SettingsValues(), before);
}

// The load's last record: the message loop runs right after it ("RenderInit()
// - ok" comes first, and the load takes seconds behind the loading picture).
bool SceneLoaded(const SaverRun& saver)
{
    return saver.LogHas("bump enable") || saver.LogHas("bump disable");
}

// Full-screen run with ExitOnMouseMove stored: the first ten moves are a
// grace, after them a jump of more than 20 pixels ends the run.
TEST_F(ConfigMode, StoredExitOnMouseMoveEndsAFullScreenRunOnAJump)
{
    SetDword("ExitOnMouseMove", 2);
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s"));
    const HWND window = saver.WaitForTopLevelWindow(kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no saver window";
    // The moves are posted while the scene loads, whose pumps take them in
    // the order posted before frames run, so that Wine's own moves (at the
    // real pointer, far from the posted positions) cannot fall between them.
    ASSERT_TRUE(WaitUntil(kStartTimeoutMs, [&] { return saver.LogHas("RenderInit() - ok") || !saver.IsRunning(); }));

    // the system may send a move or two of its own at the start, so only
    // eight jumps are sure to fall inside the grace
    int x = 100;
    for (int move = 0; move < 8; ++move)
    {
        x = x == 100 ? 300 : 100;
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, 100));
    }
    PumpFor(500);
    ASSERT_TRUE(saver.IsRunning()) << "ended inside the grace";
    EXPECT_FALSE(saver.LogHas("detected mouse move"));

    // a small move after the grace does not end it; a jump does
    for (int move = 0; move < 3; ++move)
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, 100 + 5 * move));
    PumpFor(300);
    ASSERT_TRUE(saver.IsRunning()) << "a move of 5 pixels ended the run";
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x + 21, 110));
    DWORD exitCode = 1234;
    ASSERT_TRUE(saver.WaitForExit(kLoadTimeoutMs, &exitCode)) << "the jump did not end the run";
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(saver.LogHas("detected mouse move"));
}

TEST_F(ConfigMode, WithoutExitOnMouseMoveJumpsAreIgnored)
{
    SetDword("ExitOnMouseMove", 1);
    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s"));
    const HWND window = saver.WaitForTopLevelWindow(kStartTimeoutMs);
    ASSERT_NE(window, nullptr) << "no saver window";
    ASSERT_TRUE(WaitUntil(kLoadTimeoutMs, [&] { return SceneLoaded(saver) || !saver.IsRunning(); }));
    for (int move = 0; move < 30; ++move)
        PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(move % 2 ? 600 : 10, 100));
    PumpFor(500);
    EXPECT_TRUE(saver.IsRunning());
    EXPECT_FALSE(saver.LogHas("detected mouse move"));
}

} // namespace
