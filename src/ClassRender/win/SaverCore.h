// Windows layer: the application framework. CSaverCore owns the window
// state, settings, Direct3D objects and timing, and calls its virtual
// operations at fixed points of the run.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "settings/DefaultSettingsText.h"
#include "settings/LabelTable.h"
#include "settings/SaverSettings.h"
#include "settings/VideoModeList.h"
#include "src/ClassRender/SaverState.h"
#include "src/ClassRender/win/FrameFence.h"
#include "src/ClassRender/win/MonitorRecord.h"

typedef BOOL(WINAPI* PasswordCheckFn)(HWND);

constexpr int OVERLAY_TEXTURE_COUNT = 14; // digits 0-9, colon, dot, AM, PM
constexpr UINT TIMER_PREVIEW_WAIT = 1;
constexpr UINT TIMER_FPS_LATCH = 7;
// The longest a closing saver waits for the frame in hand before it
// releases the device anyway (a hung driver must not keep it open).
constexpr unsigned FRAME_DRAIN_MS = 1000;
// Frames at least this long have their passes drawn one at a time, so that a
// key waits for one pass, not the frame. Faster frames keep the device busy
// with the whole frame: a key waits little for them anyway.
constexpr float FRAME_PASS_PACING_MS = 50.0f;
// The loop's rule, from the frame before: whether the next frame's passes
// are drawn one at a time.
inline bool PacesFramePasses(float lastFrameMs)
{
    return lastFrameMs >= FRAME_PASS_PACING_MS;
}
constexpr UINT PREVIEW_WAIT_MS = 500;
constexpr UINT FPS_LATCH_MS = 1000;

class CSaverCore
{
public:
    CSaverCore();
    virtual ~CSaverCore();

    // Virtual operations, in slot order.
    virtual void Init();
    virtual void OnSettingsRead() {}
    virtual void OnSettingsWritten() {}
    virtual void OnReset() {}
    virtual void OnConfigDialogInit(HWND) {}
    virtual int ConfigDialogMessage(HWND, UINT, WPARAM, LPARAM) { return 0; }
    virtual LRESULT WindowMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void OnDeviceCreated() {}
    virtual void OnShutdown() {}
    virtual HRESULT EE_Core_InitD3Device(IDirect3DDevice9* device);
    virtual HRESULT EE_Core_DrawLoading(IDirect3DDevice9* device);
    virtual HRESULT InitScene(IDirect3DDevice9*) { return S_OK; }
    virtual HRESULT OnSceneReady(IDirect3DDevice9*) { return S_OK; }
    virtual HRESULT UpdateFrame(IDirect3DDevice9* device, float elapsedMs);
    virtual HRESULT DrawFrame(IDirect3DDevice9* device);
    virtual HRESULT ReleaseScene() { return S_OK; }

    // Framework reset: OnReset, defaults, slots cleared, g_pSaverApp set.
    void Reset();

    HWND m_hWndParent = nullptr;
    RunMode m_Mode = rmConfigure;
    HINSTANCE m_hInstance = nullptr;
    HWND m_hWnd = nullptr;
    int m_nMonitors = 0;
    MonitorRecord m_Monitors[MAX_MONITORS] = {};
    int m_bPreviewWait = 0;
    HMODULE m_hPasswordDll = nullptr;
    int m_bCheckPassword = 0;
    char m_szWindowTitle[30] = {};
    char m_szClassName[64] = {};
    PasswordCheckFn m_pfnPasswordCheck = nullptr;
    SaverSettings m_Settings = {};
    SaverSettings m_DefaultSettings = {}; // from the default text, never changed afterwards
    VideoModeList m_VideoModes;
    IDirect3D9* m_pD3D = nullptr;
    IDirect3DDevice9* m_pDevice = nullptr;
    BYTE m_OverlayColor[3] = {255, 255, 255};
    IDirect3DTexture9* m_pOverlayTextures[OVERLAY_TEXTURE_COUNT] = {};
    IDirect3DVertexBuffer9* m_pOverlayQuad = nullptr;
    FrameFence m_FrameFence;
    int m_nFrameParity = 1;
    int m_nFramesPerSecond = 0;
    int m_nFrameCounter = 0;
    float m_fLastFrameTime = 0.0f;
    bool m_bPaceFramePasses = false; // the last frame took FRAME_PASS_PACING_MS or more
    bool m_bFrameStopped = false;    // this frame stopped between passes for input
    HBITMAP m_hPreviewBitmap = nullptr;
    int m_nMouseGrace = MOUSE_GRACE_MOVES;
    bool m_bFirstPictureLogged = false;
    // While the scene loads, the loop runs only in PumpLoadMessages; an exit
    // asked for meanwhile waits for the load to stop (m_bCloseDuringLoad).
    bool m_bLoading = false;
    bool m_bCloseDuringLoad = false;
    uint32_t m_nLoadPumpMs = 0;       // clock at the last pump of this load
    uint32_t m_nLongestLoadGapMs = 0; // the longest wait between two pumps
    int m_nLoadPumps = 0;             // pumps of this load so far
    int m_nLongestLoadGapPump = 0;    // the pump that ended the longest wait

    // Loaded once at construction: the dialogs' labels and the defaults.
    CLabelTable m_Labels;
    CDefaultSettingsTable m_DefaultText;
};

extern CSaverCore* g_pSaverApp;

// The message and frame loop of the preview, full-screen and test modes;
// the shell sets up the password check before it.
int RunSaver(CSaverCore* app);
// One idle pass: while the device still draws the last frame, a wait of at
// most a millisecond for input; otherwise time, then update and draw unless
// the device is lost. A device that can be reset again gets the world
// released, a Reset and the scene rebuilt behind the loading picture
// (RestoreDevice).
void FrameTick(CSaverCore* app);
// After a lost device: overlay and scene released, the device Reset with the
// start's parameters, its states set again, the loading picture, the scene
// and overlay loaded again. False when the saver was closed instead (the
// Reset failed, logged, or an exit came during the load). A Reset that finds
// the device lost again keeps the scene released for the next try.
bool RestoreDevice(CSaverCore* app);
// Lets the message loop run between steps of a scene load, so that input
// ends the saver within one step. False once the saver was asked to end: the
// load then stops and the saver closes after it. Outside the framework's
// load it does nothing and returns true.
bool PumpLoadMessages();
// Between two passes of a frame that paces them (m_bPaceFramePasses; else
// it returns true at once): waits, sleeping, until the device has drawn what
// the frame queued so far, so that a key never waits for more than the pass
// in hand. False when a key, a click or a posted message waits in full-screen
// mode: the frame stops there, unshown, and the loop takes the message at once.
bool AwaitFramePass(CSaverCore* app);
// Ends the saver: OnShutdown, overlay, scene, device and Direct3D released,
// the FPS timer killed, the password library freed, the quit message posted.
// Safe to run twice. During a scene load it only notes the request; the
// load stops at its next pump and the saver closes then.
void CloseSaver(CSaverCore* app);
