// Windows-side tests: helpers shared by the test files.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Points g_szLogFile at a fresh file in the temporary folder for the life of
// the object, then restores the previous name and deletes the file.
class ScopedLogCapture
{
public:
    ScopedLogCapture();
    ~ScopedLogCapture();
    ScopedLogCapture(const ScopedLogCapture&) = delete;
    ScopedLogCapture& operator=(const ScopedLogCapture&) = delete;

    const std::string& Path() const { return m_path; }
    // Everything written so far ("" when no file exists).
    std::string Text() const;
    // The records, one per line, without their line ends.
    std::vector<std::string> Lines() const;
    bool FileExists() const;

private:
    std::string m_path;
    char m_previous[256];
};

// Drives the program's millisecond clock for the life of the object; the
// multimedia timer is put back afterwards.
class ScopedTestClock
{
public:
    explicit ScopedTestClock(uint32_t startMs = 1000);
    ~ScopedTestClock();
    ScopedTestClock(const ScopedTestClock&) = delete;
    ScopedTestClock& operator=(const ScopedTestClock&) = delete;

    void Set(uint32_t ms);
    void Advance(uint32_t ms);
    uint32_t Now() const;
};

// Removes a pending quit message from this thread's queue; true when there
// was one (its exit code goes to *exitCode).
bool PullQuitMessage(int* exitCode = nullptr);

// Throws away every message waiting for this thread, the quit message too.
void DiscardPendingMessages();

// A hidden top-level window whose procedure is DefWindowProc: something real
// to hand to code that calls window functions. Destroyed with the object.
class ScopedHostWindow
{
public:
    ScopedHostWindow();
    ~ScopedHostWindow();
    ScopedHostWindow(const ScopedHostWindow&) = delete;
    ScopedHostWindow& operator=(const ScopedHostWindow&) = delete;

    HWND Handle() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

} // namespace testsupport
