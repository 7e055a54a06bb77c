// Windows layer: creation of the one Direct3D 9 device and its fixed states.
#pragma once
#include <windows.h>
#include <d3d9.h>

class CSaverCore;

// Presentation parameters of the device (full screen, immediate present).
extern D3DPRESENT_PARAMETERS g_d3dpp;

// Creates the full-screen device on adapter 0: HAL with hardware vertex
// processing, then HAL with software, then REF. On success sets
// g_pd3dDevice and the application's device, runs EE_Core_InitD3Device and
// EE_Core_DrawLoading, and returns S_OK; otherwise logs and returns E_FAIL.
HRESULT EE_Core_CreateD3Device(CSaverCore* app);

// Samplers 0-3 linear with anisotropy 1, the white material, identity world
// and the fixed start-up projection: the tail both device set-ups share.
void SetDefaultSamplersMaterialAndTransforms(IDirect3DDevice9* device);

// Element _11 and _22 of the start-up projection: 1 / tan(13.5 rad).
constexpr float STARTUP_PROJECTION_SCALE = 0.7401495f;
