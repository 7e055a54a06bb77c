// Windows layer: the message shown when the Direct3D 9 runtime is missing.
#include "shell/win/NoDirect3DDialog.h"

#include "resources/ResourceIds.h"

// Title and the three lines of the dialog.
static const char* const kTexts[4] = {
    "Quenmoor 3D Screensaver",
    "This screen saver needs DirectX 9 (Direct3D 9),",
    "which could not be found on this computer.",
    "Please install the DirectX 9 runtime and try again.",
};

static INT_PTR CALLBACK NoDirect3DDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    switch (msg)
    {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, kTexts[0]);
        SetDlgItemTextA(dialog, IDC_NO_D3D_LINE1, kTexts[1]);
        SetDlgItemTextA(dialog, IDC_NO_D3D_LINE2, kTexts[2]);
        SetDlgItemTextA(dialog, IDC_NO_D3D_LINE3, kTexts[3]);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
        {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR ShowNoDirect3DDialog(HINSTANCE instance)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_NO_DIRECT3D), nullptr, NoDirect3DDialogProc, 0);
}
