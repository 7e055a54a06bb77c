// End-to-end harness: process, windows, input and log of one saver run.
#include "SaverHarness.h"

#include <cstdio>
#include <fstream>

namespace e2e {

std::string g_SaverPath;

void PumpFor(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

std::vector<DWORD> ScreenArea(int x, int y, int width, int height)
{
    std::vector<DWORD> pixels;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr || width <= 0 || height <= 0)
    {
        if (screen)
            ReleaseDC(nullptr, screen);
        return pixels;
    }
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap)
    {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY))
        {
            GdiFlush();
            const DWORD* p = static_cast<const DWORD*>(bits);
            pixels.assign(p, p + static_cast<size_t>(width) * height);
            for (DWORD& pixel : pixels)
                pixel &= 0x00FFFFFF;
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long ScreenPixel(int x, int y)
{
    const std::vector<DWORD> pixel = ScreenArea(x, y, 1, 1);
    return pixel.empty() ? -1 : static_cast<long>(pixel[0]);
}

std::vector<DWORD> SaverBitmapPixels(int id, int* width, int* height)
{
    std::vector<DWORD> pixels;
    HMODULE module = LoadLibraryExA(g_SaverPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return pixels;
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP header = {};
    if (bitmap && GetObjectA(bitmap, sizeof(header), &header))
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = header.bmWidth;
        info.bmiHeader.biHeight = -header.bmHeight; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        pixels.resize(static_cast<size_t>(header.bmWidth) * header.bmHeight);
        HDC screen = GetDC(nullptr);
        if (GetDIBits(screen, bitmap, 0, header.bmHeight, pixels.data(), &info, DIB_RGB_COLORS) == header.bmHeight)
        {
            for (DWORD& pixel : pixels)
                pixel &= 0x00FFFFFF;
            *width = header.bmWidth;
            *height = header.bmHeight;
        }
        else
        {
            pixels.clear();
        }
        ReleaseDC(nullptr, screen);
    }
    if (bitmap)
        DeleteObject(bitmap);
    FreeLibrary(module);
    return pixels;
}

static void SendInputs(INPUT* inputs, UINT count)
{
    SendInput(count, inputs, sizeof(INPUT));
}

void SendKeyPress(WORD virtualKey)
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = virtualKey;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInputs(inputs, 2);
}

void SendLeftClick()
{
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1] = inputs[0];
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInputs(inputs, 2);
}

// --- driver windows --------------------------------------------------------

static const char kDriverClass[] = "QuenmoorE2eDriver";

static LRESULT CALLBACK DriverWindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && GetWindowLongPtrA(hWnd, GWLP_USERDATA))
    {
        RECT rect;
        GetClientRect(hWnd, &rect);
        FillRect(reinterpret_cast<HDC>(wParam), &rect,
                 reinterpret_cast<HBRUSH>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)));
        return 1;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

DriverWindow::DriverWindow(int clientWidth, int clientHeight, COLORREF background)
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DriverWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kDriverClass;
        registered = RegisterClassA(&windowClass) != 0;
    }
    m_hBrush = CreateSolidBrush(background);
    // a plain bordered popup: Wine waits 2 s for the window manager whenever
    // a captioned window goes away, and there is none under Xvfb
    const DWORD style = WS_POPUP | WS_BORDER | WS_VISIBLE | WS_CLIPCHILDREN;
    RECT rect = {0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rect, style, FALSE);
    m_hWnd = CreateWindowExA(0, kDriverClass, "Quenmoor e2e driver", style, 20, 20, rect.right - rect.left,
                             rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_hWnd)
    {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_hBrush));
        InvalidateRect(m_hWnd, nullptr, TRUE); // the first erase came before the brush was set
        UpdateWindow(m_hWnd);
    }
    PumpFor(50);
}

void DriverWindow::Destroy()
{
    if (m_hWnd)
    {
        DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

DriverWindow::~DriverWindow()
{
    Destroy();
    if (m_hBrush)
        DeleteObject(m_hBrush);
}

HWND ActivationTaker()
{
    static DriverWindow* s_pTaker = nullptr;
    if (s_pTaker == nullptr)
    {
        s_pTaker = new DriverWindow(160, 90, RGB(0, 0, 255));
        SetWindowPos(s_pTaker->Handle(), nullptr, GetSystemMetrics(SM_CXSCREEN) - 220, 40, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return s_pTaker->Handle();
}

// --- the saver process -------------------------------------------------------

static std::string FreshFolder()
{
    static int s_nRun = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char folder[MAX_PATH];
    std::snprintf(folder, sizeof(folder), "%sqm-e2e-%lu-%d", temp, GetCurrentProcessId(), ++s_nRun);
    CreateDirectoryA(folder, nullptr);
    return folder;
}

bool SaverRun::Start(const std::string& arguments, const std::vector<std::string>& files)
{
    m_Folder = FreshFolder();
    for (const std::string& file : files)
    {
        const size_t slash = file.find_last_of("\\/");
        const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
        if (!CopyFileA(file.c_str(), (m_Folder + "\\" + name).c_str(), FALSE))
            return false;
    }
    std::string commandLine = "\"" + g_SaverPath + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(g_SaverPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, m_Folder.c_str(),
                        &startup, &m_Process))
        return false;
    m_ProcessId = m_Process.dwProcessId;
    return true;
}

bool SaverRun::IsRunning() const
{
    return m_Process.hProcess && WaitForSingleObject(m_Process.hProcess, 0) == WAIT_TIMEOUT;
}

struct EnumState
{
    DWORD processId;
    std::vector<HWND>* windows;
};

static BOOL CALLBACK CollectSaverWindow(HWND hWnd, LPARAM param)
{
    auto* state = reinterpret_cast<EnumState*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hWnd, &owner);
    char className[64] = {};
    GetClassNameA(hWnd, className, sizeof(className));
    if (owner == state->processId && std::string(className) == "Screensaver")
        state->windows->push_back(hWnd);
    return TRUE;
}

std::vector<HWND> SaverRun::TopLevelWindows() const
{
    std::vector<HWND> windows;
    EnumState state = {m_ProcessId, &windows};
    EnumWindows(CollectSaverWindow, reinterpret_cast<LPARAM>(&state));
    return windows;
}

HWND SaverRun::WaitForTopLevelWindow(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(timeoutMs, [&] {
        const std::vector<HWND> windows = TopLevelWindows();
        if (!windows.empty())
            found = windows.front();
        return found != nullptr || !IsRunning();
    });
    return found;
}

bool SaverRun::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (!WaitUntil(timeoutMs, [&] { return !IsRunning(); }))
        return false;
    GetExitCodeProcess(m_Process.hProcess, exitCode);
    return true;
}

std::vector<std::string> SaverRun::LogLines() const
{
    std::vector<std::string> lines;
    std::ifstream file(m_Folder + "\\Quenmoor.log");
    std::string line;
    while (std::getline(file, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool SaverRun::LogHas(const std::string& line) const
{
    return FindLine(LogLines(), line) >= 0;
}

SaverRun::~SaverRun()
{
    if (m_Process.hProcess)
    {
        if (IsRunning())
        {
            TerminateProcess(m_Process.hProcess, 99);
            WaitForSingleObject(m_Process.hProcess, 5000);
        }
        CloseHandle(m_Process.hThread);
        CloseHandle(m_Process.hProcess);
    }
    if (!m_Folder.empty())
    {
        // the log, and whatever a test put beside it
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_Folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE)
        {
            do
            {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((m_Folder + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(m_Folder.c_str());
    }
}

int FindLine(const std::vector<std::string>& lines, const std::string& line, int from)
{
    for (int i = from < 0 ? 0 : from; i < static_cast<int>(lines.size()); ++i)
        if (lines[i] == line)
            return i;
    return -1;
}

} // namespace e2e
