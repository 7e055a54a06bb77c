// Portable core: the five scene options, process-wide values beside the
// settings record. The world reads them every frame or at scene build.
#pragma once
#include <cstdint>

class CDefaultSettingsTable;

extern uint8_t WaterReflection; // pond reflection drawn
extern uint8_t RainEnable;      // rain and splashes on
extern int32_t RainStrenght;    // amount of rain, 1..100
extern uint8_t LeafeEnable;     // falling leaves on
extern int32_t LeafeStrenght;   // amount of falling leaves, 1..100

// Reads the five options from the default text in the order RainEnable,
// WaterReflection, RainStrenght, LeafeEnable, LeafeStrenght; the booleans
// become 1 for any value other than 0.
void ReadSceneOptionDefaults(const CDefaultSettingsTable& table);
