// Windows layer: the saver's windows, the input that ends it, and shutdown.
#pragma once
#include <windows.h>

#include "shell/MouseMoveRule.h"

class CSaverCore;

// Registers the "Screensaver" class and creates the window(s) of the mode:
// the preview child, one full-screen anchor window per monitor, or the test
// window. Returns S_OK, or E_FAIL when no saver window exists.
HRESULT OpenSaverWindows(CSaverCore* app);

LRESULT CALLBACK SaverWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Asks to end the saver (full-screen and test modes only); the password
// check may refuse.
void RequestExit(CSaverCore* app);

// Cursor position of the previous mouse-move message.
extern MousePosition g_PreviousMousePosition;

// Client area of the test window.
constexpr int TEST_WINDOW_WIDTH = 600;
constexpr int TEST_WINDOW_HEIGHT = 400;
// Size of the preview picture (bitmap 432).
constexpr int PREVIEW_BITMAP_WIDTH = 155;
constexpr int PREVIEW_BITMAP_HEIGHT = 115;
