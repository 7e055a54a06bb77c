// Test harness (Windows, under Wine): the real scene application and world on
// a real Direct3D 9 device, with the clock driven by the harness, so chosen
// frames can be rendered and read back as pictures.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>
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

    // InitScene of the real application (RenderInit of the world over the
    // executable's data archive); returns the milliseconds it took.
    double LoadScene();

    // Makes path `index` the current one, started at clock time `startMs`,
    // with no blend running.
    void StartPath(int index, uint32_t startMs);
    // Sets the clock and runs one whole frame (RenderFrame, with Present).
    void RenderFrameAt(uint32_t clockMs);

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
    IDirect3DDevice9* Device() const { return m_device; }

    static uint32_t Now();

private:
    void SetRenderTargetBack();

    COstrel m_app;
    HMODULE m_d3d9 = nullptr;
    HWND m_window = nullptr;
    IDirect3DDevice9* m_device = nullptr;
};

} // namespace shots
