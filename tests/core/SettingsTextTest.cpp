// The default settings text, the label table and the defaults they give.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/DefaultSettingsText.h"
#include "settings/LabelTable.h"
#include "settings/SaverSettings.h"
#include "settings/SceneOptions.h"

namespace {

std::string ReadSourceFile(const char* relative)
{
    std::ifstream in(std::string(QM_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const uint8_t* Bytes(const std::string& text)
{
    return reinterpret_cast<const uint8_t*>(text.data());
}

struct Message
{
    std::string text;
    std::string caption;
};

void RecordMessage(void* context, const char* text, const char* caption)
{
    static_cast<std::vector<Message>*>(context)->push_back({text, caption});
}

struct ParsedText
{
    CDefaultSettingsTable table;
    std::vector<Message> messages;

    explicit ParsedText(const std::string& text)
    {
        table.SetMessageSink(RecordMessage, &messages);
        table.Parse(Bytes(text), text.size());
    }
};

TEST(DefaultSettingsText, ShippedTextGivesEveryDefault)
{
    const std::string text = ReadSourceFile("resources/DefaultSettings.txt");
    ASSERT_FALSE(text.empty());
    ParsedText parsed(text);

    const struct
    {
        const char* key;
        const char* value;
    } expected[] = {
        {"Music", "true"},
        {"ShowTime", "true"},
        {"ShowFPS", "false"},
        {"UseDktpSet", "true"},
        {"ExitOnMouseMove", "false"},
        {"GammControl", "100"},
        {"DigClock_24H", "false"},
        {"MusicVolume", "35"},
        {"SFX", "true"},
        {"MW", "800"},
        {"MH", "600"},
        {"MBitCount", "32"},
        {"FSAA", "0"},
        {"RainEnable", "true"},
        {"WaterReflection", "true"},
        {"RainStrenght", "50"},
        {"LeafeEnable", "true"},
        {"LeafeStrenght", "50"},
    };
    ASSERT_EQ(parsed.table.Count(), 19); // the 18 above and the web-site address
    for (int i = 0; i < 18; ++i)
    {
        EXPECT_EQ(parsed.table.Entry(i).key, expected[i].key) << i;
        EXPECT_EQ(parsed.table.Entry(i).value, expected[i].value) << i;
    }
    EXPECT_EQ(parsed.table.Entry(18).key, "main_web_site_url");
    EXPECT_EQ(parsed.table.Lookup("main_web_site_url").rfind("http://", 0), 0u);
    EXPECT_TRUE(parsed.messages.empty());

    // the shipped text is CR LF throughout and starts with the Russian comment
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '\n')
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << i;
        if (text[i] == '\r')
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << i;
    }
    EXPECT_EQ(text.substr(0, 2), ";\xEE");
}

TEST(DefaultSettingsText, LinesOfTheText)
{
    // one case per line: the text and the entry it gives ("" = none)
    const struct
    {
        const char* line;
        const char* key;
        const char* value;
    } cases[] = {
        {"FSAA\t\t= 0;\t\xED\xE5 \xE8\xF1\xEF\xEE\xEB\xFC\xE7\xF3\xE5\xF2\xF1\xFF\r\n", "FSAA", "0"},
        {"ExitOnMouseMove = false;\r\n", "ExitOnMouseMove", "false"},
        {"ExitOnMouseMove=false\r\n", "ExitOnMouseMove", "false"},
        {"  Rain\tStrenght =\t5 0  \r\n", "RainStrenght", "50"},
        {"a=b=c\r\n", "a", "b=c"},
        {"\xCA\xEB\xFE\xF7Key=1\r\n", "Key", "1"}, // Cyrillic bytes vanish wherever they stand
        {";comment with = inside\r\n", "", ""},
        {"   ; indented comment\r\n", "", ""},
        {"\t \r\n", "", ""},
        {"=novalue\r\n", "", "novalue"},
        {"nokey=\r\n", "nokey", ""},
        {"last=line", "last", "line"}, // no line end at all
    };
    for (const auto& c : cases)
    {
        ParsedText parsed(c.line);
        if (c.key[0] == 0 && c.value[0] == 0)
        {
            EXPECT_EQ(parsed.table.Count(), 0) << c.line;
            continue;
        }
        ASSERT_EQ(parsed.table.Count(), 1) << c.line;
        EXPECT_EQ(parsed.table.Entry(0).key, c.key) << c.line;
        EXPECT_EQ(parsed.table.Entry(0).value, c.value) << c.line;
        EXPECT_TRUE(parsed.messages.empty()) << c.line;
    }
}

TEST(DefaultSettingsText, LineWithoutEqualsIsReportedAndKept)
{
    ParsedText parsed("first=1\r\nbroken line;x\r\nsecond=2\r\n");
    ASSERT_EQ(parsed.messages.size(), 1u);
    EXPECT_EQ(parsed.messages[0].text, kBadFormatMessage);
    EXPECT_EQ(parsed.messages[0].caption, "");
    ASSERT_EQ(parsed.table.Count(), 3);
    EXPECT_EQ(parsed.table.Entry(1).key, "brokenline");
    EXPECT_EQ(parsed.table.Entry(1).value, "brokenline");
    EXPECT_EQ(parsed.table.Lookup("second"), "2");
}

TEST(DefaultSettingsText, LineEndsOnlyAtCarriageReturn)
{
    // LF-only text is one long line up to the first CR: one entry whose value
    // runs on, the LF bytes dropped with the other control bytes
    ParsedText parsed("Music=true\nShowTime=false\nSFX=true\r\nMW=800\r\n");
    ASSERT_EQ(parsed.table.Count(), 2);
    EXPECT_EQ(parsed.table.Entry(0).key, "Music");
    EXPECT_EQ(parsed.table.Entry(0).value, "trueShowTime=falseSFX=true");
    EXPECT_EQ(parsed.table.Lookup("MW"), "800");

    // a lone CR also ends a line
    ParsedText crOnly("a=1\rb=2\r");
    EXPECT_EQ(crOnly.table.Count(), 2);
}

TEST(DefaultSettingsText, LookupFoldsCaseAndReportsMissingKeys)
{
    ParsedText parsed("MusicVolume=35\r\nmusicvolume=99\r\n");
    EXPECT_EQ(parsed.table.Lookup("musicvolume"), "35"); // first entry wins
    EXPECT_EQ(parsed.table.Lookup("MUSICVOLUME"), "35");
    EXPECT_TRUE(parsed.messages.empty());

    EXPECT_EQ(parsed.table.Lookup("Music"), ""); // a prefix is no match
    EXPECT_EQ(parsed.table.Convert("NoSuchKey"), 0);
    ASSERT_EQ(parsed.messages.size(), 2u);
    EXPECT_EQ(parsed.messages[0].text, kMissingKeyMessage);
    EXPECT_EQ(parsed.messages[0].caption, "music");
    EXPECT_EQ(parsed.messages[1].caption, "nosuchkey");
}

TEST(DefaultSettingsText, ConvertValues)
{
    const struct
    {
        const char* value;
        int32_t number;
    } cases[] = {
        {"true", 1},
        {"false", 0},
        {"True", 0},
        {"FALSE", 0},
        {"50%", 50},
        {"35", 35},
        {"-12x", -12},
        {"+7", 7},
        {"", 0},
        {"abc", 0},
        {"truex", 0},
        {"2147483647", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertSettingValue(c.value), c.number) << c.value;
}

TEST(DefaultSettingsText, TableHoldsAtMostAHundredEntries)
{
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    ParsedText parsed(text);
    EXPECT_EQ(parsed.table.Count(), CDefaultSettingsTable::MAX_ENTRIES);
    EXPECT_EQ(parsed.table.Convert("k99"), 99);
}

TEST(SettingsDefaults, ShippedTextFillsRecordAndSceneOptions)
{
    const std::string text = ReadSourceFile("resources/DefaultSettings.txt");
    ParsedText parsed(text);

    SaverSettings defaults = {};
    FillSettingsDefaults(parsed.table, defaults);
    EXPECT_EQ(defaults.ShowFPS, 0);
    EXPECT_EQ(defaults.ExitOnMouseMove, 0);
    EXPECT_EQ(defaults.ShowTime, 1);
    EXPECT_EQ(defaults.Music, 1);
    EXPECT_EQ(defaults.SFX, 1);
    EXPECT_EQ(defaults.MusicVolume, 35);
    EXPECT_EQ(defaults.Width, 800);
    EXPECT_EQ(defaults.Height, 600);
    EXPECT_EQ(defaults.BitCount, 32);
    EXPECT_EQ(defaults.FSAA, 0);
    EXPECT_EQ(defaults.UseDesktopSettings, 1);
    EXPECT_EQ(defaults.TimeModeAMPM, 1); // DigClock_24H = false

    ReadSceneOptionDefaults(parsed.table);
    EXPECT_EQ(WaterReflection, 1);
    EXPECT_EQ(RainEnable, 1);
    EXPECT_EQ(RainStrenght, 50);
    EXPECT_EQ(LeafeEnable, 1);
    EXPECT_EQ(LeafeStrenght, 50);
    EXPECT_TRUE(parsed.messages.empty());
}

TEST(SettingsDefaults, RecordKeepsConvertedValuesAndInvertsTheClock)
{
    ParsedText parsed("DigClock_24H=true\r\nExitOnMouseMove=5\r\nFSAA=2\r\nMBitCount=16\r\nMH=1\r\nMW=2\r\n"
                      "Music=True\r\nSFX=3\r\nMusicVolume=70%\r\nShowFPS=true\r\nShowTime=0\r\nUseDktpSet=false\r\n"
                      "RainEnable=7\r\nWaterReflection=false\r\nRainStrenght=9\r\nLeafeEnable=true\r\n"
                      "LeafeStrenght=-4\r\n");
    SaverSettings defaults = {};
    FillSettingsDefaults(parsed.table, defaults);
    EXPECT_EQ(defaults.TimeModeAMPM, 0);
    EXPECT_EQ(defaults.ExitOnMouseMove, 5); // not reduced to 0/1
    EXPECT_EQ(defaults.SFX, 3);
    EXPECT_EQ(defaults.Music, 0); // "True" is no boolean
    EXPECT_EQ(defaults.MusicVolume, 70);
    EXPECT_EQ(defaults.ShowFPS, 1);
    EXPECT_EQ(defaults.UseDesktopSettings, 0);

    ReadSceneOptionDefaults(parsed.table);
    EXPECT_EQ(RainEnable, 1); // booleans reduced to 0/1
    EXPECT_EQ(WaterReflection, 0);
    EXPECT_EQ(LeafeStrenght, -4);
    EXPECT_TRUE(parsed.messages.empty());
}

CLabelTable LoadLabels(const std::string& text)
{
    CLabelTable table;
    table.Load(Bytes(text), text.size());
    return table;
}

TEST(LabelTable, ShippedTableAnswersEveryKeyTheDialogsAsk)
{
    const std::string text = ReadSourceFile("resources/Labels.txt");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos);
    CLabelTable table = LoadLabels(text);

    const struct
    {
        const char* key;
        const char* label;
    } expected[] = {
        {"screensaver_configuration", "Quenmoor 3D Screensaver Configuration"},
        {"video_mode_selection", "Video Mode"},
        {"use_desktop_settings", "Use Desktop Settings"},
        {"sound_control", "Sound Control"},
        {"master_volume:", "Volume"},
        {"enable_music", "Enable Music"},
        {"enable_sfx", "Enable SFX"},
        {"products", "Products"},
        {"visit_our_official_web-site_for_more_great_3D_screensavers",
         "Visit our official web-site for more great 3D screensavers"},
        {"misc_options", "Misc Options"},
        {"show_fps", "Show FPS"},
        {"SHOW_FPS", "Show FPS"},
        {"Show_FPS", "Show FPS"},
        {"show_time", "Show Time"},
        {"24h_style", "24h format"},
        {"12h_style", "12h format"},
        {"exit_on_mouse_move", "Exit on Mouse Move"},
        {"options", "Options"},
        {"reflecting_water_surface", "Reflecting Water Surface"},
        {"rainfall_amount", "Rainfall Amount"},
        {"leaf_fall_amount", "Leaf Fall Amount"},
        {"visit...", "Visit..."},
        {"about", "About"},
        {"restore_defaults", "Restore Defaults"},
        {"ok", "OK"},
        {"cancel", "Cancel"},
        {"screensaver_name", "Quenmoor 3D Screensaver"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(table.GetLabel(e.key), e.label) << e.key;

    // seven about lines, the second left empty by two adjacent "%"
    EXPECT_FALSE(table.AboutLine(0).empty());
    EXPECT_TRUE(table.AboutLine(1).empty());
    for (int i = 2; i < CLabelTable::ABOUT_LINES; ++i)
        EXPECT_FALSE(table.AboutLine(i).empty()) << i;
}

TEST(LabelTable, KeyLinesAndTheirMatches)
{
    const struct
    {
        const char* text;
        const char* key;
        const char* label;
    } cases[] = {
        {"#Show_FPS#\nShow FPS\n", "show_fps", "Show FPS"},
        {"#Show_FPS\nShow FPS\n", "show_fps", ""},          // last byte stays a capital S
        {"#show_fps\nShow FPS\n", "show_fps", "Show FPS"},  // no closing "#" and nothing unfolded: n + 1
        {"#show_fpsX#\nShow FPS\n", "show_fps", ""},        // one byte too many
        {"#show_fps!\nShow FPS\n", "show_fps", "Show FPS"}, // n + 2 bytes
        {"#ok#\n\n#ok#\nsecond\n", "ok", ""},               // the first match wins, even with an empty text
        {"text\n#ok#", "ok", ""},                           // the last line is never a key
        {"#ok#\r\nO\rK\r\n", "ok", "OK"},                   // CR bytes are dropped
        {"#A#\n#B#\nb\n", "a", "#b#"},                      // a text line starting with "#" is folded as well
    };
    for (const auto& c : cases)
    {
        CLabelTable table = LoadLabels(c.text);
        EXPECT_EQ(table.GetLabel(c.key), c.label) << c.text;
    }
}

TEST(LabelTable, ZeroBytesAreSkipped)
{
    const char raw[] = "#o\0k#\nzero\n";
    CLabelTable table = LoadLabels(std::string(raw, sizeof(raw) - 1));
    EXPECT_EQ(table.GetLabel("ok"), "zero");
}

TEST(LabelTable, AboutTextSplitsIntoSevenLines)
{
    const struct
    {
        const char* about;
        const char* lines[7];
    } cases[] = {
        {"one%%three%four%five%six%seven", {"one", "", "three", "four", "five", "six", "seven"}},
        {"only", {"only", "", "", "", "", "", ""}},
        {"1%2%3%4%5%6%7%8%9", {"1", "2", "3", "4", "5", "6", "7"}}, // beyond the seventh line is dropped
        {"%%%%%%%%%%", {"", "", "", "", "", "", ""}},
    };
    for (const auto& c : cases)
    {
        CLabelTable table = LoadLabels(std::string("#about_window_text#\n") + c.about + "\n");
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(table.AboutLine(i), c.lines[i]) << c.about << " line " << i;
    }
}

TEST(LabelTable, HoldsAtMostTwoHundredLines)
{
    std::string text;
    for (int i = 0; i < 99; ++i)
        text += "filler\n";
    text += "#early#\nfound\n"; // lines 99 and 100
    for (int i = 0; i < 98; ++i)
        text += "filler\n";
    text += "#late#\nlost\n"; // lines 199 and 200: the text falls beyond the table
    CLabelTable table = LoadLabels(text);
    EXPECT_EQ(table.LineCount(), CLabelTable::MAX_LINES);
    EXPECT_EQ(table.GetLabel("early"), "found");
    EXPECT_EQ(table.GetLabel("late"), "");
}

} // namespace
