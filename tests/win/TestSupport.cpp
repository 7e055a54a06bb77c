// Windows-side tests: helpers shared by the test files.
#include "TestSupport.h"

#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/Log.h"

namespace testsupport {

ScopedLogCapture::ScopedLogCapture()
{
    std::memcpy(m_previous, g_szLogFile, sizeof(m_previous));
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof(folder), folder);
    char name[MAX_PATH] = {};
    static unsigned s_serial = 0;
    std::snprintf(name, sizeof(name), "%sqm_win_tests_%lu_%u.log", folder, GetCurrentProcessId(), ++s_serial);
    m_path = name;
    DeleteFileA(m_path.c_str());
    std::snprintf(g_szLogFile, sizeof(g_szLogFile), "%s", m_path.c_str());
}

ScopedLogCapture::~ScopedLogCapture()
{
    std::memcpy(g_szLogFile, m_previous, sizeof(m_previous));
    DeleteFileA(m_path.c_str());
}

std::string ScopedLogCapture::Text() const
{
    std::ifstream in(m_path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ScopedLogCapture::Lines() const
{
    std::vector<std::string> lines;
    std::stringstream text(Text());
    std::string line;
    while (std::getline(text, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool ScopedLogCapture::FileExists() const
{
    return GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static uint32_t s_testNow = 0;

static uint32_t TestClock()
{
    return s_testNow;
}

static uint32_t MultimediaClock()
{
    return timeGetTime();
}

ScopedTestClock::ScopedTestClock(uint32_t startMs)
{
    s_testNow = startMs;
    ClockSetSource(TestClock);
}

ScopedTestClock::~ScopedTestClock()
{
    ClockSetSource(MultimediaClock);
}

void ScopedTestClock::Set(uint32_t ms)
{
    s_testNow = ms;
}

void ScopedTestClock::Advance(uint32_t ms)
{
    s_testNow += ms;
}

uint32_t ScopedTestClock::Now() const
{
    return s_testNow;
}

bool PullQuitMessage(int* exitCode)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    if (exitCode)
        *exitCode = static_cast<int>(msg.wParam);
    return true;
}

void DiscardPendingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    {}
}

static const char kHostClass[] = "QmTestHostWindow";

ScopedHostWindow::ScopedHostWindow()
{
    static bool s_registered = false;
    if (!s_registered)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kHostClass;
        s_registered = RegisterClassA(&windowClass) != 0;
    }
    m_hWnd = CreateWindowExA(0, kHostClass, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
}

ScopedHostWindow::~ScopedHostWindow()
{
    if (IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

} // namespace testsupport
