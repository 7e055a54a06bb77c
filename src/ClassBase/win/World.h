// Windows layer: the scene. Owns every mesh, camera path, render target and
// water texture, and is the one place that knows the order in which they are
// loaded, advanced and drawn. Objects of later parts of the scene (sound)
// join with their own classes.
#pragma once
#include <windows.h>
#include <d3d9.h>
#include "src/ClassBase/CameraSwitch.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/RainSplashes.h"
#include "src/ClassBase/SceneConstants.h"
#include "src/ClassBase/SceneSound.h"
#include "src/ClassBase/WorldFrame.h"
#include "src/ClassBase/win/Duck.h"
#include "src/ClassBase/win/GrassField.h"
#include "src/ClassBase/win/LeafFall.h"
#include "src/ClassBase/win/Model.h"
#include "src/ClassBase/win/PlantStand.h"
#include "src/ClassBase/win/Rain.h"
#include "src/ClassBase/win/RippleField.h"
#include "src/ClassBase/win/WaterfallSpray.h"
#include "src/ClassRender/win/RenderTypes.h"
#include "sound/win/WaveOutput.h"

enum WorldModel
{
    wmSky,
    wmScene,
    wmSceneReflPond,
    wmRiverBedDown,
    wmRiverBedUp,
    wmPond,
    wmRiver,
    wmShadow,
    wmTreeShadow,
    wmSplash,
    WORLD_MODELS
};

// The grass fields: up on the terraces and slopes, down by the river.
enum WorldGrass
{
    wgUpper,
    wgLower,
    WORLD_GRASS_FIELDS
};
constexpr int WORLD_TREE_KINDS = 3;

// Bump environment mapping is possible on this device (three stages).
extern bool g_bBumpWater;
extern const D3DMATRIX g_mIdentity;

// A path's matrix as the device takes it: both are 16 row-major floats.
inline const D3DMATRIX* AsD3D(const gfx::Mat4& m)
{
    static_assert(sizeof(gfx::Mat4) == sizeof(D3DMATRIX), "matrix layouts differ");
    return reinterpret_cast<const D3DMATRIX*>(&m);
}

// Test seam: adjusts the capabilities the bump decision reads (null: as the
// device reports them), so a test can play a device without bump mapping.
using DeviceCapsFilter = void (*)(D3DCAPS9& caps);
void WorldSetDeviceCapsFilter(DeviceCapsFilter filter);
// Test seam: the colour every view clears to (black unless set), so a test
// can find any pixel the scene leaves undrawn.
void WorldSetClearColor(D3DCOLOR color);

class CWorld
{
public:
    bool m_bCameraBlend = false;
    bool m_bReflection = false;
    CCameraPath m_Cameras[CAMERA_PATHS];
    CCollisionFaces m_CollisionFaces;
    CModel m_Models[WORLD_MODELS];
    RainSplashes m_SplashPool;
    CModel m_FloatingLeaves[WORLD_FLOATING_LEAVES];
    CGrassField m_Grass[WORLD_GRASS_FIELDS];
    CRippleField m_Ripples;
    CRain m_Rain; // holds the rain drop count
    CPlantStand m_Trees[WORLD_TREE_KINDS];
    CLeafFall m_LeafFall;        // holds the falling-leaf count
    CWaterfallSpray m_Sprays[2]; // at fall A and fall B
    CPlantStand m_Reeds;
    CDuck m_Ducks[WORLD_DUCKS];
    ObjectTrajectory m_DuckTrajectory;
    IDirect3DTexture9* m_pBumpTextures[WORLD_BUMP_TEXTURES] = {};
    CCameraSwitch m_Switch;
    CWorldFrameBuilder m_FrameBuilder;
    WorldFrame m_Frame; // what this frame computed; drawing reads only this

    IDirect3DTexture9* m_pWaterMaskTexture = nullptr;
    IDirect3DSurface9* m_pWaterMaskSurface = nullptr;
    IDirect3DTexture9* m_pReflectionLTexture = nullptr;
    IDirect3DSurface9* m_pReflectionLSurface = nullptr;
    IDirect3DTexture9* m_pReflectionRTexture = nullptr;
    IDirect3DSurface9* m_pReflectionRSurface = nullptr;
    IDirect3DTexture9* m_pViewTexture[2] = {};
    IDirect3DSurface9* m_pViewSurface[2] = {};
    IDirect3DSurface9* m_pBackBuffer = nullptr;

    CVertexRenderBuffer m_QuadVertices{D3DUSAGE_WRITEONLY, RA_FVF_XYZ_TEX2, D3DPOOL_MANAGED};
    CFaceRenderBuffer m_QuadFaces{D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPT_TRIANGLELIST, D3DPOOL_MANAGED};

    CWaveOutput m_SoundOutput; // declared first: the sound closes it before it goes
    CSceneSound m_Sound;

    CWorld();
    ~CWorld();
    CWorld(const CWorld&) = delete;
    CWorld& operator=(const CWorld&) = delete;

    // Loads every object of the scene and starts its sound (Music, SFX and
    // MusicVolume of the settings, and the rain options); 0.
    HRESULT RenderInit(const SaverSettings& settings);
    // Advances and draws one frame, then presents.
    HRESULT RenderFrame();
    // Releases every device object of the world; safe to call twice.
    void ReleaseWorld();

    // Decides bump water from the device capabilities and loads the 32 bump
    // maps when it is possible (any earlier ones are released first).
    void InitBumpWater();
    // Fixed states, the five targets, the screen quad, the splash pool.
    void CreateRenderTargets();
    // Everything one camera's picture needs, in order: the rings advanced,
    // the grass turned to this camera, the trees updated, then RenderView.
    bool UpdateAndRenderView(const WorldFrameView& view, IDirect3DSurface9* target);
    // The scene of one camera into one target, with reflections and water.
    // False when it stopped between two passes for input (AwaitFramePass).
    bool RenderView(const WorldFrameView& view, IDirect3DSurface9* target);
    // False when the main pass stopped at one of its own pass boundaries.
    bool DrawScene(const WorldFrameView& view, ScenePass pass);
    void DrawPondWater(const WorldFrameView& view, IDirect3DSurface9* target);
    void DrawRiverWater(const WorldFrameView& view, IDirect3DSurface9* target);
    // Main pass only: the splashes aged and drawn round the view's eye, then
    // the rain.
    void DrawRainSplashes(const WorldFrameView& view);

private:
    void DrawScreenQuad();
    void BlendCameraViews();
    void WaterComposite(IDirect3DSurface9* target, IDirect3DTexture9* reflection, int bumpFrame, float bump,
                        float tiling);
};
