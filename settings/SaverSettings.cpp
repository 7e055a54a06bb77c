// Portable core: the settings defaults from the default settings text.
#include "settings/SaverSettings.h"

#include "settings/DefaultSettingsText.h"
#include "settings/SceneOptions.h"
#include "settings/VideoModeList.h"

void FillSettingsDefaults(const CDefaultSettingsTable& table, SaverSettings& defaults)
{
    defaults.TimeModeAMPM = table.Convert("DigClock_24H") == 0 ? 1 : 0;
    defaults.ExitOnMouseMove = table.Convert("ExitOnMouseMove");
    defaults.FSAA = table.Convert("FSAA");
    defaults.BitCount = table.Convert("MBitCount");
    defaults.Height = table.Convert("MH");
    defaults.Width = table.Convert("MW");
    defaults.Music = table.Convert("Music");
    defaults.SFX = table.Convert("SFX");
    defaults.MusicVolume = table.Convert("MusicVolume");
    defaults.ShowFPS = table.Convert("ShowFPS");
    defaults.ShowTime = table.Convert("ShowTime");
    defaults.UseDesktopSettings = table.Convert("UseDktpSet");
}

void RestoreSettingsDefaults(const SaverSettings& defaults, const CDefaultSettingsTable& table, VideoModeList& modes,
                             SaverSettings& settings)
{
    settings = defaults;
    ApplySelectedVideoMode(modes, settings);
    ReadSceneOptionDefaults(table);
}
