// Portable core: the label table.
#include "settings/LabelTable.h"

#include "settings/DefaultSettingsText.h"
#include "src/ClassRender/Log.h"

static void FoldKeyLine(std::string& line)
{
    // positions 1 to length-2: the leading "#" and the last byte stay
    for (size_t i = 1; i + 1 < line.size(); ++i)
    {
        if (line[i] >= 'A' && line[i] <= 'Z')
            line[i] = static_cast<char>(line[i] - 'A' + 'a');
    }
}

void CLabelTable::Load(const uint8_t* bytes, size_t size)
{
    m_Lines.clear();
    if (bytes == nullptr)
        size = 0;

    bool reportedFull = false;
    std::string line;
    bool open = false; // bytes seen since the last LF
    for (size_t pos = 0; pos <= size; ++pos)
    {
        const bool end = pos == size;
        if (!end && bytes[pos] != '\n')
        {
            open = true;
            if (bytes[pos] != '\r' && bytes[pos] != 0)
                line.push_back(static_cast<char>(bytes[pos]));
            continue;
        }
        if (end && !open)
            break; // text ended right after an LF: no further line
        if (!line.empty() && line[0] == '#')
            FoldKeyLine(line);
        if (static_cast<int>(m_Lines.size()) < MAX_LINES)
        {
            m_Lines.push_back(line);
        }
        else if (!reportedFull)
        {
            LogWrite(g_szLogFile, "%s\n", "label table: more than 200 lines, the rest dropped");
            reportedFull = true;
        }
        line.clear();
        open = false;
    }

    for (std::string& about : m_About)
        about.clear();
    const std::string text = GetLabel("about_window_text");
    int current = 0;
    for (char c : text)
    {
        if (c == '%')
        {
            ++current;
            if (current >= ABOUT_LINES)
                break; // the about box has seven lines
            continue;
        }
        m_About[current].push_back(c);
    }
}

std::string CLabelTable::GetLabel(const char* key) const
{
    const std::string wanted = FoldAsciiLower(key ? key : "");
    const size_t n = wanted.size();
    // the last line cannot be a key: no text follows it
    for (size_t i = 0; i + 1 < m_Lines.size(); ++i)
    {
        const std::string& line = m_Lines[i];
        if (line.empty() || line[0] != '#' || line.size() < n + 1 || line.size() > n + 2)
            continue;
        if (line.compare(1, n, wanted) == 0)
            return m_Lines[i + 1];
    }
    return std::string();
}
