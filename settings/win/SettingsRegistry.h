// Windows layer: the settings in the registry of the current user.
#pragma once
#include <windows.h>

#include "settings/SaverSettings.h"

class CSaverCore;

// Under HKEY_CURRENT_USER.
extern const char SETTINGS_REGISTRY_KEY[];

// Reads every value present into the settings, the scene options and the
// video mode list's selected index; the key is created when missing. When it
// cannot be opened the fields keep what they had.
void ReadSettingsFromRegistry(SaverSettings& settings, CSaverCore* app);

// Writes every value and flushes the key; silently nothing when the key
// cannot be opened.
void WriteSettingsToRegistry(const SaverSettings& settings, CSaverCore* app);
