// End-to-end tests: a stand-in for the screensaver password applet of
// Windows 9x (PASSWORD.CPL), which Wine lacks. Its check answers as the test
// tells it: accepted when the file password_answer.txt in the current folder
// starts with '1', refused otherwise. Every call adds a line to
// password_calls.txt there, so the test sees that the saver asked.
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    char answer = '0';
    if (FILE* file = std::fopen("password_answer.txt", "rb"))
    {
        if (std::fread(&answer, 1, 1, file) != 1)
            answer = '0';
        std::fclose(file);
    }
    const BOOL accepted = answer == '1' ? TRUE : FALSE;
    if (FILE* calls = std::fopen("password_calls.txt", "ab"))
    {
        std::fprintf(calls, "%s %s\n", IsWindow(window) ? "window" : "no-window", accepted ? "accepted" : "refused");
        std::fclose(calls);
    }
    return accepted;
}
