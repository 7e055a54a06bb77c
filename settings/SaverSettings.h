// Portable core: the user's options, twelve 32-bit fields in a fixed order,
// and how they are filled from the default settings text.
#pragma once
#include <cstdint>

class CDefaultSettingsTable;
class VideoModeList;

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

// Fills the defaults block from the default text, in the order DigClock_24H
// (inverted into TimeModeAMPM), ExitOnMouseMove, FSAA, MBitCount, MH, MW,
// Music, SFX, MusicVolume, ShowFPS, ShowTime, UseDktpSet. The values are kept
// as converted, not reduced to 0/1.
void FillSettingsDefaults(const CDefaultSettingsTable& table, SaverSettings& defaults);

// Restore Defaults: the defaults block over the settings, the selected video
// mode applied again (its index is kept) and the scene options read again
// from the default text.
void RestoreSettingsDefaults(const SaverSettings& defaults, const CDefaultSettingsTable& table, VideoModeList& modes,
                             SaverSettings& settings);
