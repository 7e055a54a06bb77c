// Windows-side tests: recording fakes of IDirect3D9, IDirect3DDevice9 and the
// resources a device makes (textures, surfaces, vertex and index buffers).
//
// Put them where the program looks for Direct3D:
//
//     fake3d::FakeDirect3D9 d3d;          // one adapter, 1024 x 768 X8R8G8B8
//     app.m_pD3D = &d3d;                  // EE_Core_CreateD3Device hands out d3d.device
//     g_pd3dDevice = &d3d.device;         // or use the device directly
//
// Every method of every vtable is implemented. Each call is
//   - recorded in the object's call log (FakeCall: method name, arguments,
//     text such as "SetRenderState(27, 1)"),
//   - answered with a result chosen by the test: SetResult(method, hr) for
//     every call of a method, SetResultWhen(method, matcher, hr) for the calls
//     a predicate picks (first matching rule wins), S_OK otherwise,
//   - and, when it succeeds, applied to the tracked state (FakeDeviceState):
//     render, texture-stage and sampler states, transforms, textures, material,
//     lights, viewport, streams, indices, FVF, render targets. Get* methods
//     answer from that state.
//
// Draw calls are kept in device.draws, each with a copy of the state at the
// time of the draw. Like the runtime, BeginScene inside a scene, EndScene
// outside one and drawing outside a scene fail with D3DERR_INVALIDCALL (the
// call is still recorded).
//
// Lifetime: the test owns the fakes; Release never deletes (AddRef and
// Release are counted, not recorded as calls). Objects the
// device creates live as long as the device. Every object counts its
// references (RefCount); device.OutstandingReferences() sums the references
// the program still holds on everything the device handed out, so a test can
// check that a shutdown released all of it. Unlike the runtime, binding an
// object (SetTexture, SetStreamSource, ...) takes no reference.
//
// Not modelled (these calls are recorded and fail with D3DERR_NOTAVAILABLE
// unless a result rule says otherwise, and never hand out an object): cube and
// volume textures, shaders, vertex declarations, state blocks, queries,
// additional swap chains, patches, GetDC on surfaces.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fake3d {

// One argument of a recorded call. Integers, enums and handles keep their
// value; floats keep their bit pattern in value (their text shows the number).
struct FakeArg
{
    enum Kind
    {
        Unsigned,
        Signed,
        Pointer,
        Float
    };
    Kind kind;
    uint64_t value;
};
FakeArg U(uint64_t value);
FakeArg I(int64_t value);
FakeArg P(const void* pointer);
FakeArg F(float value);

struct FakeCall
{
    std::string method;
    std::vector<uint64_t> args; // in parameter order (see FakeArg)
    // "SetSamplerState(0, 5, 2)": pointers as 0x..., null as "null"; the
    // matrix of SetTransform, the material and the viewport by their values.
    std::string text;
    HRESULT result = S_OK;
};

using CallMatcher = std::function<bool(const FakeCall&)>;

// Call log and result rules shared by every fake object.
class FakeCallLog
{
public:
    // Every later call of `method` returns hr.
    void SetResult(const std::string& method, HRESULT hr);
    // Later calls of `method` for which matcher(call) is true return hr.
    // Rules are tried in the order they were added, before SetResult.
    void SetResultWhen(const std::string& method, CallMatcher matcher, HRESULT hr);
    void ClearResults();

    const std::vector<FakeCall>& Calls() const { return m_calls; }
    // The text of every call, or of the calls of the named methods only.
    std::vector<std::string> CallTexts() const;
    std::vector<std::string> CallTexts(std::initializer_list<const char*> methods) const;
    int CountCalls(const std::string& method) const;
    void ClearCalls() { m_calls.clear(); }

    // Off: no call and no draw is kept by any fake, and calls without result
    // rules cost next to nothing. Benchmarks use it as a null device.
    static void SetRecording(bool on) { s_recording = on; }
    static bool Recording() { return s_recording; }

protected:
    // Records the call and returns the result the rules give it, or
    // `fallback` when no rule applies.
    HRESULT Record(const char* method, std::initializer_list<FakeArg> args, HRESULT fallback = S_OK);
    void SetLastCallText(std::string text);

private:
    struct Rule
    {
        std::string method;
        CallMatcher matcher; // null: every call
        HRESULT result;
    };
    std::vector<Rule> m_rules;
    std::vector<FakeCall> m_calls;
    static bool s_recording;
};

// Reference counting of the fakes: starts at `initial` (1 for an object the
// test or a Create* call made), never deletes.
class FakeRefCounted
{
public:
    explicit FakeRefCounted(ULONG initial) : m_refs(initial) {}
    virtual ~FakeRefCounted() = default;
    ULONG RefCount() const { return m_refs; }
    // Releases of an object that had no reference left: a double release.
    int OverReleases() const { return m_overReleases; }

protected:
    ULONG AddRefImpl() { return ++m_refs; }
    ULONG ReleaseImpl()
    {
        if (m_refs == 0)
        {
            ++m_overReleases;
            return 0;
        }
        return --m_refs;
    }

private:
    ULONG m_refs;
    int m_overReleases = 0;
};

class FakeDirect3DDevice9;

// IUnknown and IDirect3DResource9 for every resource kind.
template <class Interface> class FakeResource : public Interface, public FakeRefCounted, public FakeCallLog
{
public:
    FakeResource(FakeDirect3DDevice9* device, D3DRESOURCETYPE type, ULONG initialRefs)
        : FakeRefCounted(initialRefs), m_device(device), m_type(type)
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data, DWORD* size) override;
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) override;
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override;
    DWORD STDMETHODCALLTYPE GetPriority() override;
    void STDMETHODCALLTYPE PreLoad() override;
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override;

protected:
    FakeDirect3DDevice9* m_device;
    D3DRESOURCETYPE m_type;
    DWORD m_priority = 0;
    std::map<std::string, std::vector<BYTE>> m_privateData;
};

// Bytes a row of `width` pixels takes in `format` (block formats: a row of
// 4 x 4 blocks), and the number of rows a lock of `height` pixels covers.
UINT FormatPitch(D3DFORMAT format, UINT width);
UINT FormatRows(D3DFORMAT format, UINT height);

// A surface with its own memory: a texture level, a render target, a depth
// buffer, an offscreen surface or the device's back buffer.
class FakeSurface : public FakeResource<IDirect3DSurface9>
{
public:
    FakeSurface(FakeDirect3DDevice9* device, const D3DSURFACE_DESC& desc, IUnknown* container, ULONG initialRefs);

    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;

    D3DSURFACE_DESC desc;
    std::vector<BYTE> bytes; // FormatRows(height) rows of FormatPitch(width) bytes
    bool locked = false;

private:
    IUnknown* m_container;
};

class FakeTexture : public FakeResource<IDirect3DTexture9>
{
public:
    FakeTexture(FakeDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                D3DPOOL pool);

    DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override;
    DWORD STDMETHODCALLTYPE GetLOD() override;
    DWORD STDMETHODCALLTYPE GetLevelCount() override;
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) override;
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override;
    void STDMETHODCALLTYPE GenerateMipSubLevels() override;
    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* rect) override;

    // The mip levels, largest first (levels 0 in CreateTexture: down to 1 x 1).
    std::vector<std::unique_ptr<FakeSurface>> levels;
    DWORD usage;
    D3DPOOL pool;

private:
    DWORD m_lod = 0;
    D3DTEXTUREFILTERTYPE m_autoGenFilter = D3DTEXF_LINEAR;
};

// Vertex and index buffers with their own memory.
template <class Interface, class Desc> class FakeBuffer : public FakeResource<Interface>
{
public:
    FakeBuffer(FakeDirect3DDevice9* device, D3DRESOURCETYPE type, const Desc& desc);

    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Unlock() override;
    HRESULT STDMETHODCALLTYPE GetDesc(Desc* desc) override;

    Desc desc;
    std::vector<BYTE> bytes;
    bool locked = false;
    int lockCount = 0; // successful locks so far
};
using FakeVertexBuffer = FakeBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using FakeIndexBuffer = FakeBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// Everything a device remembers between calls.
struct FakeDeviceState
{
    struct Stream
    {
        IDirect3DVertexBuffer9* buffer = nullptr;
        UINT offset = 0;
        UINT stride = 0;
        UINT frequency = 1;
    };

    std::map<DWORD, DWORD> renderStates;                         // by D3DRENDERSTATETYPE
    std::map<std::pair<DWORD, DWORD>, DWORD> textureStageStates; // by (stage, type)
    std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates;      // by (sampler, type)
    std::map<DWORD, D3DMATRIX> transforms;                       // by D3DTRANSFORMSTATETYPE
    std::map<DWORD, IDirect3DBaseTexture9*> textures;            // by stage; set to null stays as null
    std::map<DWORD, D3DLIGHT9> lights;
    std::map<DWORD, BOOL> lightEnabled;
    std::map<DWORD, std::vector<float>> clipPlanes;
    std::map<UINT, Stream> streams;
    std::map<DWORD, IDirect3DSurface9*> renderTargets; // by index
    D3DMATERIAL9 material = {};
    bool materialSet = false;
    D3DVIEWPORT9 viewport = {};
    bool viewportSet = false;
    RECT scissorRect = {};
    DWORD fvf = 0;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DSurface9* depthStencil = nullptr;
    IDirect3DVertexDeclaration9* vertexDeclaration = nullptr;
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
    BOOL softwareVertexProcessing = FALSE;
    float nPatchMode = 0.0f;
    UINT texturePalette = 0;

    // The value set last, or `unset` when the state was never set.
    DWORD RenderState(D3DRENDERSTATETYPE type, DWORD unset = 0xFFFFFFFF) const;
    DWORD TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD unset = 0xFFFFFFFF) const;
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD unset = 0xFFFFFFFF) const;
    IDirect3DBaseTexture9* Texture(DWORD stage) const;
    // Null when the transform was never set.
    const D3DMATRIX* Transform(D3DTRANSFORMSTATETYPE type) const;
};

struct FakeDrawCall
{
    std::string method; // DrawPrimitive, DrawIndexedPrimitive, DrawPrimitiveUP, DrawIndexedPrimitiveUP
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    INT baseVertex = 0;
    UINT startVertex = 0; // DrawPrimitive
    UINT minIndex = 0;
    UINT numVertices = 0;
    UINT startIndex = 0;
    UINT primitiveCount = 0;
    UINT stride = 0;               // the UP draws
    std::vector<BYTE> vertexBytes; // copied from the UP draws (vertex_count or primitive_count based)
    std::vector<BYTE> indexBytes;  // DrawIndexedPrimitiveUP
    bool insideScene = false;
    int frame = 0;         // successful Present calls before the draw
    int scene = 0;         // successful BeginScene calls before the draw (the first scene is 1)
    FakeDeviceState state; // the state the draw used
};

class FakeDirect3D9;

// An event query that reports its frame still in hand for `busyPolls`
// GetData calls after each Issue.
class FakeQuery : public IDirect3DQuery9, public FakeRefCounted, public FakeCallLog
{
public:
    FakeQuery(FakeDirect3DDevice9* device, D3DQUERYTYPE type, int busyPolls)
        : FakeRefCounted(1), m_device(device), m_type(type), m_busyPolls(busyPolls)
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
    ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;
    D3DQUERYTYPE STDMETHODCALLTYPE GetType() override { return m_type; }
    DWORD STDMETHODCALLTYPE GetDataSize() override { return sizeof(BOOL); }
    HRESULT STDMETHODCALLTYPE Issue(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetData(void* data, DWORD size, DWORD flags) override;

    int issues = 0;      // successful Issue calls
    int busyAnswers = 0; // GetData calls answered S_FALSE

private:
    FakeDirect3DDevice9* m_device;
    D3DQUERYTYPE m_type;
    int m_busyPolls;
    int m_busyLeft = 0;
};

class FakeDirect3DDevice9 : public IDirect3DDevice9, public FakeRefCounted, public FakeCallLog
{
public:
    FakeDirect3DDevice9();
    ~FakeDirect3DDevice9() override;

    FakeDeviceState state;
    std::vector<FakeDrawCall> draws;
    bool inScene = false;
    int presents = 0;                             // successful Present calls
    int scenes = 0;                               // successful BeginScene calls
    D3DCAPS9 caps = {};                           // GetDeviceCaps; the creator copies its adapter's caps
    D3DPRESENT_PARAMETERS presentParameters = {}; // from the creation (or Reset)
    D3DDEVICE_CREATION_PARAMETERS creationParameters = {};
    IDirect3D9* direct3D = nullptr; // GetDirect3D
    UINT availableTextureMemory = 256u << 20;

    // Objects made by the Create* methods, in creation order.
    std::vector<FakeTexture*> createdTextures;
    std::vector<FakeVertexBuffer*> createdVertexBuffers;
    std::vector<FakeIndexBuffer*> createdIndexBuffers;
    std::vector<FakeSurface*> createdSurfaces;
    std::vector<FakeQuery*> createdQueries;

    // Negative: CreateQuery reports D3DERR_NOTAVAILABLE, as a device without
    // queries does. Otherwise event queries are made, each busy for this many
    // polls after an Issue.
    int eventQueryBusyPolls = -1;

    // The back buffer and the automatic depth buffer, sized from the
    // presentation parameters when first asked for.
    FakeSurface* BackBuffer();
    FakeSurface* AutoDepthStencil();

    // References the program still holds on the objects this device handed
    // out (created objects, back buffer, depth buffer, texture levels).
    ULONG OutstandingReferences() const;
    // The part of them on default-pool objects (the back and depth buffers
    // too). Like the runtime, Reset fails with D3DERR_INVALIDCALL while it is
    // not 0; a Reset that succeeds puts every state back to its default.
    ULONG DefaultPoolReferences() const;

    // Forgets calls, draws and state (not the result rules or created objects).
    void ResetRecording();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDirect3DDevice9, in vtable order
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    UINT STDMETHODCALLTYPE GetAvailableTextureMem() override;
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** d3d) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT STDMETHODCALLTYPE SetCursorProperties(UINT x, UINT y, IDirect3DSurface9* bitmap) override;
    void STDMETHODCALLTYPE SetCursorPosition(int x, int y, DWORD flags) override;
    WINBOOL STDMETHODCALLTYPE ShowCursor(WINBOOL show) override;
    HRESULT STDMETHODCALLTYPE CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp,
                                                        IDirect3DSwapChain9** chain) override;
    HRESULT STDMETHODCALLTYPE GetSwapChain(UINT index, IDirect3DSwapChain9** chain) override;
    UINT STDMETHODCALLTYPE GetNumberOfSwapChains() override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* pp) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* src, const RECT* dst, HWND window, const RGNDATA* dirty) override;
    HRESULT STDMETHODCALLTYPE GetBackBuffer(UINT chain, UINT index, D3DBACKBUFFER_TYPE type,
                                            IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE GetRasterStatus(UINT chain, D3DRASTER_STATUS* status) override;
    HRESULT STDMETHODCALLTYPE SetDialogBoxMode(WINBOOL enable) override;
    void STDMETHODCALLTYPE SetGammaRamp(UINT chain, DWORD flags, const D3DGAMMARAMP* ramp) override;
    void STDMETHODCALLTYPE GetGammaRamp(UINT chain, D3DGAMMARAMP* ramp) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                                  D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                                                  HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DCubeTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                                 D3DMULTISAMPLE_TYPE multiSample, DWORD quality, WINBOOL lockable,
                                                 IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                        D3DMULTISAMPLE_TYPE multiSample, DWORD quality, WINBOOL discard,
                                                        IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE UpdateSurface(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst,
                                            const POINT* dstPoint) override;
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* src, IDirect3DBaseTexture9* dst) override;
    HRESULT STDMETHODCALLTYPE GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dst) override;
    HRESULT STDMETHODCALLTYPE GetFrontBufferData(UINT chain, IDirect3DSurface9* dst) override;
    HRESULT STDMETHODCALLTYPE StretchRect(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst,
                                          const RECT* dstRect, D3DTEXTUREFILTERTYPE filter) override;
    HRESULT STDMETHODCALLTYPE ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override;
    HRESULT STDMETHODCALLTYPE CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                          IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE SetRenderTarget(DWORD index, IDirect3DSurface9* target) override;
    HRESULT STDMETHODCALLTYPE GetRenderTarget(DWORD index, IDirect3DSurface9** target) override;
    HRESULT STDMETHODCALLTYPE SetDepthStencilSurface(IDirect3DSurface9* surface) override;
    HRESULT STDMETHODCALLTYPE GetDepthStencilSurface(IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT STDMETHODCALLTYPE GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT STDMETHODCALLTYPE SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT STDMETHODCALLTYPE GetMaterial(D3DMATERIAL9* material) override;
    HRESULT STDMETHODCALLTYPE SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT STDMETHODCALLTYPE GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT STDMETHODCALLTYPE LightEnable(DWORD index, WINBOOL enable) override;
    HRESULT STDMETHODCALLTYPE GetLightEnable(DWORD index, WINBOOL* enable) override;
    HRESULT STDMETHODCALLTYPE SetClipPlane(DWORD index, const float* plane) override;
    HRESULT STDMETHODCALLTYPE GetClipPlane(DWORD index, float* plane) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetRenderState(D3DRENDERSTATETYPE type, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) override;
    HRESULT STDMETHODCALLTYPE BeginStateBlock() override;
    HRESULT STDMETHODCALLTYPE EndStateBlock(IDirect3DStateBlock9** block) override;
    HRESULT STDMETHODCALLTYPE SetClipStatus(const D3DCLIPSTATUS9* status) override;
    HRESULT STDMETHODCALLTYPE GetClipStatus(D3DCLIPSTATUS9* status) override;
    HRESULT STDMETHODCALLTYPE GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT STDMETHODCALLTYPE GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE ValidateDevice(DWORD* passes) override;
    HRESULT STDMETHODCALLTYPE SetPaletteEntries(UINT palette, const PALETTEENTRY* entries) override;
    HRESULT STDMETHODCALLTYPE GetPaletteEntries(UINT palette, PALETTEENTRY* entries) override;
    HRESULT STDMETHODCALLTYPE SetCurrentTexturePalette(UINT palette) override;
    HRESULT STDMETHODCALLTYPE GetCurrentTexturePalette(UINT* palette) override;
    HRESULT STDMETHODCALLTYPE SetScissorRect(const RECT* rect) override;
    HRESULT STDMETHODCALLTYPE GetScissorRect(RECT* rect) override;
    HRESULT STDMETHODCALLTYPE SetSoftwareVertexProcessing(WINBOOL software) override;
    WINBOOL STDMETHODCALLTYPE GetSoftwareVertexProcessing() override;
    HRESULT STDMETHODCALLTYPE SetNPatchMode(float segments) override;
    float STDMETHODCALLTYPE GetNPatchMode() override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                                   UINT numVertices, UINT startIndex, UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* data,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                                     UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                                     const void* data, UINT stride) override;
    HRESULT STDMETHODCALLTYPE ProcessVertices(UINT srcStart, UINT destIndex, UINT count, IDirect3DVertexBuffer9* dest,
                                              IDirect3DVertexDeclaration9* declaration, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                      IDirect3DVertexDeclaration9** declaration) override;
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
    HRESULT STDMETHODCALLTYPE GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
    HRESULT STDMETHODCALLTYPE GetFVF(DWORD* fvf) override;
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT STDMETHODCALLTYPE GetVertexShader(IDirect3DVertexShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT reg, const float* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantF(UINT reg, float* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantI(UINT reg, const int* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantI(UINT reg, int* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantB(UINT reg, const WINBOOL* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetVertexShaderConstantB(UINT reg, WINBOOL* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                              UINT* stride) override;
    HRESULT STDMETHODCALLTYPE SetStreamSourceFreq(UINT stream, UINT divider) override;
    HRESULT STDMETHODCALLTYPE GetStreamSourceFreq(UINT stream, UINT* divider) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* indices) override;
    HRESULT STDMETHODCALLTYPE GetIndices(IDirect3DIndexBuffer9** indices) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* code, IDirect3DPixelShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT STDMETHODCALLTYPE GetPixelShader(IDirect3DPixelShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT reg, const float* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantF(UINT reg, float* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantI(UINT reg, const int* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantI(UINT reg, int* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantB(UINT reg, const WINBOOL* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE GetPixelShaderConstantB(UINT reg, WINBOOL* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE DrawRectPatch(UINT handle, const float* segments, const D3DRECTPATCH_INFO* info) override;
    HRESULT STDMETHODCALLTYPE DrawTriPatch(UINT handle, const float* segments, const D3DTRIPATCH_INFO* info) override;
    HRESULT STDMETHODCALLTYPE DeletePatch(UINT handle) override;
    HRESULT STDMETHODCALLTYPE CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;

private:
    HRESULT RecordDraw(const char* method, FakeDrawCall draw, HRESULT result);
    FakeSurface* MakeSurface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                             D3DMULTISAMPLE_TYPE multiSample);

    std::vector<std::unique_ptr<FakeRefCounted>> m_owned;
    std::unique_ptr<FakeSurface> m_backBuffer;
    std::unique_ptr<FakeSurface> m_autoDepthStencil;
    std::map<UINT, std::vector<PALETTEENTRY>> m_palettes;
    std::map<UINT, std::vector<float>> m_vsConstantsF, m_psConstantsF;
    std::map<UINT, std::vector<int>> m_vsConstantsI, m_psConstantsI;
    std::map<UINT, std::vector<WINBOOL>> m_vsConstantsB, m_psConstantsB;
    D3DCLIPSTATUS9 m_clipStatus = {};
    D3DGAMMARAMP m_gamma = {};
    bool m_recordingStateBlock = false;
};

struct FakeAdapter
{
    D3DDISPLAYMODE displayMode = {};   // GetAdapterDisplayMode
    std::vector<D3DDISPLAYMODE> modes; // GetAdapterModeCount / EnumAdapterModes, filtered by format
    HMONITOR monitor = nullptr;
    D3DADAPTER_IDENTIFIER9 identifier = {};
    D3DCAPS9 caps = {};
};

struct FakeCreateDeviceCall
{
    UINT adapter;
    D3DDEVTYPE type;
    HWND focusWindow;
    DWORD behaviorFlags;
    D3DPRESENT_PARAMETERS parameters; // copied as passed in
    HRESULT result;
};

class FakeDirect3D9 : public IDirect3D9, public FakeRefCounted, public FakeCallLog
{
public:
    // One adapter in 1024 x 768 X8R8G8B8 at 60 Hz, with that mode and
    // 800 x 600 listed; HAL caps with 8 blend stages and bump mapping.
    FakeDirect3D9();

    std::vector<FakeAdapter> adapters;
    // Starts without references; every successful CreateDevice hands it out
    // with one more.
    FakeDirect3DDevice9 device;
    std::vector<FakeCreateDeviceCall> createDeviceCalls;

    // Matcher for SetResultWhen("CreateDevice", ...): the calls with this
    // device type and vertex processing flag.
    static CallMatcher CreateDeviceKind(D3DDEVTYPE type, DWORD vertexProcessing);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* initialize) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                              D3DFORMAT backBufferFormat, WINBOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                                         WINBOOL windowed, D3DMULTISAMPLE_TYPE multiSample,
                                                         DWORD* qualityLevels) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                     D3DFORMAT targetFormat, D3DFORMAT depthFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source,
                                                          D3DFORMAT target) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;
};

} // namespace fake3d
