// The configuration dialog and the about box, opened from their templates
// with the real procedures and driven by the messages a user's clicks send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "resources/SettingsIds.h"
#include "settings/SceneOptions.h"
#include "settings/win/ConfigDialog.h"
#include "src/ClassRender/win/SaverCore.h"
#include "tests/win/SettingsRegistryHelpers.h"

namespace {

using namespace settings_test;

std::string WindowText(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// True when the quit message was posted; it is taken off the queue.
bool TakeQuitMessage()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

class ConfigDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        DeleteSettingsKey();
        TakeQuitMessage();
        // 640x480 16/32, 800x600 32, 1024x768 16/32: the default is index 4
        for (VideoMode mode : {VideoMode{1024, 768, 60, 22}, VideoMode{1024, 768, 60, 23}, VideoMode{640, 480, 60, 22},
                               VideoMode{640, 480, 60, 23}, VideoMode{800, 600, 60, 22}})
            app.m_VideoModes.Append(mode);
        app.m_VideoModes.Arrange();
    }

    void TearDown() override
    {
        if (dialog)
            DestroyWindow(dialog);
        TakeQuitMessage();
        DeleteSettingsKey();
    }

    void Open()
    {
        dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
    }

    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    bool Checked(int id) const { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    int BoxSelection() const { return static_cast<int>(SendMessageA(Item(IDC_MODE_BOX), CB_GETCURSEL, 0, 0)); }

    void PickMode(int index)
    {
        SendMessageA(Item(IDC_MODE_BOX), CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE_BOX, CBN_SELENDOK),
                     reinterpret_cast<LPARAM>(Item(IDC_MODE_BOX)));
    }

    void Scroll(int trackbar, int position, int code)
    {
        SendMessageA(Item(trackbar), TBM_SETPOS, TRUE, position);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(Item(trackbar)));
    }

    CSaverCore app;
    HWND dialog = nullptr;
};

TEST_F(ConfigDialog, OpensWithLabelsLayoutAndTheStoredValues)
{
    SetDword("ShowFPS", 2);
    SetDword("ShowTime", 1);
    SetDword("TimeModeAMPM", 1);
    SetDword("Music", 1);
    SetDword("SFX", 1);
    SetDword("UseDesktopSettings", 1);
    SetDword("RAIN_ENABLE", 1);
    SetDword("LEAFE_STRENGHT", 77);
    SetDword("MusicVolume", 12);
    Open();

    EXPECT_EQ(WindowText(dialog), "Quenmoor 3D Screensaver Configuration");
    EXPECT_EQ(WindowText(Item(IDC_ABOUT)), "About...");
    EXPECT_EQ(WindowText(Item(IDC_VOLUME_LABEL)), "Volume");
    EXPECT_EQ(WindowText(Item(IDC_PRODUCTS_TEXT)), "Visit our official web-site for more great 3D screensavers");
    EXPECT_EQ(WindowText(Item(IDOK)), "OK");

    EXPECT_TRUE(Checked(IDC_SHOW_FPS));
    EXPECT_FALSE(Checked(IDC_SHOW_TIME));
    EXPECT_FALSE(Checked(IDC_12H));
    EXPECT_TRUE(Checked(IDC_24H));
    EXPECT_FALSE(Enabled(IDC_12H)); // the clock form only matters with the clock
    EXPECT_FALSE(Enabled(IDC_24H));
    EXPECT_FALSE(Checked(IDC_USE_DESKTOP));
    EXPECT_TRUE(Enabled(IDC_MODE_BOX));
    EXPECT_FALSE(Enabled(IDC_VOLUME)); // neither music nor sounds
    EXPECT_FALSE(Enabled(IDC_VOLUME_LABEL));
    EXPECT_FALSE(Enabled(IDC_RAIN_AMOUNT));
    EXPECT_TRUE(Enabled(IDC_LEAF_AMOUNT));
    EXPECT_EQ(SendMessageA(Item(IDC_LEAF_AMOUNT), TBM_GETPOS, 0, 0), 77);
    EXPECT_EQ(SendMessageA(Item(IDC_VOLUME), TBM_GETPOS, 0, 0), 12);
    EXPECT_EQ(SendMessageA(Item(IDC_VOLUME), TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageA(Item(IDC_VOLUME), TBM_GETRANGEMIN, 0, 0), 1);

    // the default choice: first 1024-wide 32-bit mode, shown and current
    EXPECT_EQ(SendMessageA(Item(IDC_MODE_BOX), CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(BoxSelection(), 4);
    char text[64] = {};
    SendMessageA(Item(IDC_MODE_BOX), CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "1024 x 768 32 bits");
    EXPECT_EQ(app.m_Settings.Width, 1024);
    EXPECT_EQ(app.m_Settings.BitCount, 32);

    RECT window = {};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.right - window.left, CONFIG_DIALOG_WIDTH);
    EXPECT_EQ(window.bottom - window.top, CONFIG_DIALOG_HEIGHT);
    const struct
    {
        int id;
        int x;
    } buttons[] = {{IDC_RESTORE_DEFAULTS, RESTORE_BUTTON_X}, {IDOK, OK_BUTTON_X}, {IDCANCEL, CANCEL_BUTTON_X}};
    RECT client = {};
    GetClientRect(dialog, &client);
    for (const auto& button : buttons)
    {
        RECT rect = {};
        GetWindowRect(Item(button.id), &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, button.x) << button.id;
        EXPECT_EQ(rect.top, BOTTOM_BUTTONS_Y) << button.id;
        EXPECT_LE(rect.right, client.right) << button.id; // still inside after the resize
        EXPECT_LE(rect.bottom, client.bottom) << button.id;
    }
}

TEST_F(ConfigDialog, TogglesStoreTheValueAndGreyTheirControls)
{
    Open();
    // shipped defaults: desktop mode on, music and sounds on, clock on
    EXPECT_TRUE(Checked(IDC_USE_DESKTOP));
    EXPECT_FALSE(Enabled(IDC_MODE_BOX));
    EXPECT_EQ(BoxSelection(), 4); // greyed but keeps its selection

    Click(IDC_USE_DESKTOP);
    EXPECT_EQ(app.m_Settings.UseDesktopSettings, 0);
    EXPECT_FALSE(Checked(IDC_USE_DESKTOP));
    EXPECT_TRUE(Enabled(IDC_MODE_BOX));

    Click(IDC_MUSIC);
    EXPECT_EQ(app.m_Settings.Music, 0);
    EXPECT_TRUE(Enabled(IDC_VOLUME));
    Click(IDC_SFX);
    EXPECT_EQ(app.m_Settings.SFX, 0);
    EXPECT_FALSE(Enabled(IDC_VOLUME));
    EXPECT_FALSE(Enabled(IDC_VOLUME_LABEL));
    Click(IDC_SFX);
    EXPECT_TRUE(Enabled(IDC_VOLUME));
    EXPECT_TRUE(Enabled(IDC_VOLUME_LABEL));

    Click(IDC_SHOW_TIME);
    EXPECT_EQ(app.m_Settings.ShowTime, 0);
    EXPECT_FALSE(Enabled(IDC_12H));
    EXPECT_FALSE(Enabled(IDC_24H));

    Click(IDC_RAIN);
    EXPECT_EQ(RainEnable, 0);
    EXPECT_FALSE(Enabled(IDC_RAIN_AMOUNT));
    Click(IDC_LEAVES);
    EXPECT_EQ(LeafeEnable, 0);
    EXPECT_FALSE(Enabled(IDC_LEAF_AMOUNT));
    Click(IDC_REFLECTION);
    EXPECT_EQ(WaterReflection, 0);
    Click(IDC_SHOW_FPS);
    EXPECT_EQ(app.m_Settings.ShowFPS, 1);
    Click(IDC_EXIT_ON_MOUSE_MOVE);
    EXPECT_EQ(app.m_Settings.ExitOnMouseMove, 1);

    // every check box shows what is stored
    const struct
    {
        int id;
        int32_t stored;
    } boxes[] = {
        {IDC_USE_DESKTOP, app.m_Settings.UseDesktopSettings},
        {IDC_MUSIC, app.m_Settings.Music},
        {IDC_SFX, app.m_Settings.SFX},
        {IDC_SHOW_TIME, app.m_Settings.ShowTime},
        {IDC_RAIN, RainEnable},
        {IDC_LEAVES, LeafeEnable},
        {IDC_REFLECTION, WaterReflection},
        {IDC_SHOW_FPS, app.m_Settings.ShowFPS},
        {IDC_EXIT_ON_MOUSE_MOVE, app.m_Settings.ExitOnMouseMove},
    };
    for (const auto& box : boxes)
        EXPECT_EQ(Checked(box.id), box.stored != 0) << box.id;

    Click(IDC_SHOW_TIME);
    Click(IDC_24H);
    EXPECT_EQ(app.m_Settings.TimeModeAMPM, 0);
    EXPECT_TRUE(Checked(IDC_24H));
    EXPECT_FALSE(Checked(IDC_12H));
    Click(IDC_12H);
    EXPECT_EQ(app.m_Settings.TimeModeAMPM, 1);
    EXPECT_FALSE(Checked(IDC_24H));
}

TEST_F(ConfigDialog, TrackbarsStoreOnPageAndDragOnly)
{
    Open();
    const struct
    {
        int code;
        bool stores;
    } cases[] = {
        {TB_PAGEUP, true},  {TB_PAGEDOWN, true},  {TB_THUMBTRACK, true},
        {TB_LINEUP, false}, {TB_LINEDOWN, false}, {TB_THUMBPOSITION, false},
        {TB_TOP, false},    {TB_BOTTOM, false},   {TB_ENDTRACK, false},
    };
    int position = 10;
    for (const auto& c : cases)
    {
        const int32_t volumeBefore = app.m_Settings.MusicVolume;
        const int32_t rainBefore = RainStrenght;
        const int32_t leafBefore = LeafeStrenght;
        ++position;
        // the message names the volume slider, but all three are read
        SendMessageA(Item(IDC_RAIN_AMOUNT), TBM_SETPOS, TRUE, position + 20);
        SendMessageA(Item(IDC_LEAF_AMOUNT), TBM_SETPOS, TRUE, position + 40);
        Scroll(IDC_VOLUME, position, c.code);
        EXPECT_EQ(app.m_Settings.MusicVolume, c.stores ? position : volumeBefore) << c.code;
        EXPECT_EQ(RainStrenght, c.stores ? position + 20 : rainBefore) << c.code;
        EXPECT_EQ(LeafeStrenght, c.stores ? position + 40 : leafBefore) << c.code;
    }
}

TEST_F(ConfigDialog, RestoreDefaultsKeepsTheModeAndCancelWritesNothing)
{
    SetDword("ShowFPS", 2);
    SetDword("Music", 1);
    SetDword("MusicVolume", 90);
    SetDword("RAIN_ENABLE", 1);
    SetDword("m_nSelectedMode", 1);
    const auto before = ReadAllValues();
    Open();
    EXPECT_EQ(BoxSelection(), 1);
    EXPECT_EQ(app.m_Settings.Width, 640);
    EXPECT_EQ(app.m_Settings.BitCount, 32);

    PickMode(2);
    EXPECT_EQ(app.m_VideoModes.m_nSelectedMode, 2);
    Scroll(IDC_LEAF_AMOUNT, 3, TB_THUMBTRACK);

    Click(IDC_RESTORE_DEFAULTS);
    EXPECT_EQ(app.m_VideoModes.m_nSelectedMode, 2);
    EXPECT_EQ(BoxSelection(), 2);
    EXPECT_EQ(app.m_Settings.Width, 800); // the chosen mode became current
    EXPECT_EQ(app.m_Settings.ShowFPS, 0);
    EXPECT_EQ(app.m_Settings.Music, 1);
    EXPECT_EQ(app.m_Settings.MusicVolume, 35);
    EXPECT_EQ(RainEnable, 1);
    EXPECT_EQ(LeafeStrenght, 50);
    EXPECT_FALSE(Checked(IDC_SHOW_FPS));
    EXPECT_TRUE(Checked(IDC_MUSIC));
    EXPECT_TRUE(Checked(IDC_RAIN));
    EXPECT_TRUE(Enabled(IDC_RAIN_AMOUNT));
    EXPECT_EQ(SendMessageA(Item(IDC_VOLUME), TBM_GETPOS, 0, 0), 35);
    EXPECT_EQ(SendMessageA(Item(IDC_LEAF_AMOUNT), TBM_GETPOS, 0, 0), 50);

    Click(IDCANCEL);
    EXPECT_TRUE(TakeQuitMessage());
    EXPECT_EQ(ReadAllValues(), before);
}

TEST_F(ConfigDialog, OkWritesTheEditedValues)
{
    Open();
    Click(IDC_USE_DESKTOP);
    PickMode(0);
    Click(IDC_EXIT_ON_MOUSE_MOVE);
    Click(IDC_LEAVES);
    Scroll(IDC_VOLUME, 60, TB_PAGEDOWN);
    Click(IDOK);
    EXPECT_TRUE(TakeQuitMessage());

    const auto values = ReadAllValues();
    EXPECT_EQ(values.size(), 18u);
    EXPECT_EQ(values.at("UseDesktopSettings").second, 1u);
    EXPECT_EQ(values.at("m_nSelectedMode").second, 0u);
    EXPECT_EQ(values.at("ExitOnMouseMove").second, 2u);
    EXPECT_EQ(values.at("LEAFE_ENABLE").second, 1u);
    EXPECT_EQ(values.at("MusicVolume").second, 60u);
    EXPECT_EQ(values.at("RAIN_STRENGHT").second, 50u);
    // the mode current when the dialog opened (the default choice)
    EXPECT_EQ(values.at("Width").second, 1024u);
    EXPECT_EQ(values.at("BitCount").second, 32u);
}

TEST_F(ConfigDialog, AboutBoxShowsTheSevenLines)
{
    HWND about = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutBoxProc, 0);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(about), "About");
    EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), "OK");
    for (int i = 0; i < CLabelTable::ABOUT_LINES; ++i)
        EXPECT_EQ(WindowText(GetDlgItem(about, IDC_ABOUT_LINE1 + i)), app.m_Labels.AboutLine(i)) << i;
    EXPECT_EQ(WindowText(GetDlgItem(about, IDC_ABOUT_LINE1 + 1)), "");
    EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & WS_SYSMENU, 0);
    DestroyWindow(about);
}

} // namespace
