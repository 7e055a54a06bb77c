// Registry helpers of the settings tests: the settings key emptied, values
// set by hand, and everything under the key read back.
#pragma once
#include <windows.h>

#include <cstring>
#include <map>
#include <string>

#include "settings/win/SettingsRegistry.h"

namespace settings_test {

inline void DeleteSettingsKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY);
}

inline void SetValue(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

inline void SetDword(const char* name, DWORD value)
{
    SetValue(name, REG_DWORD, &value, sizeof(value));
}

// Every value under the key: name to (type, 4-byte content).
inline std::map<std::string, std::pair<DWORD, DWORD>> ReadAllValues()
{
    std::map<std::string, std::pair<DWORD, DWORD>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index)
    {
        char name[256];
        DWORD nameSize = sizeof(name);
        DWORD type = 0;
        BYTE data[64] = {};
        DWORD dataSize = sizeof(data);
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        DWORD number = 0;
        memcpy(&number, data, dataSize < 4 ? dataSize : 4);
        values[name] = {type, dataSize == 4 ? number : 0xDEADBEEF};
    }
    RegCloseKey(key);
    return values;
}

inline bool KeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace settings_test
