// Windows layer: the screensaver password of Windows 9x and its change.
#include "shell/win/Password.h"

#include "src/ClassRender/win/SaverCore.h"

static bool IsWindows9x()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

void SetupPasswordCheck(CSaverCore* app)
{
    app->m_bCheckPassword = IsWindows9x() ? 1 : 0;
    if (!app->m_bCheckPassword || app->m_Mode != rmFullScreen)
        return;

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD usePassword = 0;
    DWORD size = sizeof(usePassword);
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword),
                         &size) == ERROR_SUCCESS &&
        usePassword != 0)
    {
        app->m_hPasswordDll = LoadLibraryA("PASSWORD.CPL");
        if (app->m_hPasswordDll)
            app->m_pfnPasswordCheck = reinterpret_cast<PasswordCheckFn>(
                reinterpret_cast<void*>(GetProcAddress(app->m_hPasswordDll, "VerifyScreenSavePwd")));
    }
    RegCloseKey(key);
}

void RunPasswordChange(CSaverCore* app)
{
    typedef DWORD(WINAPI * PwdChangePasswordFn)(LPCSTR, HWND, DWORD, LPVOID);
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (mpr == nullptr)
        return;
    auto change =
        reinterpret_cast<PwdChangePasswordFn>(reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
    if (change)
        change("SCRSAVE", app->m_hWndParent, 0, nullptr);
    FreeLibrary(mpr);
}
