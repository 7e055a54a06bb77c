// Windows layer: the configuration dialog and the about box.
#include "settings/win/ConfigDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "resources/SettingsIds.h"
#include "settings/SceneOptions.h"
#include "settings/win/SettingsRegistry.h"
#include "settings/win/VideoModeEnumeration.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

struct ControlLabel
{
    int id;
    const char* key;
};

const ControlLabel kControlLabels[] = {
    {IDC_VIDEO_GROUP, "video_mode_selection"},
    {IDC_USE_DESKTOP, "use_desktop_settings"},
    {IDC_SOUND_GROUP, "sound_control"},
    {IDC_VOLUME_LABEL, "master_volume:"},
    {IDC_MUSIC, "enable_music"},
    {IDC_SFX, "enable_sfx"},
    {IDC_OPTIONS_GROUP, "options"},
    {IDC_REFLECTION, "reflecting_water_surface"},
    {IDC_RAIN, "rainfall_amount"},
    {IDC_LEAVES, "leaf_fall_amount"},
    {IDC_MISC_GROUP, "misc_options"},
    {IDC_SHOW_FPS, "show_fps"},
    {IDC_SHOW_TIME, "show_time"},
    {IDC_12H, "12h_style"},
    {IDC_24H, "24h_style"},
    {IDC_EXIT_ON_MOUSE_MOVE, "exit_on_mouse_move"},
    {IDC_PRODUCTS_GROUP, "products"},
    {IDC_PRODUCTS_TEXT, "visit_our_official_web-site_for_more_great_3D_screensavers"},
    {IDC_VISIT, "visit..."},
    {IDC_RESTORE_DEFAULTS, "restore_defaults"},
    {IDOK, "ok"},
    {IDCANCEL, "cancel"},
};

HINSTANCE DialogInstance(CSaverCore* app)
{
    return app->m_hInstance ? app->m_hInstance : GetModuleHandleA(nullptr);
}

void ShowCheck(HWND dialog, int id, int32_t value)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Enable(HWND dialog, int id, bool enabled)
{
    EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

void SetupTrackbar(HWND dialog, int id, int32_t position, bool enabled)
{
    SendDlgItemMessageA(dialog, id, TBM_SETRANGE, TRUE, MAKELPARAM(1, 100));
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
    SendDlgItemMessageA(dialog, id, TBM_SETTICFREQ, 10, 0);
    Enable(dialog, id, enabled);
}

void EnableVolume(HWND dialog, const SaverSettings& settings)
{
    const bool sound = settings.Music || settings.SFX;
    Enable(dialog, IDC_VOLUME, sound);
    Enable(dialog, IDC_VOLUME_LABEL, sound);
}

void MoveControl(HWND dialog, int id, int x, int y)
{
    SetWindowPos(GetDlgItem(dialog, id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetupControls(HWND dialog, CSaverCore* app)
{
    const CLabelTable& labels = app->m_Labels;
    const SaverSettings& settings = app->m_Settings;

    SetWindowTextA(dialog, labels.GetLabel("screensaver_configuration").c_str());
    for (const ControlLabel& control : kControlLabels)
        SetDlgItemTextA(dialog, control.id, labels.GetLabel(control.key).c_str());
    SetDlgItemTextA(dialog, IDC_ABOUT, (labels.GetLabel("about") + "...").c_str());

    ShowCheck(dialog, IDC_SHOW_FPS, settings.ShowFPS);
    ShowCheck(dialog, IDC_SHOW_TIME, settings.ShowTime);
    ShowCheck(dialog, IDC_12H, settings.TimeModeAMPM == 1);
    ShowCheck(dialog, IDC_24H, settings.TimeModeAMPM == 0);
    Enable(dialog, IDC_12H, settings.ShowTime != 0);
    Enable(dialog, IDC_24H, settings.ShowTime != 0);
    ShowCheck(dialog, IDC_EXIT_ON_MOUSE_MOVE, settings.ExitOnMouseMove);
    ShowCheck(dialog, IDC_SFX, settings.SFX);
    ShowCheck(dialog, IDC_MUSIC, settings.Music);
    ShowCheck(dialog, IDC_USE_DESKTOP, settings.UseDesktopSettings);
    Enable(dialog, IDC_MODE_BOX, settings.UseDesktopSettings == 0);
    ShowCheck(dialog, IDC_RAIN, RainEnable);
    ShowCheck(dialog, IDC_REFLECTION, WaterReflection);
    ShowCheck(dialog, IDC_LEAVES, LeafeEnable);

    SetupTrackbar(dialog, IDC_VOLUME, settings.MusicVolume, settings.Music || settings.SFX);
    EnableVolume(dialog, settings);
    SetupTrackbar(dialog, IDC_RAIN_AMOUNT, RainStrenght, RainEnable != 0);
    SetupTrackbar(dialog, IDC_LEAF_AMOUNT, LeafeStrenght, LeafeEnable != 0);

    SetWindowPos(dialog, nullptr, 0, 0, CONFIG_DIALOG_WIDTH, CONFIG_DIALOG_HEIGHT,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveControl(dialog, IDC_RESTORE_DEFAULTS, RESTORE_BUTTON_X, BOTTOM_BUTTONS_Y);
    MoveControl(dialog, IDOK, OK_BUTTON_X, BOTTOM_BUTTONS_Y);
    MoveControl(dialog, IDCANCEL, CANCEL_BUTTON_X, BOTTOM_BUTTONS_Y);
}

// Flips a stored boolean and shows the new value in its check box.
template <typename Field> void Toggle(HWND dialog, int id, Field& field)
{
    field = field ? 0 : 1;
    ShowCheck(dialog, id, field);
}

void OnInitDialog(HWND dialog, CSaverCore* app)
{
    ReadSettingsFromRegistry(app->m_Settings, app->m_VideoModes.m_nSelectedMode);
    app->OnSettingsRead();
    ApplySelectedVideoMode(app->m_VideoModes, app->m_Settings);
    FillModeBox(dialog, app->m_VideoModes);
    app->OnConfigDialogInit(dialog);
    SetupControls(dialog, app);
}

void OnRestoreDefaults(HWND dialog, CSaverCore* app)
{
    app->OnReset();
    RestoreSettingsDefaults(app->m_DefaultSettings, app->m_DefaultText, app->m_VideoModes, app->m_Settings);
    FillModeBox(dialog, app->m_VideoModes);
    app->OnConfigDialogInit(dialog);
    SetupControls(dialog, app);
}

// Actions of the buttons that do not end the dialog.
void OnCommand(HWND dialog, CSaverCore* app, int id)
{
    SaverSettings& settings = app->m_Settings;
    switch (id)
    {
    case IDC_USE_DESKTOP:
        Toggle(dialog, id, settings.UseDesktopSettings);
        Enable(dialog, IDC_MODE_BOX, settings.UseDesktopSettings == 0);
        break;
    case IDC_MUSIC:
        Toggle(dialog, id, settings.Music);
        EnableVolume(dialog, settings);
        break;
    case IDC_SFX:
        Toggle(dialog, id, settings.SFX);
        EnableVolume(dialog, settings);
        break;
    case IDC_SHOW_TIME:
        Toggle(dialog, id, settings.ShowTime);
        Enable(dialog, IDC_12H, settings.ShowTime != 0);
        Enable(dialog, IDC_24H, settings.ShowTime != 0);
        break;
    case IDC_SHOW_FPS:
        Toggle(dialog, id, settings.ShowFPS);
        break;
    case IDC_EXIT_ON_MOUSE_MOVE:
        Toggle(dialog, id, settings.ExitOnMouseMove);
        break;
    case IDC_24H:
        settings.TimeModeAMPM = 0;
        ShowCheck(dialog, IDC_12H, 0);
        ShowCheck(dialog, IDC_24H, 1);
        break;
    case IDC_12H:
        settings.TimeModeAMPM = 1;
        ShowCheck(dialog, IDC_12H, 1);
        ShowCheck(dialog, IDC_24H, 0);
        break;
    case IDC_REFLECTION:
        Toggle(dialog, id, WaterReflection);
        break;
    case IDC_RAIN:
        Toggle(dialog, id, RainEnable);
        Enable(dialog, IDC_RAIN_AMOUNT, RainEnable != 0);
        break;
    case IDC_LEAVES:
        Toggle(dialog, id, LeafeEnable);
        Enable(dialog, IDC_LEAF_AMOUNT, LeafeEnable != 0);
        break;
    case IDC_VISIT:
        ShellExecuteA(dialog, "open", app->m_DefaultText.Lookup("main_web_site_url").c_str(), nullptr, nullptr,
                      SW_SHOWNORMAL);
        break;
    case IDC_ABOUT:
        DialogBoxParamA(DialogInstance(app), MAKEINTRESOURCEA(IDD_ABOUT), app->m_hWndParent, AboutBoxProc, 0);
        break;
    case IDC_RESTORE_DEFAULTS:
        OnRestoreDefaults(dialog, app);
        break;
    default:
        break;
    }
}

int TrackbarPosition(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

} // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CSaverCore* app = g_pSaverApp;
    if (app == nullptr)
        return FALSE;

    switch (msg)
    {
    case WM_INITDIALOG:
        OnInitDialog(dialog, app);
        return TRUE;

    case WM_COMMAND:
    {
        const int id = LOWORD(wParam);
        if (HIWORD(wParam) == CBN_SELENDOK)
        {
            HWND control = reinterpret_cast<HWND>(lParam);
            const LRESULT selection = SendMessageA(control, CB_GETCURSEL, 0, 0);
            SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
            if (selection != CB_ERR && id == IDC_MODE_BOX)
                app->m_VideoModes.m_nSelectedMode = static_cast<int32_t>(selection);
            return TRUE;
        }
        if (id == IDOK)
        {
            WriteSettingsToRegistry(app->m_Settings, app->m_VideoModes.m_nSelectedMode);
            app->OnSettingsWritten();
            EndDialog(dialog, IDOK);
            PostQuitMessage(0);
            return TRUE;
        }
        if (id == IDCANCEL)
        {
            EndDialog(dialog, IDCANCEL);
            PostQuitMessage(0);
            return TRUE;
        }
        OnCommand(dialog, app, id);
        break;
    }

    case WM_HSCROLL:
        switch (LOWORD(wParam))
        {
        case TB_PAGEUP:
        case TB_PAGEDOWN:
        case TB_THUMBTRACK:
            app->m_Settings.MusicVolume = TrackbarPosition(dialog, IDC_VOLUME);
            LeafeStrenght = TrackbarPosition(dialog, IDC_LEAF_AMOUNT);
            RainStrenght = TrackbarPosition(dialog, IDC_RAIN_AMOUNT);
            break;
        default:
            break; // arrow keys, home, end, thumb position and end of tracking store nothing
        }
        break;

    default:
        break;
    }
    return app->ConfigDialogMessage(dialog, msg, wParam, lParam);
}

INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    CSaverCore* app = g_pSaverApp;
    switch (msg)
    {
    case WM_INITDIALOG:
        if (app)
        {
            SetWindowTextA(dialog, app->m_Labels.GetLabel("about").c_str());
            SetDlgItemTextA(dialog, IDOK, app->m_Labels.GetLabel("ok").c_str());
            for (int i = 0; i < CLabelTable::ABOUT_LINES; ++i)
                SetDlgItemTextA(dialog, IDC_ABOUT_LINE1 + i, app->m_Labels.AboutLine(i).c_str());
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
        {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR RunConfigDialog(CSaverCore* app)
{
    return DialogBoxParamA(DialogInstance(app), MAKEINTRESOURCEA(IDD_CONFIG), app->m_hWndParent, ConfigDialogProc, 0);
}
