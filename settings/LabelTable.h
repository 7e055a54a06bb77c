// Portable core: the label table, which gives every caption and label of the
// configuration dialog and the about box by key.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CLabelTable
{
public:
    static constexpr int MAX_LINES = 200;
    static constexpr int ABOUT_LINES = 7;

    // Reads the text into lines (LF ends a line; CR and zero bytes are
    // skipped), folds the inner bytes of "#" lines to lower case, then splits
    // the about text at "%" into the seven about lines. Lines beyond
    // MAX_LINES and about text beyond the seventh line are dropped.
    void Load(const uint8_t* bytes, size_t size);

    // Copy of the line after the first key line that matches the key (ASCII
    // letters folded); "" when none does.
    std::string GetLabel(const char* key) const;

    const std::string& AboutLine(int index) const { return m_About[index]; }
    int LineCount() const { return static_cast<int>(m_Lines.size()); }
    const std::string& Line(int index) const { return m_Lines[static_cast<size_t>(index)]; }

private:
    std::vector<std::string> m_Lines;
    std::string m_About[ABOUT_LINES];
};
