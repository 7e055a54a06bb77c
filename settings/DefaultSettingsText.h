// Portable core: the default settings text (def_settings.txt) and its
// key/value table. The text is parsed once; every option's shipped default is
// then asked for by key.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Shows one message to the user (text and caption, code page 1251). The
// Windows layer puts up a message box; tests record the calls.
typedef void (*SettingsMessageFn)(void* context, const char* text, const char* caption);

// Messages of the default settings text, code page 1251.
extern const char kBadFormatMessage[];  // a line without "="
extern const char kMissingKeyMessage[]; // a key that the text lacks

struct DefaultSettingsEntry
{
    std::string key; // as written, case kept
    std::string value;
};

class CDefaultSettingsTable
{
public:
    static constexpr int MAX_ENTRIES = 100;

    // Messages go to fn; without one they are dropped.
    void SetMessageSink(SettingsMessageFn fn, void* context);

    // Parses the text into the table, replacing what it held. Lines end at CR
    // (an LF alone does not end a line). Entry lines beyond MAX_ENTRIES are
    // dropped.
    void Parse(const uint8_t* bytes, size_t size);

    // Value of the key, compared with ASCII letters folded to lower case; the
    // first entry wins. A missing key shows a message and gives "".
    std::string Lookup(const char* key) const;

    // Lookup, then ConvertSettingValue.
    int32_t Convert(const char* key) const;

    int Count() const { return static_cast<int>(m_Entries.size()); }
    const DefaultSettingsEntry& Entry(int index) const { return m_Entries[static_cast<size_t>(index)]; }

private:
    void Message(const char* text, const char* caption) const;

    std::vector<DefaultSettingsEntry> m_Entries;
    SettingsMessageFn m_pfnMessage = nullptr;
    void* m_pMessageContext = nullptr;
};

// "true" gives 1, "false" gives 0 (exact case); anything else its leading
// decimal number as atoi reads it (saturated to 32 bits), 0 without digits.
int32_t ConvertSettingValue(const std::string& value);

// ASCII A-Z to lower case; every other byte stays.
std::string FoldAsciiLower(const std::string& text);
