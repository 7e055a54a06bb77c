// Windows layer: the scene's construction, loading and release.
#include "src/ClassBase/win/World.h"

#include <cstdio>
#include <cstdlib>
#include "data/ArchiveLoadCache.h"
#include "data/ArchiveUnpackAhead.h"
#include "data/TextureEntry.h"
#include "data/win/ArchiveResource.h"
#include "data/win/TextureCreate.h"
#include "settings/SceneOptions.h"
#include "src/ClassBase/WorldRules.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/SaverCore.h"

bool g_bBumpWater = false;
const D3DMATRIX g_mIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

// A failed step logs its code, this file and the line of the call. After
// each step the message loop gets its turn; an exit asked for stops the load.
#define WORLD_STEP(code, call)   \
    do                           \
    {                            \
        if ((call) != 0)         \
            LOG_FAILURE(code);   \
        if (!PumpLoadMessages()) \
            return E_ABORT;      \
    } while (0)

namespace {

// Kinds 0 and 1 show the same tree, each from objects of its own.
const PlantFiles kTree02 = {"tree02.skin",  "tree02.linkanim",  "bark02.tga",
                            "Leaves02.tga", "tree02_stay.anim", "tree02_wind.anim"};
const PlantFiles kTree03 = {"tree03.skin",  "tree03.linkanim",  "bark03.tga",
                            "Leaves03.tga", "tree03_stay.anim", "tree03_wind.anim"};
const PlantFiles* const kTreeFiles[WORLD_TREE_KINDS] = {&kTree02, &kTree02, &kTree03};
const char* const kTreePlacements[WORLD_TREE_KINDS] = {"tree01.transobj", "tree02.transobj", "tree03.transobj"};
// The reeds take their one animation as both; they carry no leaves.
const PlantFiles kReedFiles = {"kamish.skin", nullptr, "kamish.tga", nullptr, "kamish_stay.anim", "kamish_stay.anim"};

// Every kind is loaded; the first failure's status is the step's.
int LoadTrees(CPlantStand (&trees)[WORLD_TREE_KINDS], const ArchiveView& archive)
{
    int status = 0;
    for (int k = 0; k < WORLD_TREE_KINDS; ++k)
    {
        const int kind = trees[k].LoadFrom(archive, kTreePlacements[k], *kTreeFiles[k]);
        if (status == 0)
            status = kind;
        if (!PumpLoadMessages())
            break;
    }
    return status;
}

} // namespace

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
    if (!PumpLoadMessages())
        return E_ABORT;
    const ArchiveView archive = ExecutableArchive();
    // Models share textures and both kinds of tree share their animations:
    // each entry is unpacked once per load, most of them by a second thread
    // while this one builds the device's objects.
    ArchiveLoadCache entriesOfThisLoad;
    const ArchiveUnpackAhead unpackAhead(entriesOfThisLoad, archive, SceneLoadReadsEntry);
    for (uint32_t i = 0; i < ClockReadMs() % 100; ++i)
        CrtRand();

    // Fixed for the whole run; the rain and the leaves keep them.
    const int rainDrops = WorldParticleCount(RainEnable != 0, RainStrenght);
    const int leaves = WorldParticleCount(LeafeEnable != 0, LeafeStrenght);

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
    WORLD_STEP(611, LoadTrees(m_Trees, archive));
    WORLD_STEP(612, m_Reeds.LoadFrom(archive, "kamish.transobj", kReedFiles));
    // A duck that fails to load is not reported: it draws nothing or stays still.
    for (CDuck& duck : m_Ducks)
    {
        duck.Load(archive);
        if (!PumpLoadMessages())
            return E_ABORT;
    }
    WORLD_STEP(616, m_CollisionFaces.LoadFrom(archive, "coll.collface"));
    WORLD_STEP(617, m_Rain.Build(static_cast<uint32_t>(rainDrops)));
    WORLD_STEP(618, m_LeafFall.Build(archive, static_cast<uint32_t>(leaves)));
    WORLD_STEP(619, m_Grass[wgUpper].LoadFrom(archive, "grass_up.transobj", "grass.tga"));
    WORLD_STEP(620, m_Grass[wgLower].LoadFrom(archive, "grass_down.transobj", "grass.tga"));
    WORLD_STEP(622, m_Models[wmSplash].Load("brizg.singleobject"));
    WORLD_STEP(623, m_Sprays[0].Build(archive));
    WORLD_STEP(624, m_Sprays[1].Build(archive));
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
    if (!PumpLoadMessages())
        return E_ABORT;

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
            if (!PumpLoadMessages())
                break; // the saver ends: the rest is not needed
        }
    }
    else
    {
        LogWrite(g_szLogFile, "bump disable\n");
    }
}

void CWorld::ReleaseWorld()
{
    for (CWaterfallSpray& spray : m_Sprays)
        spray.Release();
    m_Grass[wgLower].Release();
    m_Grass[wgUpper].Release();
    m_Ripples.Release();
    for (CModel& m : m_Models)
        m.Release();
    for (CPlantStand& t : m_Trees)
        t.Release();
    m_Reeds.Release();
    for (CDuck& duck : m_Ducks)
        duck.Release();
    m_CollisionFaces.Release();
    // The rain's buffers and the leaf models go too: a device object left
    // here would outlive the device.
    m_Rain.Release();
    m_LeafFall.Release();
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
