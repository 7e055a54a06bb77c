// Portable core: the list of full-screen video modes, the user's choice in
// it, and the mode made current for the device.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "settings/SaverSettings.h"

// Direct3D 9 format codes the list deals with.
constexpr int32_t FORMAT_A8R8G8B8 = 21;
constexpr int32_t FORMAT_X8R8G8B8 = 22;
constexpr int32_t FORMAT_R5G6B5 = 23;
constexpr int32_t FORMAT_D24S8 = 75;

// Narrower modes are never offered.
constexpr uint32_t MIN_MODE_WIDTH = 640;
// The first mode of this width in 32 bits is chosen while nothing is.
constexpr uint32_t DEFAULT_MODE_WIDTH = 1024;

// One display mode, in the layout of D3DDISPLAYMODE.
struct VideoMode
{
    uint32_t Width;
    uint32_t Height;
    uint32_t RefreshRate;
    int32_t Format;
};

inline bool IsFormat32Bit(int32_t format)
{
    return format == FORMAT_A8R8G8B8 || format == FORMAT_X8R8G8B8;
}

class VideoModeList
{
public:
    // Enumeration: empty, append every mode of every adapter, then arrange.
    void Clear() { m_Modes.clear(); }
    void Append(const VideoMode& mode) { m_Modes.push_back(mode); }
    // Drops modes narrower than 640, keeps the last of each width, height and
    // format, and sorts by width, height, then format code descending
    // (R5G6B5 before X8R8G8B8).
    void Arrange();

    int Count() const { return static_cast<int>(m_Modes.size()); }
    const VideoMode& Mode(int index) const { return m_Modes[static_cast<size_t>(index)]; }

    // While nothing is selected, the first 1024-wide 32-bit mode becomes the
    // selection; without one it stays -1.
    void ApplyDefaultChoice();

    // Default choice, then the selected mode's width, height and format become
    // current with depth format D24S8. An index outside the list changes
    // nothing.
    void MakeSelectedModeCurrent();

    // Text of a mode box item: "1024 x 768 32 bits".
    static std::string ModeText(const VideoMode& mode);

    int32_t m_nCurrentWidth = 0;
    int32_t m_nCurrentHeight = 0;
    int32_t m_nCurrentFormat = 0;
    int32_t m_nCurrentDepthFormat = 0;
    int32_t m_nCurrentMultiSample = 0; // nothing offers multisampling
    int32_t m_nSelectedMode = -1;      // -1: nothing chosen yet

private:
    std::vector<VideoMode> m_Modes;
};

// Makes the selected mode current and mirrors it into Width, Height,
// BitCount (32 for A8R8G8B8/X8R8G8B8, else 16) and FSAA. Copied even when no
// mode is current (the unset current fields then give 0, 0, 16).
void ApplySelectedVideoMode(VideoModeList& modes, SaverSettings& settings);

// Back buffer of the full-screen device.
struct BackBufferChoice
{
    uint32_t Width;
    uint32_t Height;
    int32_t Format;
    int32_t DepthFormat;
};

// Desktop size and X8R8G8B8 while the desktop settings are used, else the
// current mode. When no mode has been made current (empty list, an index
// beyond it) the desktop mode is used. The depth format is the current
// mode's, D24S8 when there is none.
BackBufferChoice ChooseBackBuffer(bool useDesktopSettings, uint32_t desktopWidth, uint32_t desktopHeight,
                                  int32_t desktopFormat, const VideoModeList& modes);
