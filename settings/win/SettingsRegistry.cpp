// Windows layer: the settings in the registry of the current user.
#include "settings/win/SettingsRegistry.h"

#include "settings/SettingsValues.h"

const char SETTINGS_REGISTRY_KEY[] = "Software\\Velbrook\\Quenmoor 3D Screensaver";

namespace {

class CRegistryValueStore : public CSettingsValueStore
{
public:
    explicit CRegistryValueStore(HKEY key) : m_hKey(key) {}

    bool Query(const char* name, uint32_t& value) override
    {
        DWORD type = 0;
        DWORD data = 0;
        DWORD size = sizeof(data);
        const LONG result = RegQueryValueExA(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        // any other type or size counts as missing
        if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data))
            return false;
        value = data;
        return true;
    }

    void Set(const char* name, uint32_t value) override
    {
        const DWORD data = value;
        RegSetValueExA(m_hKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    }

private:
    HKEY m_hKey;
};

HKEY OpenSettingsKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_REGISTRY_KEY, 0, nullptr, 0, access, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

} // namespace

void ReadSettingsFromRegistry(SaverSettings& settings, int32_t& selectedMode)
{
    HKEY key = OpenSettingsKey(KEY_READ);
    if (key == nullptr)
        return;
    CRegistryValueStore store(key);
    ReadSettingsValues(store, settings, selectedMode);
    RegCloseKey(key);
}

void WriteSettingsToRegistry(const SaverSettings& settings, int32_t selectedMode)
{
    HKEY key = OpenSettingsKey(KEY_WRITE);
    if (key == nullptr)
        return;
    CRegistryValueStore store(key);
    WriteSettingsValues(store, settings, selectedMode);
    RegFlushKey(key);
    RegCloseKey(key);
}
