// Portable core: the five scene options.
#include "settings/SceneOptions.h"

#include "settings/DefaultSettingsText.h"

uint8_t WaterReflection = 0;
uint8_t RainEnable = 0;
int32_t RainStrenght = 0;
uint8_t LeafeEnable = 0;
int32_t LeafeStrenght = 0;

void ReadSceneOptionDefaults(const CDefaultSettingsTable& table)
{
    RainEnable = table.Convert("RainEnable") != 0;
    WaterReflection = table.Convert("WaterReflection") != 0;
    RainStrenght = table.Convert("RainStrenght");
    LeafeEnable = table.Convert("LeafeEnable") != 0;
    LeafeStrenght = table.Convert("LeafeStrenght");
}
