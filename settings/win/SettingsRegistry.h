// Windows layer: the settings in the registry of the current user.
#pragma once
#include <windows.h>

#include <cstdint>

#include "settings/SaverSettings.h"

// Under HKEY_CURRENT_USER.
extern const char SETTINGS_REGISTRY_KEY[];

// Reads every value present into the settings, the scene options and the
// selected video mode index; the key is created when missing. When it cannot
// be opened the fields keep what they had.
void ReadSettingsFromRegistry(SaverSettings& settings, int32_t& selectedMode);

// Writes every value and flushes the key; silently nothing when the key
// cannot be opened.
void WriteSettingsToRegistry(const SaverSettings& settings, int32_t selectedMode);
