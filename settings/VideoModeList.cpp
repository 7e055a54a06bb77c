// Portable core: the video mode list.
#include "settings/VideoModeList.h"

#include <algorithm>
#include <cstdio>

void VideoModeList::Arrange()
{
    std::vector<VideoMode> kept;
    kept.reserve(m_Modes.size());
    for (size_t i = 0; i < m_Modes.size(); ++i)
    {
        const VideoMode& mode = m_Modes[i];
        if (mode.Width < MIN_MODE_WIDTH)
            continue;
        // refresh rates collapse: only the last entry of a width, height and
        // format stays
        bool later = false;
        for (size_t j = i + 1; j < m_Modes.size() && !later; ++j)
        {
            const VideoMode& other = m_Modes[j];
            later = other.Width == mode.Width && other.Height == mode.Height && other.Format == mode.Format;
        }
        if (!later)
            kept.push_back(mode);
    }
    // keys are unique after the duplicates went, so any sort gives one order
    std::sort(kept.begin(), kept.end(), [](const VideoMode& a, const VideoMode& b) {
        if (a.Width != b.Width)
            return a.Width < b.Width;
        if (a.Height != b.Height)
            return a.Height < b.Height;
        return a.Format > b.Format;
    });
    m_Modes.swap(kept);
}

void VideoModeList::ApplyDefaultChoice()
{
    if (m_nSelectedMode != -1)
        return;
    for (int i = 0; i < Count(); ++i)
    {
        const VideoMode& mode = Mode(i);
        if (mode.Width == DEFAULT_MODE_WIDTH && IsFormat32Bit(mode.Format))
        {
            m_nSelectedMode = i;
            return;
        }
    }
}

void VideoModeList::MakeSelectedModeCurrent()
{
    ApplyDefaultChoice();
    if (m_nSelectedMode < 0 || m_nSelectedMode >= Count())
        return;
    const VideoMode& mode = Mode(m_nSelectedMode);
    m_nCurrentWidth = static_cast<int32_t>(mode.Width);
    m_nCurrentHeight = static_cast<int32_t>(mode.Height);
    m_nCurrentFormat = mode.Format;
    m_nCurrentDepthFormat = FORMAT_D24S8;
}

std::string VideoModeList::ModeText(const VideoMode& mode)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%ld x %ld %s", static_cast<long>(mode.Width), static_cast<long>(mode.Height),
                  IsFormat32Bit(mode.Format) ? "32 bits" : "16 bits");
    return text;
}

void ApplySelectedVideoMode(VideoModeList& modes, SaverSettings& settings)
{
    modes.MakeSelectedModeCurrent();
    settings.Width = modes.m_nCurrentWidth;
    settings.Height = modes.m_nCurrentHeight;
    settings.BitCount = IsFormat32Bit(modes.m_nCurrentFormat) ? 32 : 16;
    settings.FSAA = modes.m_nCurrentMultiSample;
}

BackBufferChoice ChooseBackBuffer(bool useDesktopSettings, uint32_t desktopWidth, uint32_t desktopHeight,
                                  int32_t desktopFormat, const VideoModeList& modes)
{
    const bool haveCurrent = modes.m_nCurrentWidth > 0 && modes.m_nCurrentHeight > 0 && modes.m_nCurrentFormat != 0;
    BackBufferChoice choice;
    choice.DepthFormat = haveCurrent && modes.m_nCurrentDepthFormat != 0 ? modes.m_nCurrentDepthFormat : FORMAT_D24S8;
    if (useDesktopSettings)
    {
        choice.Width = desktopWidth;
        choice.Height = desktopHeight;
        choice.Format = FORMAT_X8R8G8B8;
    }
    else if (haveCurrent)
    {
        choice.Width = static_cast<uint32_t>(modes.m_nCurrentWidth);
        choice.Height = static_cast<uint32_t>(modes.m_nCurrentHeight);
        choice.Format = modes.m_nCurrentFormat;
    }
    else
    {
        choice.Width = desktopWidth;
        choice.Height = desktopHeight;
        choice.Format = desktopFormat;
    }
    return choice;
}
