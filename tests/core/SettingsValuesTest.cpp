// The settings as named registry values: encodings, order and what is kept.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/SceneOptions.h"
#include "settings/SettingsValues.h"

namespace {

class MapStore : public CSettingsValueStore
{
public:
    bool Query(const char* name, uint32_t& value) override
    {
        queried.push_back(name);
        const auto it = values.find(name);
        if (it == values.end())
            return false;
        value = it->second;
        return true;
    }
    void Set(const char* name, uint32_t value) override
    {
        written.emplace_back(name, value);
        values[name] = value;
    }

    std::map<std::string, uint32_t> values;
    std::vector<std::string> queried;
    std::vector<std::pair<std::string, uint32_t>> written;
};

// The defaults these tests start from; ShowFPS, ExitOnMouseMove and FSAA 0.
SaverSettings TestDefaults()
{
    SaverSettings s = {};
    s.ShowTime = 1;
    s.Music = 1;
    s.SFX = 1;
    s.MusicVolume = 35;
    s.Width = 800;
    s.Height = 600;
    s.BitCount = 32;
    s.UseDesktopSettings = 1;
    s.TimeModeAMPM = 1;
    return s;
}
const SaverSettings kDefaults = TestDefaults();

void SetShippedSceneOptions()
{
    WaterReflection = 1;
    RainEnable = 1;
    RainStrenght = 50;
    LeafeEnable = 1;
    LeafeStrenght = 50;
}

TEST(SettingsValues, EmptyStoreKeepsEveryDefault)
{
    SetShippedSceneOptions();
    MapStore store;
    SaverSettings settings = kDefaults;
    int32_t selected = -1;
    ReadSettingsValues(store, settings, selected);
    EXPECT_EQ(0, std::memcmp(&settings, &kDefaults, sizeof(settings)));
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(RainStrenght, 50);
    EXPECT_EQ(WaterReflection, 1);

    const std::vector<std::string> order = {
        "ShowFPS",       "ShowTime",       "TimeModeAMPM",       "ExitOnMouseMove", "SFX",
        "Music",         "MIRROW",         "RAIN_ENABLE",        "LEAFE_ENABLE",    "MusicVolume",
        "RAIN_STRENGHT", "LEAFE_STRENGHT", "UseDesktopSettings", "Height",          "Width",
        "BitCount",      "FSAA",           "m_nSelectedMode"};
    EXPECT_EQ(store.queried, order);
}

TEST(SettingsValues, BooleansAreTwoAndOneAndNothingElse)
{
    const struct
    {
        uint32_t stored;
        int32_t fromFalse; // field that started 0
        int32_t fromTrue;  // field that started 1
    } cases[] = {
        {2, 1, 1}, {1, 0, 0}, {0, 0, 1}, {3, 0, 1}, {0xFFFFFFFF, 0, 1},
    };
    for (const auto& c : cases)
    {
        for (int start = 0; start < 2; ++start)
        {
            MapStore store;
            for (const char* name : {"ShowFPS", "ShowTime", "TimeModeAMPM", "ExitOnMouseMove", "SFX", "Music",
                                     "UseDesktopSettings", "MIRROW", "RAIN_ENABLE", "LEAFE_ENABLE"})
                store.values[name] = c.stored;
            SaverSettings settings = {};
            settings.ShowFPS = settings.ShowTime = settings.TimeModeAMPM = settings.ExitOnMouseMove = start;
            settings.SFX = settings.Music = settings.UseDesktopSettings = start;
            WaterReflection = RainEnable = LeafeEnable = static_cast<uint8_t>(start);
            int32_t selected = -1;
            ReadSettingsValues(store, settings, selected);
            const int32_t want = start ? c.fromTrue : c.fromFalse;
            for (int32_t field : {settings.ShowFPS, settings.ShowTime, settings.TimeModeAMPM, settings.ExitOnMouseMove,
                                  settings.SFX, settings.Music, settings.UseDesktopSettings, int32_t(WaterReflection),
                                  int32_t(RainEnable), int32_t(LeafeEnable)})
                EXPECT_EQ(field, want) << "stored " << c.stored << " start " << start;
        }
    }
}

TEST(SettingsValues, NumbersReplaceUnlessZero)
{
    SetShippedSceneOptions();
    MapStore store;
    store.values = {{"MusicVolume", 0}, {"RAIN_STRENGHT", 0},  {"LEAFE_STRENGHT", 250},
                    {"Width", 1280},    {"Height", 1024},      {"BitCount", 16},
                    {"FSAA", 4},        {"m_nSelectedMode", 0}};
    SaverSettings settings = kDefaults;
    int32_t selected = -1;
    ReadSettingsValues(store, settings, selected);
    EXPECT_EQ(settings.MusicVolume, 35); // 0 reads as not set
    EXPECT_EQ(RainStrenght, 50);
    EXPECT_EQ(LeafeStrenght, 250); // no range check
    EXPECT_EQ(settings.Width, 1280);
    EXPECT_EQ(settings.Height, 1024);
    EXPECT_EQ(settings.BitCount, 16);
    EXPECT_EQ(settings.FSAA, 4);
    EXPECT_EQ(selected, 0); // a present 0 is an index
}

TEST(SettingsValues, WriteOrderAndEncodingsRoundTrip)
{
    WaterReflection = 0;
    RainEnable = 1;
    RainStrenght = 7;
    LeafeEnable = 0;
    LeafeStrenght = 93;
    SaverSettings settings = {}; // every field not named here 0
    settings.ShowFPS = 1;
    settings.ShowTime = 1;
    settings.SFX = 1;
    settings.MusicVolume = 64;
    settings.Width = 1024;
    settings.Height = 768;
    settings.BitCount = 32;
    MapStore store;
    WriteSettingsValues(store, settings, -1);

    const std::vector<std::pair<std::string, uint32_t>> expected = {
        {"ShowFPS", 2},
        {"ShowTime", 2},
        {"TimeModeAMPM", 1},
        {"ExitOnMouseMove", 1},
        {"SFX", 2},
        {"Music", 1},
        {"MIRROW", 1},
        {"RAIN_ENABLE", 2},
        {"LEAFE_ENABLE", 1},
        {"m_nSelectedMode", 0xFFFFFFFFu},
        {"UseDesktopSettings", 1},
        {"Height", 768},
        {"Width", 1024},
        {"BitCount", 32},
        {"FSAA", 0},
        {"MusicVolume", 64},
        {"RAIN_STRENGHT", 7},
        {"LEAFE_STRENGHT", 93},
    };
    EXPECT_EQ(store.written, expected);

    // everything written reads back, -1 included
    SaverSettings back = kDefaults;
    SetShippedSceneOptions();
    int32_t selected = 5;
    ReadSettingsValues(store, back, selected);
    EXPECT_EQ(selected, -1);
    EXPECT_EQ(back.ShowFPS, 1);
    EXPECT_EQ(back.ShowTime, 1);
    EXPECT_EQ(back.TimeModeAMPM, 0);
    EXPECT_EQ(back.Music, 0);
    EXPECT_EQ(back.MusicVolume, 64);
    EXPECT_EQ(back.UseDesktopSettings, 0);
    EXPECT_EQ(back.FSAA, 0); // written 0, which reads as not set: the default stays
    EXPECT_EQ(WaterReflection, 0);
    EXPECT_EQ(RainStrenght, 7);
    EXPECT_EQ(LeafeEnable, 0);
}

} // namespace
