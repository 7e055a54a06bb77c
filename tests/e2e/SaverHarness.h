// End-to-end harness: starts the logged saver with a switch in a folder of
// its own, finds its windows, sends it input and waits for it to end.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Path of the saver under test (set by the driver's main).
extern std::string g_SaverPath;

// Runs the message loop of the calling thread for the given time. The saver
// sends messages to windows of this thread (the preview parent), so every
// wait of the driver keeps dispatching.
void PumpFor(DWORD milliseconds);

// Polls `test` every few milliseconds, dispatching messages in between, until
// it returns true or the time is up. Returns the last result.
template <typename Test> bool WaitUntil(DWORD timeoutMs, Test test)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;)
    {
        if (test())
            return true;
        if (GetTickCount64() >= end)
            return false;
        PumpFor(5);
    }
}

// Colour of one screen pixel as 0x00RRGGBB, or -1 when it cannot be read.
long ScreenPixel(int x, int y);
// The pixels (0x00RRGGBB, top row first) of a rectangle of the screen;
// empty when it cannot be read.
std::vector<DWORD> ScreenArea(int x, int y, int width, int height);

// Pixels (0x00RRGGBB, top row first) of a bitmap resource of the saver
// file; empty when it cannot be loaded.
std::vector<DWORD> SaverBitmapPixels(int id, int* width, int* height);

// Real input through the system's input queue, delivered to the window that
// has the focus or lies under the cursor.
void SendKeyPress(WORD virtualKey);
void SendLeftClick();

// A plain top-level window of the driver: the preview's parent and the
// window that takes the activation away from the saver.
class DriverWindow
{
public:
    DriverWindow(int clientWidth, int clientHeight, COLORREF background);
    ~DriverWindow();
    DriverWindow(const DriverWindow&) = delete;
    DriverWindow& operator=(const DriverWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    // Destroys the window now (the preview's end).
    void Destroy();

private:
    HWND m_hWnd = nullptr;
    HBRUSH m_hBrush = nullptr;
};

// A window of the driver that takes the activation away from the saver. It
// lives as long as the driver: under Wine without a window manager, hiding or
// destroying a visible window costs 2 s. It sits near the top-right corner,
// clear of the points where the tests read the screen.
HWND ActivationTaker();

// One run of the saver. The process is ended by the destructor if a test
// left it running.
class SaverRun
{
public:
    SaverRun() = default;
    ~SaverRun();
    SaverRun(const SaverRun&) = delete;
    SaverRun& operator=(const SaverRun&) = delete;

    // Starts "<saver> <arguments>" in a fresh working folder, empty but for
    // copies of `files` (full paths).
    bool Start(const std::string& arguments, const std::vector<std::string>& files = {});
    const std::string& Folder() const { return m_Folder; }

    DWORD ProcessId() const { return m_ProcessId; }
    bool IsRunning() const;

    // Top-level windows of class "Screensaver" that belong to the process.
    std::vector<HWND> TopLevelWindows() const;
    // Waits for the first such window; null when none appears in time.
    HWND WaitForTopLevelWindow(DWORD timeoutMs) const;

    // Waits for the process to end; true with its exit code when it did.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

    // Lines of Quenmoor.log in the working folder (without line ends).
    std::vector<std::string> LogLines() const;
    bool LogHas(const std::string& line) const;

private:
    PROCESS_INFORMATION m_Process = {};
    DWORD m_ProcessId = 0;
    std::string m_Folder;
};

// Index of the first line equal to `line` at or after `from`, or -1.
int FindLine(const std::vector<std::string>& lines, const std::string& line, int from = 0);

} // namespace e2e
