// Windows layer: the saver's windows, the input that ends it, and shutdown.
#include "shell/win/SaverWindow.h"

#include <cstdlib>

#include "resources/ResourceIds.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "src/ClassRender/win/SaverCore.h"

MousePosition g_PreviousMousePosition;

static void HideCursor()
{
    SetCursor(nullptr);
}

static HWND CreateSaverWindow(CSaverCore* app, DWORD style, int x, int y, int width, int height, HWND owner)
{
    return CreateWindowExA(0, app->m_szClassName, app->m_szWindowTitle, style, x, y, width, height, owner, nullptr,
                           app->m_hInstance, nullptr);
}

HRESULT OpenSaverWindows(CSaverCore* app)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProc;
    windowClass.hInstance = app->m_hInstance;
    windowClass.hIcon = LoadIconA(app->m_hInstance, MAKEINTRESOURCEA(IDI_QUENMOOR));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = app->m_szClassName;
    RegisterClassA(&windowClass);

    switch (app->m_Mode)
    {
    case rmPreview:
    {
        RECT rect = {};
        if (GetClientRect(app->m_hWndParent, &rect))
        {
            AdjustWindowRect(&rect, WS_VISIBLE | WS_CHILD, FALSE);
            app->m_hWnd = CreateSaverWindow(app, WS_VISIBLE | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                                            rect.bottom - rect.top, app->m_hWndParent);
        }
        break;
    }
    case rmFullScreen:
        for (int i = 0; i < app->m_nMonitors; ++i)
        {
            MonitorRecord& monitor = app->m_Monitors[i];
            if (monitor.hMonitor == nullptr)
                continue;
            const int width = monitor.rcScreen.right - monitor.rcScreen.left;
            const int height = monitor.rcScreen.bottom - monitor.rcScreen.top;
            // an anchor for the full-screen device, centred in screen coordinates
            HWND window = CreateSaverWindow(app, WS_VISIBLE | WS_OVERLAPPEDWINDOW, (width - 800) / 2,
                                            (height - 600) / 2, 806, 626, app->m_hWnd);
            if (window == nullptr)
            {
                LogWrite(g_szLogFile, "%s\t%d\n", "error create window", i);
                return E_FAIL;
            }
            monitor.hWnd = window;
            if (app->m_hWnd == nullptr)
                app->m_hWnd = window;
        }
        break;
    case rmTestWindow:
    {
        const DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        RECT rect = {50, 50, 50 + TEST_WINDOW_WIDTH, 50 + TEST_WINDOW_HEIGHT};
        AdjustWindowRect(&rect, style, FALSE);
        app->m_hWnd =
            CreateSaverWindow(app, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr);
        break;
    }
    default:
        break;
    }

    if (app->m_hWnd == nullptr)
    {
        LogWrite(g_szLogFile, "%s\n", "error create window (m_hWnd)");
        return E_FAIL;
    }
    HideCursor();
    return S_OK;
}

void RequestExit(CSaverCore* app)
{
    if (app->m_Mode != rmFullScreen && app->m_Mode != rmTestWindow)
        return;

    if (app->m_bCheckPassword == 1 && app->m_Mode == rmFullScreen && app->m_pfnPasswordCheck)
    {
        // show the last drawn frame behind the password dialog
        if (app->m_nFrameParity == 0 && app->m_pDevice)
            app->m_pDevice->Present(nullptr, nullptr, nullptr, nullptr);
        if (!app->m_pfnPasswordCheck(app->m_hWnd))
        {
            HideCursor();
            app->m_nMouseGrace = 0;
            app->m_nFrameParity = 1;
            // the time spent in the dialog is not a frame
            app->m_fLastFrameTime = static_cast<float>(ClockReadMs());
            return;
        }
    }
    CloseSaver(app);
}

LRESULT CALLBACK SaverWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CSaverCore* app = g_pSaverApp;
    if (app == nullptr)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    const RunMode mode = app->m_Mode;

    switch (msg)
    {
    case WM_CREATE:
        if (mode == rmPreview)
            app->m_hPreviewBitmap = LoadBitmapA(app->m_hInstance, MAKEINTRESOURCEA(IDB_PREVIEW));
        HideCursor();
        break;
    case WM_DESTROY:
        CloseSaver(app);
        break;
    case WM_PAINT:
        if (mode == rmPreview)
        {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hWnd, &paint);
            if (app->m_hPreviewBitmap)
            {
                HDC bitmapDc = CreateCompatibleDC(dc);
                HGDIOBJ previous = SelectObject(bitmapDc, app->m_hPreviewBitmap);
                BitBlt(dc, 0, 0, PREVIEW_BITMAP_WIDTH, PREVIEW_BITMAP_HEIGHT, bitmapDc, 0, 0, SRCCOPY);
                SelectObject(bitmapDc, previous);
                DeleteDC(bitmapDc);
            }
            EndPaint(hWnd, &paint);
            return 0;
        }
        break;
    case WM_ACTIVATEAPP:
        if (wParam == 0 && mode != rmTestWindow)
            RequestExit(app);
        break;
    case WM_SETCURSOR:
        if (mode == rmFullScreen)
        {
            HideCursor();
            return 1;
        }
        break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (mode != rmTestWindow)
        {
            LogWrite(g_szLogFile, "%s\n", "detected pressed any key");
            RequestExit(app);
        }
        break;
    case WM_SYSCOMMAND:
        if (mode == rmFullScreen &&
            (wParam == SC_CLOSE || wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
        {
            RequestExit(app);
            return 0;
        }
        break;
    case WM_TIMER:
        if (LOWORD(wParam) == TIMER_PREVIEW_WAIT)
        {
            app->m_bPreviewWait = 0;
            KillTimer(hWnd, TIMER_PREVIEW_WAIT);
        }
        else if (LOWORD(wParam) == TIMER_FPS_LATCH)
        {
            app->m_nFramesPerSecond = app->m_nFrameCounter;
            app->m_nFrameCounter = 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (mode != rmPreview && app->m_Settings.ExitOnMouseMove)
        {
            // signed coordinates: monitors left of the primary are negative
            const int x = static_cast<short>(LOWORD(lParam));
            const int y = static_cast<short>(HIWORD(lParam));
            if (MouseMoveEndsSaver(app->m_nMouseGrace, g_PreviousMousePosition, x, y))
            {
                LogWrite(g_szLogFile, "%s\n", "detected mouse move");
                RequestExit(app);
            }
            return 0;
        }
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND && app->m_pfnPasswordCheck == nullptr)
            RequestExit(app);
        break;
    case WM_USER:
        SetTimer(hWnd, TIMER_PREVIEW_WAIT, PREVIEW_WAIT_MS, nullptr);
        break;
    default:
        break;
    }
    return app->WindowMessage(hWnd, msg, wParam, lParam);
}
