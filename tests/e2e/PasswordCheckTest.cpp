// The screensaver password of Windows 9x, end to end: the saver runs as
// Windows 98 (Wine's version for that one program), the registry asks for
// the password, and the stand-in PASSWORD.CPL in its working folder answers
// as the test tells it.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "SaverHarness.h"

namespace {

using e2e::PumpFor;
using e2e::SaverRun;
using e2e::SendKeyPress;
using e2e::WaitUntil;

constexpr DWORD kLoadTimeoutMs = 60000;

std::string BesideDriver(const char* name)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    return (slash == std::string::npos ? std::string(".") : folder.substr(0, slash)) + "\\" + name;
}

// A registry value set for the life of the object, then put back as it was
// (or deleted when there was none).
class ScopedRegistryValue
{
public:
    ScopedRegistryValue(const char* key, const char* name, DWORD type, const void* data, DWORD size) : m_name(name)
    {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr) !=
            ERROR_SUCCESS)
        {
            m_key = nullptr;
            return;
        }
        DWORD oldSize = sizeof(m_old);
        m_had = RegQueryValueExA(m_key, name, nullptr, &m_oldType, m_old, &oldSize) == ERROR_SUCCESS;
        m_oldSize = oldSize;
        RegSetValueExA(m_key, name, 0, type, static_cast<const BYTE*>(data), size);
    }
    ~ScopedRegistryValue()
    {
        if (m_key == nullptr)
            return;
        if (m_had)
            RegSetValueExA(m_key, m_name.c_str(), 0, m_oldType, m_old, m_oldSize);
        else
            RegDeleteValueA(m_key, m_name.c_str());
        RegCloseKey(m_key);
    }
    ScopedRegistryValue(const ScopedRegistryValue&) = delete;
    ScopedRegistryValue& operator=(const ScopedRegistryValue&) = delete;
    bool Ok() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
    std::string m_name;
    bool m_had = false;
    DWORD m_oldType = 0;
    BYTE m_old[256] = {};
    DWORD m_oldSize = 0;
};

void WriteAnswer(const SaverRun& saver, char answer)
{
    std::ofstream(saver.Folder() + "\\password_answer.txt", std::ios::binary) << answer;
}

std::vector<std::string> Calls(const SaverRun& saver)
{
    std::vector<std::string> lines;
    std::ifstream file(saver.Folder() + "\\password_calls.txt");
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(PasswordCheckRun, ARefusedPasswordKeepsTheSaverRunningAndTheRightOneEndsIt)
{
    const std::string applet = BesideDriver("PASSWORD.CPL");
    ASSERT_NE(GetFileAttributesA(applet.c_str()), INVALID_FILE_ATTRIBUTES) << "no " << applet;
    const std::string saverName = e2e::g_SaverPath.substr(e2e::g_SaverPath.find_last_of("\\/") + 1);
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\" + saverName;
    static const char kWin98[] = "win98";
    const ScopedRegistryValue version(appDefaults.c_str(), "Version", REG_SZ, kWin98, sizeof(kWin98));
    const DWORD on = 1;
    const ScopedRegistryValue usePassword("Control Panel\\Desktop", "ScreenSaveUsePassword", REG_DWORD, &on,
                                          sizeof(on));
    ASSERT_TRUE(version.Ok() && usePassword.Ok());

    SaverRun saver;
    ASSERT_TRUE(saver.Start("/s", {applet}));
    WriteAnswer(saver, '0');
    ASSERT_NE(saver.WaitForTopLevelWindow(kLoadTimeoutMs), nullptr) << "no saver window";
    ASSERT_TRUE(WaitUntil(kLoadTimeoutMs, [&] { return saver.LogHas("sound load - ok") || !saver.IsRunning(); }));
    PumpFor(1000); // frames running
    ASSERT_TRUE(saver.IsRunning());
    const size_t before = Calls(saver).size();

    // refused: the saver asked, and keeps running
    SendKeyPress(VK_SPACE);
    EXPECT_TRUE(WaitUntil(5000, [&] { return Calls(saver).size() > before; })) << "the saver never asked";
    PumpFor(1500);
    EXPECT_TRUE(saver.IsRunning()) << "ended although the password was refused";

    // accepted: it ends
    WriteAnswer(saver, '1');
    SendKeyPress(VK_SPACE);
    DWORD exitCode = 1234;
    EXPECT_TRUE(saver.WaitForExit(5000, &exitCode)) << "still running after the right password";
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> calls = Calls(saver);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "window refused");
    EXPECT_EQ(calls.back(), "window accepted");
    EXPECT_TRUE(saver.LogHas("detected pressed any key"));
}
