// Windows layer: the configuration dialog and the about box.
#pragma once
#include <windows.h>

class CSaverCore;

// Dialog 2003. Works on g_pSaverApp: reads the registry when it opens, edits
// the live settings, writes them on OK. OK and Cancel post the quit message.
INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Dialog 235: caption, button and the seven about lines from the label table.
INT_PTR CALLBACK AboutBoxProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// Runs dialog 2003 modally, owned by the window from the command line;
// returns the dialog's result (1 OK, 2 Cancel, -1 when it could not open).
INT_PTR RunConfigDialog(CSaverCore* app);

// Size of the configuration dialog window after it opened, and where the
// three bottom buttons go, in pixels of its client area.
constexpr int CONFIG_DIALOG_WIDTH = 526;
constexpr int CONFIG_DIALOG_HEIGHT = 414;
constexpr int RESTORE_BUTTON_X = 24;
constexpr int OK_BUTTON_X = 320;
constexpr int CANCEL_BUTTON_X = 420;
constexpr int BOTTOM_BUTTONS_Y = 350;
