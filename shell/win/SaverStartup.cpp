// Windows layer: the start-up shared by every mode, and the mode driver.
#include "shell/win/SaverStartup.h"

#include <commctrl.h>

#include "settings/VideoModeList.h"
#include "shell/RunMode.h"
#include "settings/win/ConfigDialog.h"
#include "settings/win/SettingsRegistry.h"
#include "settings/win/VideoModeEnumeration.h"
#include "shell/win/Monitors.h"
#include "shell/win/Password.h"
#include "shell/win/SaverWindow.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/Direct3DLoader.h"
#include "src/ClassRender/win/SaverCore.h"

static bool NeedsSaverWindow(RunMode mode)
{
    return mode == rmPreview || mode == rmFullScreen || mode == rmTestWindow;
}

// Holds the preview back until timer 1 fires, about 500 ms after the child
// window exists. Returns false when the quit message arrived meanwhile.
static bool WaitForPreviewStart(CSaverCore* app)
{
    app->m_bPreviewWait = 1;
    PostMessageA(app->m_hWnd, WM_USER, 0, 0);
    MSG msg;
    while (app->m_bPreviewWait)
    {
        const BOOL got = GetMessageA(&msg, app->m_hWnd, 0, 0);
        if (got == 0 || got == -1)
        {
            PostQuitMessage(0);
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

HRESULT InitSaver(CSaverCore* app, HINSTANCE instance)
{
    app->Reset();
    app->Init();

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    app->m_hInstance = instance;
    const char* commandLine = GetCommandLineA();
    intptr_t parent = 0;
    app->m_Mode = ReadRunMode(commandLine, parent);
    app->m_hWndParent = reinterpret_cast<HWND>(parent);
    LogWrite(g_szLogFile, "%s\t%s\n", "command line", commandLine);

    if (app->m_Mode != rmPasswordChange)
    {
        app->m_pD3D = CreateDirect3D9();
        if (app->m_pD3D == nullptr)
        {
            MessageBoxA(nullptr, "Not Create Direct3D9 object", "Error", MB_OK | MB_TOPMOST);
            return E_FAIL;
        }
        BuildVideoModeList(app->m_VideoModes);
    }

    ListMonitors(app);

    if (NeedsSaverWindow(app->m_Mode))
    {
        // the options are known before any window opens
        ReadSettingsFromRegistry(app->m_Settings, app->m_VideoModes.m_nSelectedMode);
        if (FAILED(OpenSaverWindows(app)))
            return E_FAIL; // nothing to anchor a device or show a picture on
        if (app->m_Mode == rmPreview && !WaitForPreviewStart(app))
            return S_FALSE;
    }
    return S_OK;
}

int RunSaverMode(CSaverCore* app)
{
    switch (app->m_Mode)
    {
    case rmConfigure:
        RunConfigDialog(app);
        break;
    case rmPreview:
    case rmFullScreen:
    case rmTestWindow:
        // the registry was read before the windows opened (InitSaver)
        app->OnSettingsRead();
        ApplySelectedVideoMode(app->m_VideoModes, app->m_Settings);
        SetupPasswordCheck(app);
        RunSaver(app);
        break;
    case rmPasswordChange:
        RunPasswordChange(app);
        break;
    }
    return 0;
}
