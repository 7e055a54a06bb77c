// Windows layer: the scene's construction, loading and release.
#include "src/ClassBase/win/World.h"

#include <cstdio>
#include <cstdlib>
#include "data/TextureEntry.h"
#include "data/win/ArchiveResource.h"
#include "data/win/TextureCreate.h"
#include "settings/SceneOptions.h"
#include "src/ClassBase/WorldRules.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"
#include "src/ClassRender/Log.h"

bool g_bBumpWater = false;
const D3DMATRIX g_mIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

// A failed step logs its code, this file and the line of the call.
#define WORLD_STEP(code, call) \
    do                         \
    {                          \
        if ((call) != 0)       \
            LOG_FAILURE(code); \
    } while (0)

CWorld::CWorld() = default;

CWorld::~CWorld()
{
    ReleaseWorld();
}

HRESULT CWorld::RenderInit(const SaverSettings& settings)
{
    // the sound device opens while the scene loads
    m_Sound.Prepare(settings, &m_SoundOutput);
    CreateRenderTargets();
    LogWrite(g_szLogFile, "RenderInit() - ok\n");
    const ArchiveView archive = ExecutableArchive();
    for (uint32_t i = 0; i < ClockReadMs() % 100; ++i)
        CrtRand();

    m_nRainDrops = WorldParticleCount(RainEnable != 0, RainStrenght);
    m_nLeaves = WorldParticleCount(LeafeEnable != 0, LeafeStrenght);

    WORLD_STEP(601, m_Models[wmSky].Load("sky.singleobject"));
    WORLD_STEP(602, m_Models[wmScene].Load("scene.singleobject"));
    WORLD_STEP(603, m_Models[wmSceneReflPond].Load("scene_refl_lusa.singleobject"));
    WORLD_STEP(604, m_Models[wmRiverBedDown].Load("ruslo_dn.singleobject"));
    WORLD_STEP(605, m_Models[wmRiverBedUp].Load("ruslo_up.singleobject"));
    WORLD_STEP(606, m_Models[wmPond].Load("lusha.singleobject"));
    WORLD_STEP(607, m_Ripples.Build(g_vCameraEye));
    WORLD_STEP(608, m_Models[wmShadow].Load("shadow.singleobject"));
    WORLD_STEP(609, m_Models[wmTreeShadow].Load("tree_shadow.singleobject"));
    WORLD_STEP(610, m_Models[wmRiver].Load("reka.singleobject"));
    WORLD_STEP(616, m_CollisionFaces.LoadFrom(archive, "coll.collface"));
    WORLD_STEP(622, m_Models[wmSplash].Load("brizg.singleobject"));
    for (int k = 0; k < WORLD_FLOATING_LEAVES; ++k)
    {
        char name[40];
        std::snprintf(name, sizeof(name), "water_list_%d.singleobject", k);
        WORLD_STEP(625 + k, m_FloatingLeaves[k].Load(name));
    }
    LogWrite(g_szLogFile, "objects load - ok\n");

    // A missing trajectory leaves it empty; the ducks then stay hidden.
    // "traectory": the archive's entry is named so.
    m_DuckTrajectory.LoadFrom(archive, "duck_traectory.transobj");
    LogWrite(g_szLogFile, "duck traectory load - ok\n");

    for (int i = 0; i < CAMERA_PATHS; ++i)
    {
        char name[40];
        std::snprintf(name, sizeof(name), "camera/camera%02d.transobj", i + 1);
        WORLD_STEP(1, m_Cameras[i].LoadFrom(archive, name));
    }
    LogWrite(g_szLogFile, "camera load - ok\n");

    InitBumpWater();

    m_Switch.ChooseFirst(m_Cameras);
    m_Sound.Start(settings, RainEnable, RainStrenght, archive, &m_SoundOutput);
    return 0;
}

namespace {

DeviceCapsFilter g_pfnCapsFilter = nullptr;

} // namespace

void WorldSetDeviceCapsFilter(DeviceCapsFilter filter)
{
    g_pfnCapsFilter = filter;
}

void CWorld::InitBumpWater()
{
    for (IDirect3DTexture9*& t : m_pBumpTextures)
        ReleaseNull(t);
    D3DCAPS9 caps = {};
    IDirect3DDevice9* device = g_pd3dDevice;
    const bool haveCaps = device != nullptr && SUCCEEDED(device->GetDeviceCaps(&caps));
    if (haveCaps && g_pfnCapsFilter != nullptr)
        g_pfnCapsFilter(caps);
    g_bBumpWater = haveCaps && (caps.TextureOpCaps & D3DTEXOPCAPS_BUMPENVMAP) != 0 && caps.MaxTextureBlendStages >= 3;
    if (g_bBumpWater)
    {
        LogWrite(g_szLogFile, "bump enable\n");
        const ArchiveView archive = ExecutableArchive();
        for (int i = 0; i < WORLD_BUMP_TEXTURES; ++i)
        {
            char name[40];
            std::snprintf(name, sizeof(name), "water/CAUST%02d_ddn.dds", i);
            char entry[TEXTURE_ENTRY_NAME_MAX];
            unsigned char* bytes = nullptr;
            uint32_t size = 0;
            bool isTga = false;
            if (ExtractTextureEntry(archive, name, entry, &bytes, &size, &isTga))
                gfx::CreateTextureFromFileInMemoryEx(device, bytes, size, gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT,
                                                     gfx::TEXTURE_DEFAULT, 0, D3DFMT_V8U8, D3DPOOL_MANAGED,
                                                     &m_pBumpTextures[i]);
            std::free(bytes);
        }
    }
    else
    {
        LogWrite(g_szLogFile, "bump disable\n");
    }
}

void CWorld::ReleaseWorld()
{
    m_Ripples.Release();
    for (CModel& m : m_Models)
        m.Release();
    m_CollisionFaces.Release();
    for (CModel& m : m_FloatingLeaves)
        m.Release();
    ReleaseNull(m_pWaterMaskTexture);
    ReleaseNull(m_pWaterMaskSurface);
    ReleaseNull(m_pReflectionLTexture);
    ReleaseNull(m_pReflectionLSurface);
    ReleaseNull(m_pReflectionRTexture);
    ReleaseNull(m_pReflectionRSurface);
    m_DuckTrajectory.Release();
    for (IDirect3DTexture9*& t : m_pBumpTextures)
        ReleaseNull(t);
    for (CCameraPath& c : m_Cameras)
        c.Release();
    ReleaseNull(m_pViewTexture[0]);
    ReleaseNull(m_pViewTexture[1]);
    ReleaseNull(m_pBackBuffer);
    ReleaseNull(m_pViewSurface[0]);
    ReleaseNull(m_pViewSurface[1]);
    m_QuadVertices.Release();
    m_QuadFaces.Release();
    m_Sound.Stop();
}
