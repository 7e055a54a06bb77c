// Portable core: the user's options, twelve 32-bit fields in a fixed order.
#pragma once
#include <cstdint>

struct SaverSettings
{
    int32_t ShowFPS;
    int32_t ExitOnMouseMove;
    int32_t ShowTime;
    int32_t Music;
    int32_t SFX;
    int32_t MusicVolume;
    int32_t Width;
    int32_t Height;
    int32_t BitCount;
    int32_t FSAA;
    int32_t UseDesktopSettings;
    int32_t TimeModeAMPM;
};
static_assert(sizeof(SaverSettings) == 12 * 4, "twelve 32-bit fields");
