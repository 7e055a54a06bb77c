// Portable core: the default settings text and its key/value table.
#include "settings/DefaultSettingsText.h"

#include <climits>

#include "src/ClassRender/Log.h"

const char kBadFormatMessage[] =
    "\xED\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xFB\xE9 \xF4\xEE\xF0\xEC\xE0\xF2 \xF4\xE0\xE9\xEB\xE0 def_settings.txt";
const char kMissingKeyMessage[] =
    "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE2 \xF4\xE0\xE9\xEB\xE5 def_settings.txt";

std::string FoldAsciiLower(const std::string& text)
{
    std::string folded = text;
    for (char& c : folded)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

void CDefaultSettingsTable::SetMessageSink(SettingsMessageFn fn, void* context)
{
    m_pfnMessage = fn;
    m_pMessageContext = context;
}

void CDefaultSettingsTable::Message(const char* text, const char* caption) const
{
    if (m_pfnMessage)
        m_pfnMessage(m_pMessageContext, text, caption);
}

void CDefaultSettingsTable::Parse(const uint8_t* bytes, size_t size)
{
    m_Entries.clear();
    if (bytes == nullptr)
        size = 0;

    bool reportedFull = false;
    size_t pos = 0;
    while (pos < size)
    {
        std::string line;
        while (pos < size && bytes[pos] != '\r')
        {
            // space, tab, control bytes and every byte of 0x80 and above
            // (signed <= 32) never belong to keys or values
            if (static_cast<int8_t>(bytes[pos]) > 32)
                line.push_back(static_cast<char>(bytes[pos]));
            ++pos;
        }
        if (pos < size && bytes[pos] == '\r')
            ++pos;
        if (pos < size && bytes[pos] == '\n')
            ++pos;

        const size_t comment = line.find(';');
        if (comment != std::string::npos)
            line.resize(comment);
        if (line.empty())
            continue;

        DefaultSettingsEntry entry;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
        {
            Message(kBadFormatMessage, "");
            entry.key = line;
            entry.value = line;
        }
        else
        {
            entry.key = line.substr(0, equals);
            entry.value = line.substr(equals + 1);
        }

        if (static_cast<int>(m_Entries.size()) >= MAX_ENTRIES)
        {
            if (!reportedFull)
                LogWrite(g_szLogFile, "%s\n", "def_settings.txt: more than 100 entries, the rest dropped");
            reportedFull = true;
            continue;
        }
        m_Entries.push_back(std::move(entry));
    }
}

std::string CDefaultSettingsTable::Lookup(const char* key) const
{
    const std::string wanted = FoldAsciiLower(key ? key : "");
    for (const DefaultSettingsEntry& entry : m_Entries)
    {
        if (FoldAsciiLower(entry.key) == wanted)
            return entry.value;
    }
    Message(kMissingKeyMessage, wanted.c_str());
    return std::string();
}

int32_t CDefaultSettingsTable::Convert(const char* key) const
{
    return ConvertSettingValue(Lookup(key));
}

int32_t ConvertSettingValue(const std::string& value)
{
    if (value == "true")
        return 1;
    if (value == "false")
        return 0;

    size_t pos = 0;
    // atoi skips leading white space; parsed values never hold any, but the
    // conversion is also used on raw text
    while (pos < value.size() && (value[pos] == ' ' || (value[pos] >= '\t' && value[pos] <= '\r')))
        ++pos;
    bool negative = false;
    if (pos < value.size() && (value[pos] == '+' || value[pos] == '-'))
    {
        negative = value[pos] == '-';
        ++pos;
    }
    int64_t number = 0;
    for (; pos < value.size() && value[pos] >= '0' && value[pos] <= '9'; ++pos)
    {
        number = number * 10 + (value[pos] - '0');
        if (number > static_cast<int64_t>(INT32_MAX) + 1)
            number = static_cast<int64_t>(INT32_MAX) + 1; // saturate instead of overflowing
    }
    if (negative)
        number = -number;
    if (number > INT32_MAX)
        number = INT32_MAX;
    return static_cast<int32_t>(number);
}
