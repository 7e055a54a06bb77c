// Portable core: the settings as named 32-bit values (the registry layout):
// which names, in which order, and how each field is encoded.
#pragma once
#include <cstdint>

#include "settings/SaverSettings.h"

// Named 32-bit values: the registry key in the program, a map in tests.
class CSettingsValueStore
{
public:
    virtual ~CSettingsValueStore() = default;
    // False when the value is missing or not a 4-byte number.
    virtual bool Query(const char* name, uint32_t& value) = 0;
    virtual void Set(const char* name, uint32_t value) = 0;
};

// Registry encoding of a boolean: 2 for true, 1 for false, never 0.
constexpr uint32_t REG_BOOL_TRUE = 2;
constexpr uint32_t REG_BOOL_FALSE = 1;

// Reads every value into the settings, the scene options and the selected
// mode index. A boolean of 2 sets 1, of 1 sets 0, anything else (missing
// included) keeps the field; a number other than 0 replaces the field; the
// selected index is taken raw when the value is present. No range checks.
void ReadSettingsValues(CSettingsValueStore& store, SaverSettings& settings, int32_t& selectedMode);

// Writes every value: booleans as 2/1, numbers and the selected index raw
// (-1 as 0xFFFFFFFF).
void WriteSettingsValues(CSettingsValueStore& store, const SaverSettings& settings, int32_t selectedMode);
