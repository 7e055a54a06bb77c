// The settings in the real registry of the current user (under Wine).
#include <gtest/gtest.h>

#include <windows.h>

#include "settings/SceneOptions.h"
#include "settings/win/SettingsRegistry.h"
#include "tests/win/SettingsRegistryHelpers.h"
#include "src/ClassRender/win/SaverCore.h"

namespace {

using namespace settings_test;

class SettingsRegistry : public ::testing::Test
{
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsRegistry, EmptyKeyGivesTheShippedDefaults)
{
    CSaverCore app; // reads the default text from this program's resources
    ReadSettingsFromRegistry(app.m_Settings, app.m_VideoModes.m_nSelectedMode);
    const SaverSettings& s = app.m_Settings;
    EXPECT_EQ(s.ShowTime, 1);
    EXPECT_EQ(s.ShowFPS, 0);
    EXPECT_EQ(s.Music, 1);
    EXPECT_EQ(s.SFX, 1);
    EXPECT_EQ(s.MusicVolume, 35);
    EXPECT_EQ(s.TimeModeAMPM, 1);
    EXPECT_EQ(s.UseDesktopSettings, 1);
    EXPECT_EQ(s.ExitOnMouseMove, 0);
    EXPECT_EQ(WaterReflection, 1);
    EXPECT_EQ(RainEnable, 1);
    EXPECT_EQ(RainStrenght, 50);
    EXPECT_EQ(LeafeEnable, 1);
    EXPECT_EQ(LeafeStrenght, 50);
    EXPECT_EQ(app.m_VideoModes.m_nSelectedMode, -1);
    // the read created the key, and nothing in it
    EXPECT_TRUE(KeyExists());
    EXPECT_TRUE(ReadAllValues().empty());
}

TEST_F(SettingsRegistry, StoredValuesAndTheOnesThatAreIgnored)
{
    SetDword("ShowFPS", 0);         // 0 written by hand: ignored
    SetDword("ShowTime", 1);        // false
    SetDword("ExitOnMouseMove", 2); // true
    SetDword("TimeModeAMPM", 1);    // 24-hour clock
    SetDword("MusicVolume", 0);     // not set
    SetDword("RAIN_STRENGHT", 0);
    SetDword("LEAFE_STRENGHT", 80);
    SetDword("MIRROW", 1);
    SetValue("Music", REG_SZ, "1", 2); // wrong type
    const BYTE two[4] = {2, 0, 0, 0};
    SetValue("SFX", REG_BINARY, two, 4); // wrong type, right size
    const BYTE wide[8] = {1, 0, 0, 0, 0, 0, 0, 0};
    SetValue("UseDesktopSettings", REG_QWORD, wide, 8); // wrong size
    SetDword("m_nSelectedMode", 3);

    CSaverCore app;
    ReadSettingsFromRegistry(app.m_Settings, app.m_VideoModes.m_nSelectedMode);
    const SaverSettings& s = app.m_Settings;
    EXPECT_EQ(s.ShowFPS, 0);
    EXPECT_EQ(s.ShowTime, 0);
    EXPECT_EQ(s.ExitOnMouseMove, 1);
    EXPECT_EQ(s.TimeModeAMPM, 0);
    EXPECT_EQ(s.MusicVolume, 35);
    EXPECT_EQ(RainStrenght, 50);
    EXPECT_EQ(LeafeStrenght, 80);
    EXPECT_EQ(WaterReflection, 0);
    EXPECT_EQ(s.Music, 1);
    EXPECT_EQ(s.SFX, 1);
    EXPECT_EQ(s.UseDesktopSettings, 1);
    EXPECT_EQ(app.m_VideoModes.m_nSelectedMode, 3);

    SetDword("TimeModeAMPM", 2);
    ReadSettingsFromRegistry(app.m_Settings, app.m_VideoModes.m_nSelectedMode);
    EXPECT_EQ(app.m_Settings.TimeModeAMPM, 1);
}

TEST_F(SettingsRegistry, WriteStoresEveryValueAsADword)
{
    CSaverCore app;
    app.m_Settings = {}; // every field not named here 0
    app.m_Settings.ShowFPS = 1;
    app.m_Settings.ShowTime = 1;
    app.m_Settings.SFX = 1;
    app.m_Settings.MusicVolume = 64;
    app.m_Settings.Width = 1024;
    app.m_Settings.Height = 768;
    app.m_Settings.BitCount = 32;
    app.m_VideoModes.m_nSelectedMode = -1;
    WaterReflection = 0;
    RainEnable = 1;
    RainStrenght = 7;
    LeafeEnable = 0;
    LeafeStrenght = 93;
    WriteSettingsToRegistry(app.m_Settings, app.m_VideoModes.m_nSelectedMode);

    const std::map<std::string, std::pair<DWORD, DWORD>> expected = {
        {"ShowFPS", {REG_DWORD, 2}},
        {"ShowTime", {REG_DWORD, 2}},
        {"TimeModeAMPM", {REG_DWORD, 1}},
        {"ExitOnMouseMove", {REG_DWORD, 1}},
        {"SFX", {REG_DWORD, 2}},
        {"Music", {REG_DWORD, 1}},
        {"MIRROW", {REG_DWORD, 1}},
        {"RAIN_ENABLE", {REG_DWORD, 2}},
        {"LEAFE_ENABLE", {REG_DWORD, 1}},
        {"m_nSelectedMode", {REG_DWORD, 0xFFFFFFFF}},
        {"UseDesktopSettings", {REG_DWORD, 1}},
        {"Height", {REG_DWORD, 768}},
        {"Width", {REG_DWORD, 1024}},
        {"BitCount", {REG_DWORD, 32}},
        {"FSAA", {REG_DWORD, 0}},
        {"MusicVolume", {REG_DWORD, 64}},
        {"RAIN_STRENGHT", {REG_DWORD, 7}},
        {"LEAFE_STRENGHT", {REG_DWORD, 93}},
    };
    EXPECT_EQ(ReadAllValues(), expected);

    // read back by a fresh application: -1 comes back as -1
    CSaverCore again;
    again.m_VideoModes.m_nSelectedMode = 12;
    ReadSettingsFromRegistry(again.m_Settings, again.m_VideoModes.m_nSelectedMode);
    EXPECT_EQ(again.m_VideoModes.m_nSelectedMode, -1);
    EXPECT_EQ(again.m_Settings.MusicVolume, 64);
    EXPECT_EQ(again.m_Settings.UseDesktopSettings, 0);
    EXPECT_EQ(RainStrenght, 7);
    EXPECT_EQ(LeafeEnable, 0);
}

} // namespace
