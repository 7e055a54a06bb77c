// Test harness (Windows, under Wine): the real scene application and world on
// a real Direct3D 9 device, with the clock driven by the harness, so chosen
// frames can be rendered and read back as pictures.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "src/ClassBase/win/Ostrel.h"

namespace shots {

// An RGB picture, rows top to bottom; alpha kept beside it for masks.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // width * height * 3
    std::vector<uint8_t> alpha; // width * height

    const uint8_t* Pixel(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Writes an RGB PNG; false when the file cannot be written.
bool WritePng(const std::string& path, const Picture& picture);

// Mean absolute difference per channel (0..255); -1 when the sizes differ.
double MeanDifference(const Picture& a, const Picture& b);
// Standard deviation of the grey values (0..255): 0 for a flat picture.
double GreyDeviation(const Picture& picture);

// Clock time at which the harness starts a path, and the clock time of a
// frame of it (the middle of the frame's 33 ms).
constexpr uint32_t HARNESS_START_MS = 100000;
inline uint32_t PathFrameMs(int frame)
{
    return HARNESS_START_MS + static_cast<uint32_t>(frame) * CAMERA_FRAME_MS + CAMERA_FRAME_MS / 2;
}

// Milliseconds since `start`, a QueryPerformanceCounter reading.
double ElapsedMs(const LARGE_INTEGER& start);

// A capability filter (WorldSetDeviceCapsFilter) that takes bump environment
// mapping away.
void WithoutBumpMapping(D3DCAPS9& caps);

class CSceneHarness
{
public:
    CSceneHarness();
    ~CSceneHarness();
    CSceneHarness(const CSceneHarness&) = delete;
    CSceneHarness& operator=(const CSceneHarness&) = delete;

    // Creates the window and the device (width x height; full screen at the
    // desktop mode, else windowed) the way the framework sets it up, with a
    // back buffer that keeps its contents after Present so frames can be
    // read back. False with a message in `error`.
    bool Open(int width, int height, bool fullScreen, std::string& error);
    // Puts the application on a device the caller owns and keeps (a fake,
    // for instance) instead.
    void UseDevice(IDirect3DDevice9* device);

    // InitScene of the real application (RenderInit of the world over the
    // executable's data archive); returns the milliseconds it took.
    double LoadScene();

    // EE_Core_DrawLoading of the application on this device: the loading
    // picture, presented.
    HRESULT DrawLoadingScreen();
    // The overlay's glyphs and quad from the executable's archive, as the
    // framework loads them after the device; frames then draw the clock and
    // frame rate that App().m_Settings ask for. False without a quad buffer.
    bool LoadOverlay();
    // The local time of day the clock reads (12:00:00 until set).
    void SetLocalTime(int hour, int minute, int second);

    // Makes path `index` the current one, started at HARNESS_START_MS, with
    // no blend running.
    void StartPath(int index);
    // Sets the clock to frame `frame` of the started path and runs one whole
    // frame (RenderFrame, with Present); then counts the pass of the idle
    // throttle, as the message loop does.
    void RenderPathFrame(int frame);
    // The same camera as frame `frame` of the started path, laterMs later:
    // the path's start moves on with the clock.
    void RenderPathFrameLater(int frame, uint32_t laterMs);
    // One whole frame with the clock at `ms`, the world choosing its own
    // paths as the saver's does.
    void RenderFrameAt(uint32_t ms) { RunFrameAt(ms); }
    // Starts path `index` and runs it into its cross-fade, up to the frame
    // drawn with blend weight 0.5.
    void RenderHalfwayBlend(int index);

    // The back buffer as the last frame left it.
    bool CaptureBackBuffer(Picture& out);
    // Any render-target surface of the device.
    bool CaptureSurface(IDirect3DSurface9* surface, Picture& out);

    // The pond and river masks of the current path's view at the clock of
    // the last frame, combined (alpha is the larger of the two); drawn into a
    // spare target, the back buffer stays as it is.
    bool CaptureWaterMasks(Picture& out);

    COstrel& App() { return m_app; }
    CWorld& World() { return m_app.m_World; }

private:
    void RunFrameAt(uint32_t ms);

    COstrel m_app;
    HWND m_window = nullptr;
    IDirect3DDevice9* m_device = nullptr;    // the one drawn on
    IDirect3DDevice9* m_ownDevice = nullptr; // made by Open, released here
};

} // namespace shots

// The rain (its splashes and rings too), the falling leaves, the sprays and
// the ducks out of sight for the life of the object; they keep their state.
enum HiddenEffect
{
    heRain = 1,
    heLeaves = 2,
    heSprays = 4,
    heDucks = 8,
    heAll = 15,
};

class ScopedHiddenEffects
{
public:
    ScopedHiddenEffects(CWorld& world, int which) : m_world(world), m_which(which) { Swap(); }
    ~ScopedHiddenEffects() { Swap(); }
    ScopedHiddenEffects(const ScopedHiddenEffects&) = delete;
    ScopedHiddenEffects& operator=(const ScopedHiddenEffects&) = delete;

private:
    void Swap()
    {
        if (m_which & heRain)
            std::swap(m_drops, m_world.m_Rain.m_Drops.m_nCount);
        if (m_which & heLeaves)
            std::swap(m_leaves, m_world.m_LeafFall.m_Leaves.m_nCount);
        if (m_which & heSprays)
            for (int k = 0; k < 2; ++k)
                std::swap(m_sprays[k], m_world.m_Sprays[k].m_Mesh.m_Material.m_pTexture);
        if (m_which & heDucks)
            std::swap(m_duckFrames, m_world.m_DuckTrajectory.m_nCount);
    }

    CWorld& m_world;
    int m_which;
    uint32_t m_drops = 0, m_leaves = 0;
    IDirect3DTexture9* m_sprays[2] = {};
    int m_duckFrames = 0;
};
