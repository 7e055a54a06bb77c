// Portable core: the settings as named 32-bit values.
#include "settings/SettingsValues.h"

#include "settings/SceneOptions.h"

namespace {

// The zeroed buffer of a failed query reads as 0, which every field ignores.
uint32_t QueryOrZero(CSettingsValueStore& store, const char* name)
{
    uint32_t value = 0;
    if (!store.Query(name, value))
        value = 0;
    return value;
}

template <typename Field> void ReadBool(CSettingsValueStore& store, const char* name, Field& field)
{
    const uint32_t value = QueryOrZero(store, name);
    if (value == REG_BOOL_TRUE)
        field = 1;
    else if (value == REG_BOOL_FALSE)
        field = 0;
}

void ReadNumber(CSettingsValueStore& store, const char* name, int32_t& field)
{
    const uint32_t value = QueryOrZero(store, name);
    if (value != 0)
        field = static_cast<int32_t>(value);
}

template <typename Field> void WriteBool(CSettingsValueStore& store, const char* name, Field field)
{
    store.Set(name, field != 0 ? REG_BOOL_TRUE : REG_BOOL_FALSE);
}

void WriteNumber(CSettingsValueStore& store, const char* name, int32_t field)
{
    store.Set(name, static_cast<uint32_t>(field));
}

} // namespace

void ReadSettingsValues(CSettingsValueStore& store, SaverSettings& settings, int32_t& selectedMode)
{
    ReadBool(store, "ShowFPS", settings.ShowFPS);
    ReadBool(store, "ShowTime", settings.ShowTime);
    ReadBool(store, "TimeModeAMPM", settings.TimeModeAMPM);
    ReadBool(store, "ExitOnMouseMove", settings.ExitOnMouseMove);
    ReadBool(store, "SFX", settings.SFX);
    ReadBool(store, "Music", settings.Music);
    ReadBool(store, "MIRROW", WaterReflection);
    ReadBool(store, "RAIN_ENABLE", RainEnable);
    ReadBool(store, "LEAFE_ENABLE", LeafeEnable);
    ReadNumber(store, "MusicVolume", settings.MusicVolume);
    ReadNumber(store, "RAIN_STRENGHT", RainStrenght);
    ReadNumber(store, "LEAFE_STRENGHT", LeafeStrenght);
    ReadBool(store, "UseDesktopSettings", settings.UseDesktopSettings);
    ReadNumber(store, "Height", settings.Height);
    ReadNumber(store, "Width", settings.Width);
    ReadNumber(store, "BitCount", settings.BitCount);
    ReadNumber(store, "FSAA", settings.FSAA);
    uint32_t mode = 0;
    if (store.Query("m_nSelectedMode", mode))
        selectedMode = static_cast<int32_t>(mode);
}

void WriteSettingsValues(CSettingsValueStore& store, const SaverSettings& settings, int32_t selectedMode)
{
    WriteBool(store, "ShowFPS", settings.ShowFPS);
    WriteBool(store, "ShowTime", settings.ShowTime);
    WriteBool(store, "TimeModeAMPM", settings.TimeModeAMPM);
    WriteBool(store, "ExitOnMouseMove", settings.ExitOnMouseMove);
    WriteBool(store, "SFX", settings.SFX);
    WriteBool(store, "Music", settings.Music);
    WriteBool(store, "MIRROW", WaterReflection);
    WriteBool(store, "RAIN_ENABLE", RainEnable);
    WriteBool(store, "LEAFE_ENABLE", LeafeEnable);
    WriteNumber(store, "m_nSelectedMode", selectedMode);
    WriteBool(store, "UseDesktopSettings", settings.UseDesktopSettings);
    WriteNumber(store, "Height", settings.Height);
    WriteNumber(store, "Width", settings.Width);
    WriteNumber(store, "BitCount", settings.BitCount);
    WriteNumber(store, "FSAA", settings.FSAA);
    WriteNumber(store, "MusicVolume", settings.MusicVolume);
    WriteNumber(store, "RAIN_STRENGHT", RainStrenght);
    WriteNumber(store, "LEAFE_STRENGHT", LeafeStrenght);
}
