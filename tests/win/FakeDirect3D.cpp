// Windows-side tests: recording fakes of Direct3D 9 (see the header).
#include "FakeDirect3D.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace fake3d {

// ---- call log --------------------------------------------------------------

FakeArg U(uint64_t value)
{
    return {FakeArg::Unsigned, value};
}

FakeArg I(int64_t value)
{
    return {FakeArg::Signed, static_cast<uint64_t>(value)};
}

FakeArg P(const void* pointer)
{
    return {FakeArg::Pointer, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(pointer))};
}

FakeArg F(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return {FakeArg::Float, bits};
}

static std::string ArgText(const FakeArg& arg)
{
    char text[40];
    switch (arg.kind)
    {
    case FakeArg::Signed:
        std::snprintf(text, sizeof(text), "%" PRId64, static_cast<int64_t>(arg.value));
        break;
    case FakeArg::Pointer:
        if (arg.value == 0)
            return "null";
        std::snprintf(text, sizeof(text), "0x%" PRIx64, arg.value);
        break;
    case FakeArg::Float:
    {
        const uint32_t bits = static_cast<uint32_t>(arg.value);
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        std::snprintf(text, sizeof(text), "%g", value);
        break;
    }
    default:
        std::snprintf(text, sizeof(text), "%" PRIu64, arg.value);
        break;
    }
    return text;
}

void FakeCallLog::SetResult(const std::string& method, HRESULT hr)
{
    m_rules.push_back({method, nullptr, hr});
}

void FakeCallLog::SetResultWhen(const std::string& method, CallMatcher matcher, HRESULT hr)
{
    // matchers go before the plain results so that they can refine them
    auto firstPlain = std::find_if(m_rules.begin(), m_rules.end(), [](const Rule& r) { return !r.matcher; });
    m_rules.insert(firstPlain, {method, std::move(matcher), hr});
}

void FakeCallLog::ClearResults()
{
    m_rules.clear();
}

std::vector<std::string> FakeCallLog::CallTexts() const
{
    std::vector<std::string> texts;
    for (const FakeCall& call : m_calls)
        texts.push_back(call.text);
    return texts;
}

std::vector<std::string> FakeCallLog::CallTexts(std::initializer_list<const char*> methods) const
{
    std::vector<std::string> texts;
    for (const FakeCall& call : m_calls)
        for (const char* method : methods)
            if (call.method == method)
                texts.push_back(call.text);
    return texts;
}

void FakeCallLog::SetLastCallText(std::string text)
{
    if (s_recording && !m_calls.empty())
        m_calls.back().text = std::move(text);
}

int FakeCallLog::CountCalls(const std::string& method) const
{
    return static_cast<int>(
        std::count_if(m_calls.begin(), m_calls.end(), [&](const FakeCall& call) { return call.method == method; }));
}

bool FakeCallLog::s_recording = true;

HRESULT FakeCallLog::Record(const char* method, std::initializer_list<FakeArg> args, HRESULT fallback)
{
    if (!s_recording && m_rules.empty())
        return fallback;
    FakeCall call;
    call.method = method;
    call.text = method;
    call.text += '(';
    bool first = true;
    for (const FakeArg& arg : args)
    {
        call.args.push_back(arg.value);
        if (!first)
            call.text += ", ";
        call.text += ArgText(arg);
        first = false;
    }
    call.text += ')';

    call.result = fallback;
    for (const Rule& rule : m_rules)
    {
        if (rule.method == method && (!rule.matcher || rule.matcher(call)))
        {
            call.result = rule.result;
            break;
        }
    }
    if (s_recording)
        m_calls.push_back(call);
    return call.result;
}

// ---- formats ---------------------------------------------------------------

static bool IsBlockFormat(D3DFORMAT format)
{
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

static UINT BytesPerPixel(D3DFORMAT format)
{
    switch (format)
    {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_V8U8:
    case D3DFMT_A8L8:
    case D3DFMT_L16:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
    case D3DFMT_INDEX16:
        return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_P8:
    case D3DFMT_A4L4:
        return 1;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_G32R32F:
    case D3DFMT_A16B16G16R16F:
        return 8;
    case D3DFMT_A32B32G32R32F:
        return 16;
    default:
        return 4;
    }
}

UINT FormatPitch(D3DFORMAT format, UINT width)
{
    if (IsBlockFormat(format))
        return std::max(1u, (width + 3) / 4) * (format == D3DFMT_DXT1 ? 8u : 16u);
    return width * BytesPerPixel(format);
}

UINT FormatRows(D3DFORMAT format, UINT height)
{
    return IsBlockFormat(format) ? std::max(1u, (height + 3) / 4) : height;
}

// ---- resources -------------------------------------------------------------

static std::string GuidKey(REFGUID guid)
{
    return std::string(reinterpret_cast<const char*>(&guid), sizeof(GUID));
}

template <class Interface> HRESULT FakeResource<Interface>::QueryInterface(REFIID riid, void** object)
{
    const HRESULT hr = Record("QueryInterface", {P(&riid), P(object)});
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (FAILED(hr))
        return hr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, __uuidof(Interface)))
    {
        *object = static_cast<Interface*>(this);
        AddRefImpl();
        return S_OK;
    }
    return E_NOINTERFACE;
}

template <class Interface> HRESULT FakeResource<Interface>::GetDevice(IDirect3DDevice9** device)
{
    const HRESULT hr = Record("GetDevice", {P(device)});
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (FAILED(hr))
        return hr;
    *device = m_device;
    if (m_device)
        m_device->AddRef();
    return S_OK;
}

template <class Interface>
HRESULT FakeResource<Interface>::SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD flags)
{
    const HRESULT hr = Record("SetPrivateData", {P(&guid), P(data), U(size), U(flags)});
    if (FAILED(hr))
        return hr;
    const BYTE* bytes = static_cast<const BYTE*>(data);
    m_privateData[GuidKey(guid)].assign(bytes, bytes + (data ? size : 0));
    return S_OK;
}

template <class Interface> HRESULT FakeResource<Interface>::GetPrivateData(REFGUID guid, void* data, DWORD* size)
{
    const HRESULT hr = Record("GetPrivateData", {P(&guid), P(data), P(size)});
    if (FAILED(hr))
        return hr;
    auto found = m_privateData.find(GuidKey(guid));
    if (found == m_privateData.end())
        return D3DERR_NOTFOUND;
    if (size == nullptr)
        return D3DERR_INVALIDCALL;
    const DWORD needed = static_cast<DWORD>(found->second.size());
    if (data == nullptr || *size < needed)
    {
        *size = needed;
        return data == nullptr ? S_OK : D3DERR_MOREDATA;
    }
    std::memcpy(data, found->second.data(), needed);
    *size = needed;
    return S_OK;
}

template <class Interface> HRESULT FakeResource<Interface>::FreePrivateData(REFGUID guid)
{
    const HRESULT hr = Record("FreePrivateData", {P(&guid)});
    if (FAILED(hr))
        return hr;
    return m_privateData.erase(GuidKey(guid)) ? S_OK : D3DERR_NOTFOUND;
}

template <class Interface> DWORD FakeResource<Interface>::SetPriority(DWORD priority)
{
    Record("SetPriority", {U(priority)});
    const DWORD previous = m_priority;
    m_priority = priority;
    return previous;
}

template <class Interface> DWORD FakeResource<Interface>::GetPriority()
{
    Record("GetPriority", {});
    return m_priority;
}

template <class Interface> void FakeResource<Interface>::PreLoad()
{
    Record("PreLoad", {});
}

template <class Interface> D3DRESOURCETYPE FakeResource<Interface>::GetType()
{
    Record("GetType", {});
    return m_type;
}

template class FakeResource<IDirect3DSurface9>;
template class FakeResource<IDirect3DTexture9>;
template class FakeResource<IDirect3DVertexBuffer9>;
template class FakeResource<IDirect3DIndexBuffer9>;

FakeSurface::FakeSurface(FakeDirect3DDevice9* device, const D3DSURFACE_DESC& surfaceDesc, IUnknown* container,
                         ULONG initialRefs)
    : FakeResource(device, D3DRTYPE_SURFACE, initialRefs), desc(surfaceDesc), m_container(container)
{
    desc.Type = D3DRTYPE_SURFACE;
    bytes.assign(static_cast<size_t>(FormatPitch(desc.Format, desc.Width)) * FormatRows(desc.Format, desc.Height), 0);
}

HRESULT FakeSurface::GetContainer(REFIID riid, void** container)
{
    const HRESULT hr = Record("GetContainer", {P(&riid), P(container)});
    if (container == nullptr)
        return D3DERR_INVALIDCALL;
    *container = nullptr;
    if (FAILED(hr))
        return hr;
    if (m_container)
        return m_container->QueryInterface(riid, container);
    return m_device ? m_device->QueryInterface(riid, container) : E_NOINTERFACE;
}

HRESULT FakeSurface::GetDesc(D3DSURFACE_DESC* out)
{
    const HRESULT hr = Record("GetDesc", {P(out)});
    if (out == nullptr)
        return D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *out = desc;
    return hr;
}

HRESULT FakeSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags)
{
    HRESULT hr = Record("LockRect", {P(lockedRect), P(rect), U(flags)});
    if (lockedRect == nullptr || locked)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    const UINT pitch = FormatPitch(desc.Format, desc.Width);
    size_t offset = 0;
    if (rect)
    {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(desc.Width) ||
            rect->bottom > static_cast<LONG>(desc.Height) || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        const bool blocks = IsBlockFormat(desc.Format);
        const UINT row = blocks ? static_cast<UINT>(rect->top) / 4 : static_cast<UINT>(rect->top);
        const UINT column = blocks ? static_cast<UINT>(rect->left) / 4 * (desc.Format == D3DFMT_DXT1 ? 8u : 16u)
                                   : static_cast<UINT>(rect->left) * BytesPerPixel(desc.Format);
        offset = static_cast<size_t>(row) * pitch + column;
    }
    lockedRect->Pitch = static_cast<INT>(pitch);
    lockedRect->pBits = bytes.data() + offset;
    locked = true;
    return S_OK;
}

HRESULT FakeSurface::UnlockRect()
{
    HRESULT hr = Record("UnlockRect", {});
    if (!locked)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        locked = false;
    return hr;
}

HRESULT FakeSurface::GetDC(HDC* dc)
{
    const HRESULT hr = Record("GetDC", {P(dc)}, D3DERR_NOTAVAILABLE);
    if (dc)
        *dc = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeSurface::ReleaseDC(HDC dc)
{
    const HRESULT hr = Record("ReleaseDC", {P(dc)}, D3DERR_INVALIDCALL);
    return SUCCEEDED(hr) ? D3DERR_INVALIDCALL : hr;
}

FakeTexture::FakeTexture(FakeDirect3DDevice9* device, UINT width, UINT height, UINT levelCount, DWORD textureUsage,
                         D3DFORMAT format, D3DPOOL texturePool)
    : FakeResource(device, D3DRTYPE_TEXTURE, 1), usage(textureUsage), pool(texturePool)
{
    UINT w = std::max(1u, width), h = std::max(1u, height);
    for (UINT level = 0; levelCount == 0 || level < levelCount; ++level)
    {
        D3DSURFACE_DESC desc = {};
        desc.Format = format;
        desc.Usage = usage;
        desc.Pool = pool;
        desc.Width = w;
        desc.Height = h;
        levels.push_back(std::make_unique<FakeSurface>(device, desc, static_cast<IDirect3DTexture9*>(this), 0));
        if (w == 1 && h == 1)
            break;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
}

DWORD FakeTexture::SetLOD(DWORD lod)
{
    Record("SetLOD", {U(lod)});
    const DWORD previous = m_lod;
    m_lod = lod;
    return previous;
}

DWORD FakeTexture::GetLOD()
{
    Record("GetLOD", {});
    return m_lod;
}

DWORD FakeTexture::GetLevelCount()
{
    Record("GetLevelCount", {});
    return static_cast<DWORD>(levels.size());
}

HRESULT FakeTexture::SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter)
{
    const HRESULT hr = Record("SetAutoGenFilterType", {U(filter)});
    if (SUCCEEDED(hr))
        m_autoGenFilter = filter;
    return hr;
}

D3DTEXTUREFILTERTYPE FakeTexture::GetAutoGenFilterType()
{
    Record("GetAutoGenFilterType", {});
    return m_autoGenFilter;
}

void FakeTexture::GenerateMipSubLevels()
{
    Record("GenerateMipSubLevels", {});
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc)
{
    HRESULT hr = Record("GetLevelDesc", {U(level), P(desc)});
    if (desc == nullptr || level >= levels.size())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *desc = levels[level]->desc;
    return hr;
}

HRESULT FakeTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface)
{
    HRESULT hr = Record("GetSurfaceLevel", {U(level), P(surface)});
    if (surface == nullptr || level >= levels.size())
        hr = D3DERR_INVALIDCALL;
    if (surface)
        *surface = nullptr;
    if (FAILED(hr))
        return hr;
    *surface = levels[level].get();
    levels[level]->AddRef();
    return S_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags)
{
    HRESULT hr = Record("LockRect", {U(level), P(lockedRect), P(rect), U(flags)});
    if (level >= levels.size())
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    return levels[level]->LockRect(lockedRect, rect, flags);
}

HRESULT FakeTexture::UnlockRect(UINT level)
{
    HRESULT hr = Record("UnlockRect", {U(level)});
    if (level >= levels.size())
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    return levels[level]->UnlockRect();
}

HRESULT FakeTexture::AddDirtyRect(const RECT* rect)
{
    return Record("AddDirtyRect", {P(rect)});
}

template <class Interface, class Desc>
FakeBuffer<Interface, Desc>::FakeBuffer(FakeDirect3DDevice9* device, D3DRESOURCETYPE type, const Desc& bufferDesc)
    : FakeResource<Interface>(device, type, 1), desc(bufferDesc), bytes(bufferDesc.Size, 0)
{}

template <class Interface, class Desc>
HRESULT FakeBuffer<Interface, Desc>::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    HRESULT hr = this->Record("Lock", {U(offset), U(size), P(data), U(flags)});
    // the runtime refuses a lock past the end; a size of 0 means "to the end"
    if (data == nullptr || locked || offset > bytes.size() || (size != 0 && size > bytes.size() - offset))
        hr = D3DERR_INVALIDCALL;
    if (data && FAILED(hr))
        *data = nullptr;
    if (FAILED(hr))
        return hr;
    *data = bytes.data() + offset;
    locked = true;
    ++lockCount;
    return S_OK;
}

template <class Interface, class Desc> HRESULT FakeBuffer<Interface, Desc>::Unlock()
{
    HRESULT hr = this->Record("Unlock", {});
    if (!locked)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        locked = false;
    return hr;
}

template <class Interface, class Desc> HRESULT FakeBuffer<Interface, Desc>::GetDesc(Desc* out)
{
    HRESULT hr = this->Record("GetDesc", {P(out)});
    if (out == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *out = desc;
    return hr;
}

template class FakeBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class FakeBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

// ---- device state ----------------------------------------------------------

DWORD FakeDeviceState::RenderState(D3DRENDERSTATETYPE type, DWORD unset) const
{
    auto found = renderStates.find(type);
    return found == renderStates.end() ? unset : found->second;
}

DWORD FakeDeviceState::TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD unset) const
{
    auto found = textureStageStates.find({stage, type});
    return found == textureStageStates.end() ? unset : found->second;
}

DWORD FakeDeviceState::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD unset) const
{
    auto found = samplerStates.find({sampler, type});
    return found == samplerStates.end() ? unset : found->second;
}

IDirect3DBaseTexture9* FakeDeviceState::Texture(DWORD stage) const
{
    auto found = textures.find(stage);
    return found == textures.end() ? nullptr : found->second;
}

const D3DMATRIX* FakeDeviceState::Transform(D3DTRANSFORMSTATETYPE type) const
{
    auto found = transforms.find(type);
    return found == transforms.end() ? nullptr : &found->second;
}

// ---- device ----------------------------------------------------------------

static D3DCAPS9 DefaultCaps(D3DDEVTYPE type)
{
    D3DCAPS9 caps = {};
    caps.DeviceType = type;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_DRAWPRIMTLVERTEX;
    caps.TextureOpCaps = D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 | D3DTEXOPCAPS_MODULATE |
                         D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_ADD | D3DTEXOPCAPS_BLENDTEXTUREALPHA |
                         D3DTEXOPCAPS_BLENDFACTORALPHA | D3DTEXOPCAPS_BUMPENVMAP | D3DTEXOPCAPS_BUMPENVMAPLUMINANCE |
                         D3DTEXOPCAPS_DISABLE;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxAnisotropy = 16;
    caps.MaxStreams = 16;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.NumSimultaneousRTs = 1;
    caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
    caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    return caps;
}

FakeDirect3DDevice9::FakeDirect3DDevice9() : FakeRefCounted(1), caps(DefaultCaps(D3DDEVTYPE_HAL))
{
    presentParameters.BackBufferWidth = 1024;
    presentParameters.BackBufferHeight = 768;
    presentParameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    presentParameters.BackBufferCount = 1;
    presentParameters.EnableAutoDepthStencil = TRUE;
    presentParameters.AutoDepthStencilFormat = D3DFMT_D24S8;
}

FakeDirect3DDevice9::~FakeDirect3DDevice9() = default;

FakeSurface* FakeDirect3DDevice9::BackBuffer()
{
    if (!m_backBuffer)
    {
        D3DSURFACE_DESC desc = {};
        desc.Format = presentParameters.BackBufferFormat;
        desc.Usage = D3DUSAGE_RENDERTARGET;
        desc.Pool = D3DPOOL_DEFAULT;
        desc.Width = presentParameters.BackBufferWidth;
        desc.Height = presentParameters.BackBufferHeight;
        m_backBuffer = std::make_unique<FakeSurface>(this, desc, nullptr, 0);
    }
    return m_backBuffer.get();
}

FakeSurface* FakeDirect3DDevice9::AutoDepthStencil()
{
    if (!m_autoDepthStencil)
    {
        D3DSURFACE_DESC desc = {};
        desc.Format = presentParameters.AutoDepthStencilFormat;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        desc.Pool = D3DPOOL_DEFAULT;
        desc.Width = presentParameters.BackBufferWidth;
        desc.Height = presentParameters.BackBufferHeight;
        m_autoDepthStencil = std::make_unique<FakeSurface>(this, desc, nullptr, 0);
    }
    return m_autoDepthStencil.get();
}

ULONG FakeDirect3DDevice9::OutstandingReferences() const
{
    ULONG total = 0;
    for (const auto& object : m_owned)
        total += object->RefCount();
    for (const FakeTexture* texture : createdTextures)
        for (const auto& level : texture->levels)
            total += level->RefCount();
    if (m_backBuffer)
        total += m_backBuffer->RefCount();
    if (m_autoDepthStencil)
        total += m_autoDepthStencil->RefCount();
    return total;
}

ULONG FakeDirect3DDevice9::DefaultPoolReferences() const
{
    ULONG total = 0;
    for (const FakeTexture* texture : createdTextures)
    {
        if (texture->pool != D3DPOOL_DEFAULT)
            continue;
        total += texture->RefCount();
        for (const auto& level : texture->levels)
            total += level->RefCount();
    }
    for (const FakeVertexBuffer* buffer : createdVertexBuffers)
        if (buffer->desc.Pool == D3DPOOL_DEFAULT)
            total += buffer->RefCount();
    for (const FakeIndexBuffer* buffer : createdIndexBuffers)
        if (buffer->desc.Pool == D3DPOOL_DEFAULT)
            total += buffer->RefCount();
    for (const FakeSurface* surface : createdSurfaces)
        if (surface->desc.Pool == D3DPOOL_DEFAULT)
            total += surface->RefCount();
    if (m_backBuffer)
        total += m_backBuffer->RefCount();
    if (m_autoDepthStencil)
        total += m_autoDepthStencil->RefCount();
    return total;
}

void FakeDirect3DDevice9::ResetRecording()
{
    ClearCalls();
    draws.clear();
    state = FakeDeviceState();
    inScene = false;
    presents = 0;
    scenes = 0;
}

FakeSurface* FakeDirect3DDevice9::MakeSurface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                                              D3DMULTISAMPLE_TYPE multiSample)
{
    D3DSURFACE_DESC desc = {};
    desc.Format = format;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.MultiSampleType = multiSample;
    desc.Width = width;
    desc.Height = height;
    auto surface = std::make_unique<FakeSurface>(this, desc, nullptr, 1);
    FakeSurface* raw = surface.get();
    m_owned.push_back(std::move(surface));
    createdSurfaces.push_back(raw);
    return raw;
}

HRESULT FakeDirect3DDevice9::QueryInterface(REFIID riid, void** object)
{
    const HRESULT hr = Record("QueryInterface", {P(&riid), P(object)});
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (FAILED(hr))
        return hr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, __uuidof(IDirect3DDevice9)))
    {
        *object = static_cast<IDirect3DDevice9*>(this);
        AddRefImpl();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG FakeDirect3DDevice9::AddRef()
{
    return AddRefImpl();
}

ULONG FakeDirect3DDevice9::Release()
{
    return ReleaseImpl();
}

HRESULT FakeDirect3DDevice9::TestCooperativeLevel()
{
    return Record("TestCooperativeLevel", {});
}

UINT FakeDirect3DDevice9::GetAvailableTextureMem()
{
    Record("GetAvailableTextureMem", {});
    return availableTextureMemory;
}

HRESULT FakeDirect3DDevice9::EvictManagedResources()
{
    return Record("EvictManagedResources", {});
}

HRESULT FakeDirect3DDevice9::GetDirect3D(IDirect3D9** d3d)
{
    HRESULT hr = Record("GetDirect3D", {P(d3d)});
    if (d3d == nullptr)
        return D3DERR_INVALIDCALL;
    *d3d = nullptr;
    if (SUCCEEDED(hr) && direct3D)
    {
        *d3d = direct3D;
        direct3D->AddRef();
    }
    else if (SUCCEEDED(hr))
    {
        hr = D3DERR_INVALIDCALL;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::GetDeviceCaps(D3DCAPS9* out)
{
    HRESULT hr = Record("GetDeviceCaps", {P(out)});
    if (out == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *out = caps;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode)
{
    HRESULT hr = Record("GetDisplayMode", {U(swapChain), P(mode)});
    if (mode == nullptr || swapChain != 0)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        mode->Width = presentParameters.BackBufferWidth;
        mode->Height = presentParameters.BackBufferHeight;
        mode->RefreshRate = presentParameters.FullScreen_RefreshRateInHz;
        mode->Format = presentParameters.BackBufferFormat;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters)
{
    HRESULT hr = Record("GetCreationParameters", {P(parameters)});
    if (parameters == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *parameters = creationParameters;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetCursorProperties(UINT x, UINT y, IDirect3DSurface9* bitmap)
{
    return Record("SetCursorProperties", {U(x), U(y), P(bitmap)});
}

void FakeDirect3DDevice9::SetCursorPosition(int x, int y, DWORD flags)
{
    Record("SetCursorPosition", {I(x), I(y), U(flags)});
}

WINBOOL FakeDirect3DDevice9::ShowCursor(WINBOOL show)
{
    Record("ShowCursor", {I(show)});
    return FALSE; // the cursor was hidden before
}

HRESULT FakeDirect3DDevice9::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* pp, IDirect3DSwapChain9** chain)
{
    const HRESULT hr = Record("CreateAdditionalSwapChain", {P(pp), P(chain)}, D3DERR_NOTAVAILABLE);
    if (chain)
        *chain = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::GetSwapChain(UINT index, IDirect3DSwapChain9** chain)
{
    const HRESULT hr = Record("GetSwapChain", {U(index), P(chain)}, D3DERR_NOTAVAILABLE);
    if (chain)
        *chain = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

UINT FakeDirect3DDevice9::GetNumberOfSwapChains()
{
    Record("GetNumberOfSwapChains", {});
    return 1;
}

HRESULT FakeDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* pp)
{
    HRESULT hr = Record("Reset", {P(pp)});
    if (pp == nullptr || DefaultPoolReferences() != 0)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        presentParameters = *pp;
        m_backBuffer.reset();
        m_autoDepthStencil.reset();
        inScene = false;
        state = FakeDeviceState();
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::Present(const RECT* src, const RECT* dst, HWND window, const RGNDATA* dirty)
{
    const HRESULT hr = Record("Present", {P(src), P(dst), P(window), P(dirty)});
    if (SUCCEEDED(hr))
        ++presents;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetBackBuffer(UINT chain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface)
{
    HRESULT hr = Record("GetBackBuffer", {U(chain), U(index), U(type), P(surface)});
    if (surface == nullptr || chain != 0 || index >= std::max(1u, presentParameters.BackBufferCount))
        hr = D3DERR_INVALIDCALL;
    if (surface)
        *surface = nullptr;
    if (FAILED(hr))
        return hr;
    *surface = BackBuffer();
    BackBuffer()->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::GetRasterStatus(UINT chain, D3DRASTER_STATUS* status)
{
    HRESULT hr = Record("GetRasterStatus", {U(chain), P(status)});
    if (status == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *status = {};
    return hr;
}

HRESULT FakeDirect3DDevice9::SetDialogBoxMode(WINBOOL enable)
{
    return Record("SetDialogBoxMode", {I(enable)});
}

void FakeDirect3DDevice9::SetGammaRamp(UINT chain, DWORD flags, const D3DGAMMARAMP* ramp)
{
    Record("SetGammaRamp", {U(chain), U(flags), P(ramp)});
    if (ramp)
        m_gamma = *ramp;
}

void FakeDirect3DDevice9::GetGammaRamp(UINT chain, D3DGAMMARAMP* ramp)
{
    Record("GetGammaRamp", {U(chain), P(ramp)});
    if (ramp)
        *ramp = m_gamma;
}

HRESULT FakeDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                           D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared)
{
    HRESULT hr =
        Record("CreateTexture", {U(width), U(height), U(levels), U(usage), U(format), U(pool), P(texture), P(shared)});
    if (texture == nullptr || width == 0 || height == 0)
        hr = D3DERR_INVALIDCALL;
    if (texture)
        *texture = nullptr;
    if (FAILED(hr))
        return hr;
    auto made = std::make_unique<FakeTexture>(this, width, height, levels, usage, format, pool);
    *texture = made.get();
    createdTextures.push_back(made.get());
    m_owned.push_back(std::move(made));
    return S_OK;
}

HRESULT FakeDirect3DDevice9::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                                 D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                                                 HANDLE* shared)
{
    const HRESULT hr =
        Record("CreateVolumeTexture",
               {U(width), U(height), U(depth), U(levels), U(usage), U(format), U(pool), P(texture), P(shared)},
               D3DERR_NOTAVAILABLE);
    if (texture)
        *texture = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                               IDirect3DCubeTexture9** texture, HANDLE* shared)
{
    const HRESULT hr =
        Record("CreateCubeTexture", {U(edge), U(levels), U(usage), U(format), U(pool), P(texture), P(shared)},
               D3DERR_NOTAVAILABLE);
    if (texture)
        *texture = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                IDirect3DVertexBuffer9** buffer, HANDLE* shared)
{
    HRESULT hr = Record("CreateVertexBuffer", {U(length), U(usage), U(fvf), U(pool), P(buffer), P(shared)});
    if (buffer == nullptr || length == 0)
        hr = D3DERR_INVALIDCALL;
    if (buffer)
        *buffer = nullptr;
    if (FAILED(hr))
        return hr;
    D3DVERTEXBUFFER_DESC desc = {};
    desc.Format = D3DFMT_VERTEXDATA;
    desc.Type = D3DRTYPE_VERTEXBUFFER;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Size = length;
    desc.FVF = fvf;
    auto made = std::make_unique<FakeVertexBuffer>(this, D3DRTYPE_VERTEXBUFFER, desc);
    *buffer = made.get();
    createdVertexBuffers.push_back(made.get());
    m_owned.push_back(std::move(made));
    return S_OK;
}

HRESULT FakeDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                               IDirect3DIndexBuffer9** buffer, HANDLE* shared)
{
    HRESULT hr = Record("CreateIndexBuffer", {U(length), U(usage), U(format), U(pool), P(buffer), P(shared)});
    if (buffer == nullptr || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        hr = D3DERR_INVALIDCALL;
    if (buffer)
        *buffer = nullptr;
    if (FAILED(hr))
        return hr;
    D3DINDEXBUFFER_DESC desc = {};
    desc.Format = format;
    desc.Type = D3DRTYPE_INDEXBUFFER;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.Size = length;
    auto made = std::make_unique<FakeIndexBuffer>(this, D3DRTYPE_INDEXBUFFER, desc);
    *buffer = made.get();
    createdIndexBuffers.push_back(made.get());
    m_owned.push_back(std::move(made));
    return S_OK;
}

HRESULT FakeDirect3DDevice9::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format,
                                                D3DMULTISAMPLE_TYPE multiSample, DWORD quality, WINBOOL lockable,
                                                IDirect3DSurface9** surface, HANDLE* shared)
{
    HRESULT hr = Record("CreateRenderTarget", {U(width), U(height), U(format), U(multiSample), U(quality), I(lockable),
                                               P(surface), P(shared)});
    if (surface == nullptr || width == 0 || height == 0)
        hr = D3DERR_INVALIDCALL;
    if (surface)
        *surface = nullptr;
    if (FAILED(hr))
        return hr;
    *surface = MakeSurface(width, height, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample);
    return S_OK;
}

HRESULT FakeDirect3DDevice9::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                                       D3DMULTISAMPLE_TYPE multiSample, DWORD quality, WINBOOL discard,
                                                       IDirect3DSurface9** surface, HANDLE* shared)
{
    HRESULT hr = Record("CreateDepthStencilSurface", {U(width), U(height), U(format), U(multiSample), U(quality),
                                                      I(discard), P(surface), P(shared)});
    if (surface == nullptr || width == 0 || height == 0)
        hr = D3DERR_INVALIDCALL;
    if (surface)
        *surface = nullptr;
    if (FAILED(hr))
        return hr;
    *surface = MakeSurface(width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample);
    return S_OK;
}

HRESULT FakeDirect3DDevice9::UpdateSurface(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst,
                                           const POINT* dstPoint)
{
    return Record("UpdateSurface", {P(src), P(srcRect), P(dst), P(dstPoint)});
}

HRESULT FakeDirect3DDevice9::UpdateTexture(IDirect3DBaseTexture9* src, IDirect3DBaseTexture9* dst)
{
    return Record("UpdateTexture", {P(src), P(dst)});
}

HRESULT FakeDirect3DDevice9::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dst)
{
    HRESULT hr = Record("GetRenderTargetData", {P(target), P(dst)});
    if (target == nullptr || dst == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    // both are ours: copy the bytes, as far as both reach
    auto* from = static_cast<FakeSurface*>(target);
    auto* to = static_cast<FakeSurface*>(dst);
    std::memcpy(to->bytes.data(), from->bytes.data(), std::min(from->bytes.size(), to->bytes.size()));
    return S_OK;
}

HRESULT FakeDirect3DDevice9::GetFrontBufferData(UINT chain, IDirect3DSurface9* dst)
{
    return Record("GetFrontBufferData", {U(chain), P(dst)});
}

HRESULT FakeDirect3DDevice9::StretchRect(IDirect3DSurface9* src, const RECT* srcRect, IDirect3DSurface9* dst,
                                         const RECT* dstRect, D3DTEXTUREFILTERTYPE filter)
{
    return Record("StretchRect", {P(src), P(srcRect), P(dst), P(dstRect), U(filter)});
}

HRESULT FakeDirect3DDevice9::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color)
{
    return Record("ColorFill", {P(surface), P(rect), U(color)});
}

HRESULT FakeDirect3DDevice9::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                         IDirect3DSurface9** surface, HANDLE* shared)
{
    HRESULT hr =
        Record("CreateOffscreenPlainSurface", {U(width), U(height), U(format), U(pool), P(surface), P(shared)});
    if (surface == nullptr || width == 0 || height == 0)
        hr = D3DERR_INVALIDCALL;
    if (surface)
        *surface = nullptr;
    if (FAILED(hr))
        return hr;
    *surface = MakeSurface(width, height, format, 0, pool, D3DMULTISAMPLE_NONE);
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetRenderTarget(DWORD index, IDirect3DSurface9* target)
{
    HRESULT hr = Record("SetRenderTarget", {U(index), P(target)});
    // target 0 can never be unset
    if (index == 0 && target == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        state.renderTargets[index] = target;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** target)
{
    HRESULT hr = Record("GetRenderTarget", {U(index), P(target)});
    if (target == nullptr)
        return D3DERR_INVALIDCALL;
    *target = nullptr;
    if (FAILED(hr))
        return hr;
    auto found = state.renderTargets.find(index);
    IDirect3DSurface9* surface = found != state.renderTargets.end() ? found->second
                                 : index == 0                       ? BackBuffer()
                                                                    : nullptr;
    if (surface == nullptr)
        return D3DERR_NOTFOUND;
    *target = surface;
    surface->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetDepthStencilSurface(IDirect3DSurface9* surface)
{
    const HRESULT hr = Record("SetDepthStencilSurface", {P(surface)});
    if (SUCCEEDED(hr))
        state.depthStencil = surface;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetDepthStencilSurface(IDirect3DSurface9** surface)
{
    HRESULT hr = Record("GetDepthStencilSurface", {P(surface)});
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (FAILED(hr))
        return hr;
    IDirect3DSurface9* current = state.depthStencil;
    if (current == nullptr && presentParameters.EnableAutoDepthStencil)
        current = AutoDepthStencil();
    if (current == nullptr)
        return D3DERR_NOTFOUND;
    *surface = current;
    current->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::BeginScene()
{
    HRESULT hr = Record("BeginScene", {});
    if (inScene)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        inScene = true;
        ++scenes;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::EndScene()
{
    HRESULT hr = Record("EndScene", {});
    if (!inScene)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        inScene = false;
    return hr;
}

HRESULT FakeDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                   DWORD stencil)
{
    return Record("Clear", {U(count), P(rects), U(flags), U(color), F(z), U(stencil)});
}

static std::string MatrixText(const D3DMATRIX* matrix)
{
    if (matrix == nullptr)
        return "null";
    std::string text = "[";
    for (int i = 0; i < 16; ++i)
    {
        char number[24];
        std::snprintf(number, sizeof(number), i ? " %g" : "%g", matrix->m[i / 4][i % 4]);
        text += number;
    }
    return text + "]";
}

HRESULT FakeDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix)
{
    HRESULT hr = Record("SetTransform", {U(type), P(matrix)});
    // the text shows the matrix, not its address, so sequences compare
    if (Recording())
        SetLastCallText("SetTransform(" + std::to_string(type) + ", " + MatrixText(matrix) + ")");
    if (matrix == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        state.transforms[type] = *matrix;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix)
{
    HRESULT hr = Record("GetTransform", {U(type), P(matrix)});
    if (matrix == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    const D3DMATRIX* current = state.Transform(type);
    if (current)
    {
        *matrix = *current;
    }
    else
    {
        *matrix = {};
        matrix->_11 = matrix->_22 = matrix->_33 = matrix->_44 = 1.0f;
    }
    return S_OK;
}

HRESULT FakeDirect3DDevice9::MultiplyTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix)
{
    HRESULT hr = Record("MultiplyTransform", {U(type), P(matrix)});
    if (matrix == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    D3DMATRIX current = {};
    current._11 = current._22 = current._33 = current._44 = 1.0f;
    if (const D3DMATRIX* set = state.Transform(type))
        current = *set;
    // the runtime computes matrix * current
    D3DMATRIX product = {};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k)
                product.m[r][c] += matrix->m[r][k] * current.m[k][c];
    state.transforms[type] = product;
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetViewport(const D3DVIEWPORT9* viewport)
{
    HRESULT hr = Record("SetViewport", {P(viewport)});
    if (viewport)
    {
        char text[96];
        std::snprintf(text, sizeof(text), "SetViewport(%lu, %lu, %lu, %lu, %g, %g)", viewport->X, viewport->Y,
                      viewport->Width, viewport->Height, viewport->MinZ, viewport->MaxZ);
        SetLastCallText(text);
    }
    if (viewport == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        state.viewport = *viewport;
        state.viewportSet = true;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::GetViewport(D3DVIEWPORT9* viewport)
{
    HRESULT hr = Record("GetViewport", {P(viewport)});
    if (viewport == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    if (state.viewportSet)
    {
        *viewport = state.viewport;
    }
    else
    {
        // the whole back buffer, as after device creation
        *viewport = {0, 0, presentParameters.BackBufferWidth, presentParameters.BackBufferHeight, 0.0f, 1.0f};
    }
    return S_OK;
}

static std::string ColorText(const D3DCOLORVALUE& c)
{
    char text[64];
    std::snprintf(text, sizeof(text), "(%g %g %g %g)", c.r, c.g, c.b, c.a);
    return text;
}

HRESULT FakeDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material)
{
    HRESULT hr = Record("SetMaterial", {P(material)});
    if (material)
    {
        char power[24];
        std::snprintf(power, sizeof(power), "%g", material->Power);
        SetLastCallText("SetMaterial(d" + ColorText(material->Diffuse) + " a" + ColorText(material->Ambient) + " s" +
                        ColorText(material->Specular) + " e" + ColorText(material->Emissive) + " p" + power + ")");
    }
    if (material == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        state.material = *material;
        state.materialSet = true;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::GetMaterial(D3DMATERIAL9* material)
{
    HRESULT hr = Record("GetMaterial", {P(material)});
    if (material == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *material = state.material;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light)
{
    HRESULT hr = Record("SetLight", {U(index), P(light)});
    if (light == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        state.lights[index] = *light;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetLight(DWORD index, D3DLIGHT9* light)
{
    HRESULT hr = Record("GetLight", {U(index), P(light)});
    auto found = state.lights.find(index);
    if (light == nullptr || found == state.lights.end())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *light = found->second;
    return hr;
}

HRESULT FakeDirect3DDevice9::LightEnable(DWORD index, WINBOOL enable)
{
    const HRESULT hr = Record("LightEnable", {U(index), I(enable)});
    if (SUCCEEDED(hr))
        state.lightEnabled[index] = enable;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetLightEnable(DWORD index, WINBOOL* enable)
{
    HRESULT hr = Record("GetLightEnable", {U(index), P(enable)});
    auto found = state.lightEnabled.find(index);
    if (enable == nullptr || found == state.lightEnabled.end())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *enable = found->second;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetClipPlane(DWORD index, const float* plane)
{
    HRESULT hr = Record("SetClipPlane", {U(index), P(plane)});
    if (plane == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        state.clipPlanes[index].assign(plane, plane + 4);
    return hr;
}

HRESULT FakeDirect3DDevice9::GetClipPlane(DWORD index, float* plane)
{
    HRESULT hr = Record("GetClipPlane", {U(index), P(plane)});
    if (plane == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    auto found = state.clipPlanes.find(index);
    for (int i = 0; i < 4; ++i)
        plane[i] = found == state.clipPlanes.end() ? 0.0f : found->second[i];
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE type, DWORD value)
{
    const HRESULT hr = Record("SetRenderState", {U(type), U(value)});
    if (SUCCEEDED(hr))
        state.renderStates[type] = value;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE type, DWORD* value)
{
    HRESULT hr = Record("GetRenderState", {U(type), P(value)});
    if (value == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *value = state.RenderState(type, 0);
    return hr;
}

HRESULT FakeDirect3DDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block)
{
    const HRESULT hr = Record("CreateStateBlock", {U(type), P(block)}, D3DERR_NOTAVAILABLE);
    if (block)
        *block = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::BeginStateBlock()
{
    HRESULT hr = Record("BeginStateBlock", {});
    if (m_recordingStateBlock)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        m_recordingStateBlock = true;
    return hr;
}

HRESULT FakeDirect3DDevice9::EndStateBlock(IDirect3DStateBlock9** block)
{
    const HRESULT hr = Record("EndStateBlock", {P(block)}, D3DERR_NOTAVAILABLE);
    m_recordingStateBlock = false;
    if (block)
        *block = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::SetClipStatus(const D3DCLIPSTATUS9* status)
{
    HRESULT hr = Record("SetClipStatus", {P(status)});
    if (status == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        m_clipStatus = *status;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetClipStatus(D3DCLIPSTATUS9* status)
{
    HRESULT hr = Record("GetClipStatus", {P(status)});
    if (status == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *status = m_clipStatus;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture)
{
    HRESULT hr = Record("GetTexture", {U(stage), P(texture)});
    if (texture == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    *texture = state.Texture(stage);
    if (*texture)
        (*texture)->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    const HRESULT hr = Record("SetTexture", {U(stage), P(texture)});
    if (SUCCEEDED(hr))
        state.textures[stage] = texture;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    HRESULT hr = Record("GetTextureStageState", {U(stage), U(type), P(value)});
    if (value == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *value = state.TextureStageState(stage, type, 0);
    return hr;
}

HRESULT FakeDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    const HRESULT hr = Record("SetTextureStageState", {U(stage), U(type), U(value)});
    if (SUCCEEDED(hr))
        state.textureStageStates[{stage, type}] = value;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value)
{
    HRESULT hr = Record("GetSamplerState", {U(sampler), U(type), P(value)});
    if (value == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *value = state.SamplerState(sampler, type, 0);
    return hr;
}

HRESULT FakeDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    const HRESULT hr = Record("SetSamplerState", {U(sampler), U(type), U(value)});
    if (SUCCEEDED(hr))
        state.samplerStates[{sampler, type}] = value;
    return hr;
}

HRESULT FakeDirect3DDevice9::ValidateDevice(DWORD* passes)
{
    HRESULT hr = Record("ValidateDevice", {P(passes)});
    if (passes == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *passes = 1;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetPaletteEntries(UINT palette, const PALETTEENTRY* entries)
{
    HRESULT hr = Record("SetPaletteEntries", {U(palette), P(entries)});
    if (entries == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        m_palettes[palette].assign(entries, entries + 256);
    return hr;
}

HRESULT FakeDirect3DDevice9::GetPaletteEntries(UINT palette, PALETTEENTRY* entries)
{
    HRESULT hr = Record("GetPaletteEntries", {U(palette), P(entries)});
    auto found = m_palettes.find(palette);
    if (entries == nullptr || found == m_palettes.end())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        std::copy(found->second.begin(), found->second.end(), entries);
    return hr;
}

HRESULT FakeDirect3DDevice9::SetCurrentTexturePalette(UINT palette)
{
    const HRESULT hr = Record("SetCurrentTexturePalette", {U(palette)});
    if (SUCCEEDED(hr))
        state.texturePalette = palette;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetCurrentTexturePalette(UINT* palette)
{
    HRESULT hr = Record("GetCurrentTexturePalette", {P(palette)});
    if (palette == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *palette = state.texturePalette;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetScissorRect(const RECT* rect)
{
    HRESULT hr = Record("SetScissorRect", {P(rect)});
    if (rect == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        state.scissorRect = *rect;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetScissorRect(RECT* rect)
{
    HRESULT hr = Record("GetScissorRect", {P(rect)});
    if (rect == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *rect = state.scissorRect;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetSoftwareVertexProcessing(WINBOOL software)
{
    const HRESULT hr = Record("SetSoftwareVertexProcessing", {I(software)});
    if (SUCCEEDED(hr))
        state.softwareVertexProcessing = software;
    return hr;
}

WINBOOL FakeDirect3DDevice9::GetSoftwareVertexProcessing()
{
    Record("GetSoftwareVertexProcessing", {});
    return state.softwareVertexProcessing;
}

HRESULT FakeDirect3DDevice9::SetNPatchMode(float segments)
{
    const HRESULT hr = Record("SetNPatchMode", {F(segments)});
    if (SUCCEEDED(hr))
        state.nPatchMode = segments;
    return hr;
}

float FakeDirect3DDevice9::GetNPatchMode()
{
    Record("GetNPatchMode", {});
    return state.nPatchMode;
}

HRESULT FakeDirect3DDevice9::RecordDraw(const char* method, FakeDrawCall draw, HRESULT result)
{
    if (Recording())
    {
        draw.method = method;
        draw.insideScene = inScene;
        draw.frame = presents;
        draw.scene = scenes;
        draw.state = state;
        draws.push_back(std::move(draw));
    }
    if (SUCCEEDED(result) && !inScene)
        return D3DERR_INVALIDCALL;
    return result;
}

// Vertices a primitive count covers.
static UINT VertexCount(D3DPRIMITIVETYPE type, UINT primitives)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        return primitives;
    case D3DPT_LINELIST:
        return primitives * 2;
    case D3DPT_LINESTRIP:
        return primitives + 1;
    case D3DPT_TRIANGLELIST:
        return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return primitives + 2;
    default:
        return 0;
    }
}

HRESULT FakeDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    const HRESULT hr = Record("DrawPrimitive", {U(type), U(startVertex), U(primitiveCount)});
    FakeDrawCall draw;
    draw.type = type;
    draw.startVertex = startVertex;
    draw.primitiveCount = primitiveCount;
    draw.numVertices = VertexCount(type, primitiveCount);
    return RecordDraw("DrawPrimitive", std::move(draw), hr);
}

HRESULT FakeDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                                  UINT numVertices, UINT startIndex, UINT primitiveCount)
{
    const HRESULT hr = Record("DrawIndexedPrimitive",
                              {U(type), I(baseVertex), U(minIndex), U(numVertices), U(startIndex), U(primitiveCount)});
    FakeDrawCall draw;
    draw.type = type;
    draw.baseVertex = baseVertex;
    draw.minIndex = minIndex;
    draw.numVertices = numVertices;
    draw.startIndex = startIndex;
    draw.primitiveCount = primitiveCount;
    return RecordDraw("DrawIndexedPrimitive", std::move(draw), hr);
}

HRESULT FakeDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* data, UINT stride)
{
    HRESULT hr = Record("DrawPrimitiveUP", {U(type), U(primitiveCount), P(data), U(stride)});
    if (data == nullptr)
        hr = D3DERR_INVALIDCALL;
    FakeDrawCall draw;
    draw.type = type;
    draw.primitiveCount = primitiveCount;
    draw.stride = stride;
    draw.numVertices = VertexCount(type, primitiveCount);
    if (data && Recording())
    {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        draw.vertexBytes.assign(bytes, bytes + static_cast<size_t>(draw.numVertices) * stride);
    }
    // like the runtime: stream 0 is unset afterwards
    const HRESULT result = RecordDraw("DrawPrimitiveUP", std::move(draw), hr);
    state.streams.erase(0);
    return result;
}

HRESULT FakeDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices,
                                                    UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                                    const void* data, UINT stride)
{
    HRESULT hr = Record("DrawIndexedPrimitiveUP", {U(type), U(minIndex), U(numVertices), U(primitiveCount),
                                                   P(indexData), U(indexFormat), P(data), U(stride)});
    if (data == nullptr || indexData == nullptr)
        hr = D3DERR_INVALIDCALL;
    FakeDrawCall draw;
    draw.type = type;
    draw.minIndex = minIndex;
    draw.numVertices = numVertices;
    draw.primitiveCount = primitiveCount;
    draw.stride = stride;
    if (data && Recording())
    {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        draw.vertexBytes.assign(bytes, bytes + static_cast<size_t>(minIndex + numVertices) * stride);
    }
    if (indexData && Recording())
    {
        const BYTE* bytes = static_cast<const BYTE*>(indexData);
        const size_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
        draw.indexBytes.assign(bytes, bytes + VertexCount(type, primitiveCount) * indexSize);
    }
    const HRESULT result = RecordDraw("DrawIndexedPrimitiveUP", std::move(draw), hr);
    state.streams.erase(0);
    state.indices = nullptr;
    return result;
}

HRESULT FakeDirect3DDevice9::ProcessVertices(UINT srcStart, UINT destIndex, UINT count, IDirect3DVertexBuffer9* dest,
                                             IDirect3DVertexDeclaration9* declaration, DWORD flags)
{
    return Record("ProcessVertices", {U(srcStart), U(destIndex), U(count), P(dest), P(declaration), U(flags)});
}

HRESULT FakeDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                     IDirect3DVertexDeclaration9** declaration)
{
    const HRESULT hr = Record("CreateVertexDeclaration", {P(elements), P(declaration)}, D3DERR_NOTAVAILABLE);
    if (declaration)
        *declaration = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration)
{
    const HRESULT hr = Record("SetVertexDeclaration", {P(declaration)});
    if (SUCCEEDED(hr))
        state.vertexDeclaration = declaration;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration)
{
    HRESULT hr = Record("GetVertexDeclaration", {P(declaration)});
    if (declaration == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *declaration = state.vertexDeclaration; // never one of ours: nothing to AddRef
    return hr;
}

HRESULT FakeDirect3DDevice9::SetFVF(DWORD fvf)
{
    const HRESULT hr = Record("SetFVF", {U(fvf)});
    if (SUCCEEDED(hr))
        state.fvf = fvf;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetFVF(DWORD* fvf)
{
    HRESULT hr = Record("GetFVF", {P(fvf)});
    if (fvf == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *fvf = state.fvf;
    return hr;
}

HRESULT FakeDirect3DDevice9::CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** shader)
{
    const HRESULT hr = Record("CreateVertexShader", {P(code), P(shader)}, D3DERR_NOTAVAILABLE);
    if (shader)
        *shader = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::SetVertexShader(IDirect3DVertexShader9* shader)
{
    const HRESULT hr = Record("SetVertexShader", {P(shader)});
    if (SUCCEEDED(hr))
        state.vertexShader = shader;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetVertexShader(IDirect3DVertexShader9** shader)
{
    HRESULT hr = Record("GetVertexShader", {P(shader)});
    if (shader == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *shader = state.vertexShader;
    return hr;
}

// Shader constants: kept per start register, as set.
template <class T>
static HRESULT StoreConstants(std::map<UINT, std::vector<T>>& store, UINT reg, const T* data, UINT values, HRESULT hr)
{
    if (data == nullptr)
        return D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        store[reg].assign(data, data + values);
    return hr;
}

template <class T>
static HRESULT LoadConstants(const std::map<UINT, std::vector<T>>& store, UINT reg, T* data, UINT values, HRESULT hr)
{
    if (data == nullptr)
        return D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    auto found = store.find(reg);
    for (UINT i = 0; i < values; ++i)
        data[i] = found != store.end() && i < found->second.size() ? found->second[i] : T();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetVertexShaderConstantF(UINT reg, const float* data, UINT count)
{
    return StoreConstants(m_vsConstantsF, reg, data, count * 4,
                          Record("SetVertexShaderConstantF", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetVertexShaderConstantF(UINT reg, float* data, UINT count)
{
    return LoadConstants(m_vsConstantsF, reg, data, count * 4,
                         Record("GetVertexShaderConstantF", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::SetVertexShaderConstantI(UINT reg, const int* data, UINT count)
{
    return StoreConstants(m_vsConstantsI, reg, data, count * 4,
                          Record("SetVertexShaderConstantI", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetVertexShaderConstantI(UINT reg, int* data, UINT count)
{
    return LoadConstants(m_vsConstantsI, reg, data, count * 4,
                         Record("GetVertexShaderConstantI", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::SetVertexShaderConstantB(UINT reg, const WINBOOL* data, UINT count)
{
    return StoreConstants(m_vsConstantsB, reg, data, count,
                          Record("SetVertexShaderConstantB", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetVertexShaderConstantB(UINT reg, WINBOOL* data, UINT count)
{
    return LoadConstants(m_vsConstantsB, reg, data, count,
                         Record("GetVertexShaderConstantB", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride)
{
    const HRESULT hr = Record("SetStreamSource", {U(stream), P(buffer), U(offset), U(stride)});
    if (SUCCEEDED(hr))
    {
        FakeDeviceState::Stream& slot = state.streams[stream];
        slot.buffer = buffer;
        slot.offset = offset;
        slot.stride = stride;
    }
    return hr;
}

HRESULT FakeDirect3DDevice9::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride)
{
    HRESULT hr = Record("GetStreamSource", {U(stream), P(buffer), P(offset), P(stride)});
    if (buffer == nullptr || offset == nullptr || stride == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    const FakeDeviceState::Stream slot =
        state.streams.count(stream) ? state.streams[stream] : FakeDeviceState::Stream();
    *buffer = slot.buffer;
    *offset = slot.offset;
    *stride = slot.stride;
    if (slot.buffer)
        slot.buffer->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::SetStreamSourceFreq(UINT stream, UINT divider)
{
    const HRESULT hr = Record("SetStreamSourceFreq", {U(stream), U(divider)});
    if (SUCCEEDED(hr))
        state.streams[stream].frequency = divider;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetStreamSourceFreq(UINT stream, UINT* divider)
{
    HRESULT hr = Record("GetStreamSourceFreq", {U(stream), P(divider)});
    if (divider == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *divider = state.streams.count(stream) ? state.streams[stream].frequency : 1;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* indices)
{
    const HRESULT hr = Record("SetIndices", {P(indices)});
    if (SUCCEEDED(hr))
        state.indices = indices;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetIndices(IDirect3DIndexBuffer9** indices)
{
    HRESULT hr = Record("GetIndices", {P(indices)});
    if (indices == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    *indices = state.indices;
    if (*indices)
        (*indices)->AddRef();
    return S_OK;
}

HRESULT FakeDirect3DDevice9::CreatePixelShader(const DWORD* code, IDirect3DPixelShader9** shader)
{
    const HRESULT hr = Record("CreatePixelShader", {P(code), P(shader)}, D3DERR_NOTAVAILABLE);
    if (shader)
        *shader = nullptr;
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::SetPixelShader(IDirect3DPixelShader9* shader)
{
    const HRESULT hr = Record("SetPixelShader", {P(shader)});
    if (SUCCEEDED(hr))
        state.pixelShader = shader;
    return hr;
}

HRESULT FakeDirect3DDevice9::GetPixelShader(IDirect3DPixelShader9** shader)
{
    HRESULT hr = Record("GetPixelShader", {P(shader)});
    if (shader == nullptr)
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *shader = state.pixelShader;
    return hr;
}

HRESULT FakeDirect3DDevice9::SetPixelShaderConstantF(UINT reg, const float* data, UINT count)
{
    return StoreConstants(m_psConstantsF, reg, data, count * 4,
                          Record("SetPixelShaderConstantF", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetPixelShaderConstantF(UINT reg, float* data, UINT count)
{
    return LoadConstants(m_psConstantsF, reg, data, count * 4,
                         Record("GetPixelShaderConstantF", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::SetPixelShaderConstantI(UINT reg, const int* data, UINT count)
{
    return StoreConstants(m_psConstantsI, reg, data, count * 4,
                          Record("SetPixelShaderConstantI", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetPixelShaderConstantI(UINT reg, int* data, UINT count)
{
    return LoadConstants(m_psConstantsI, reg, data, count * 4,
                         Record("GetPixelShaderConstantI", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::SetPixelShaderConstantB(UINT reg, const WINBOOL* data, UINT count)
{
    return StoreConstants(m_psConstantsB, reg, data, count,
                          Record("SetPixelShaderConstantB", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::GetPixelShaderConstantB(UINT reg, WINBOOL* data, UINT count)
{
    return LoadConstants(m_psConstantsB, reg, data, count,
                         Record("GetPixelShaderConstantB", {U(reg), P(data), U(count)}));
}

HRESULT FakeDirect3DDevice9::DrawRectPatch(UINT handle, const float* segments, const D3DRECTPATCH_INFO* info)
{
    const HRESULT hr = Record("DrawRectPatch", {U(handle), P(segments), P(info)}, D3DERR_NOTAVAILABLE);
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::DrawTriPatch(UINT handle, const float* segments, const D3DTRIPATCH_INFO* info)
{
    const HRESULT hr = Record("DrawTriPatch", {U(handle), P(segments), P(info)}, D3DERR_NOTAVAILABLE);
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::DeletePatch(UINT handle)
{
    const HRESULT hr = Record("DeletePatch", {U(handle)}, D3DERR_NOTAVAILABLE);
    return SUCCEEDED(hr) ? D3DERR_NOTAVAILABLE : hr;
}

HRESULT FakeDirect3DDevice9::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query)
{
    const bool available = type == D3DQUERYTYPE_EVENT && eventQueryBusyPolls >= 0;
    const HRESULT hr = Record("CreateQuery", {U(type), P(query)}, available ? S_OK : D3DERR_NOTAVAILABLE);
    if (FAILED(hr) || !available)
    {
        if (query)
            *query = nullptr;
        return FAILED(hr) ? hr : D3DERR_NOTAVAILABLE;
    }
    // a null pointer asks only whether the kind is supported
    if (query == nullptr)
        return S_OK;
    auto made = std::make_unique<FakeQuery>(this, type, eventQueryBusyPolls);
    createdQueries.push_back(made.get());
    *query = made.get();
    m_owned.push_back(std::move(made));
    return S_OK;
}

// ---- Query -------------------------------------------------------------------

HRESULT FakeQuery::QueryInterface(REFIID riid, void** object)
{
    const HRESULT hr = Record("QueryInterface", {P(&riid), P(object)});
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (FAILED(hr))
        return hr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, __uuidof(IDirect3DQuery9)))
    {
        *object = static_cast<IDirect3DQuery9*>(this);
        AddRefImpl();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT FakeQuery::GetDevice(IDirect3DDevice9** device)
{
    const HRESULT hr = Record("GetDevice", {P(device)});
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (FAILED(hr))
        return hr;
    m_device->AddRef();
    *device = m_device;
    return S_OK;
}

HRESULT FakeQuery::Issue(DWORD flags)
{
    const HRESULT hr = Record("Issue", {U(flags)});
    if (FAILED(hr))
        return hr;
    if (flags == D3DISSUE_END)
    {
        ++issues;
        m_busyLeft = m_busyPolls;
    }
    return S_OK;
}

HRESULT FakeQuery::GetData(void* data, DWORD size, DWORD flags)
{
    const HRESULT hr = Record("GetData", {P(data), U(size), U(flags)});
    if (FAILED(hr))
        return hr;
    if (m_busyLeft > 0)
    {
        --m_busyLeft;
        ++busyAnswers;
        return S_FALSE;
    }
    if (data && size >= sizeof(BOOL))
        *static_cast<BOOL*>(data) = TRUE;
    return S_OK;
}

// ---- Direct3D object -------------------------------------------------------

FakeDirect3D9::FakeDirect3D9() : FakeRefCounted(1)
{
    FakeAdapter adapter;
    adapter.displayMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    adapter.modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {1024, 768, 60, D3DFMT_X8R8G8B8}};
    adapter.monitor = reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10001));
    std::snprintf(adapter.identifier.Driver, sizeof(adapter.identifier.Driver), "fake.dll");
    std::snprintf(adapter.identifier.Description, sizeof(adapter.identifier.Description), "Fake Direct3D adapter");
    std::snprintf(adapter.identifier.DeviceName, sizeof(adapter.identifier.DeviceName), "\\\\.\\DISPLAY1");
    adapter.caps = DefaultCaps(D3DDEVTYPE_HAL);
    adapters.push_back(adapter);
    device.direct3D = this;
    device.Release(); // CreateDevice hands out the references
}

CallMatcher FakeDirect3D9::CreateDeviceKind(D3DDEVTYPE type, DWORD vertexProcessing)
{
    // CreateDevice arguments: adapter, type, window, flags, parameters, out
    return [type, vertexProcessing](const FakeCall& call) {
        return call.args.size() > 3 && call.args[1] == static_cast<uint64_t>(type) &&
               (call.args[3] & vertexProcessing) != 0;
    };
}

HRESULT FakeDirect3D9::QueryInterface(REFIID riid, void** object)
{
    const HRESULT hr = Record("QueryInterface", {P(&riid), P(object)});
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (FAILED(hr))
        return hr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, __uuidof(IDirect3D9)))
    {
        *object = static_cast<IDirect3D9*>(this);
        AddRefImpl();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG FakeDirect3D9::AddRef()
{
    return AddRefImpl();
}

ULONG FakeDirect3D9::Release()
{
    return ReleaseImpl();
}

HRESULT FakeDirect3D9::RegisterSoftwareDevice(void* initialize)
{
    return Record("RegisterSoftwareDevice", {P(initialize)});
}

UINT FakeDirect3D9::GetAdapterCount()
{
    Record("GetAdapterCount", {});
    return static_cast<UINT>(adapters.size());
}

HRESULT FakeDirect3D9::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id)
{
    HRESULT hr = Record("GetAdapterIdentifier", {U(adapter), U(flags), P(id)});
    if (id == nullptr || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *id = adapters[adapter].identifier;
    return hr;
}

UINT FakeDirect3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format)
{
    Record("GetAdapterModeCount", {U(adapter), U(format)});
    if (adapter >= adapters.size())
        return 0;
    const auto& modes = adapters[adapter].modes;
    return static_cast<UINT>(
        std::count_if(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& m) { return m.Format == format; }));
}

HRESULT FakeDirect3D9::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* out)
{
    HRESULT hr = Record("EnumAdapterModes", {U(adapter), U(format), U(mode), P(out)});
    if (out == nullptr || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    if (FAILED(hr))
        return hr;
    UINT seen = 0;
    for (const D3DDISPLAYMODE& candidate : adapters[adapter].modes)
    {
        if (candidate.Format != format)
            continue;
        if (seen++ == mode)
        {
            *out = candidate;
            return S_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT FakeDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode)
{
    HRESULT hr = Record("GetAdapterDisplayMode", {U(adapter), P(mode)});
    if (mode == nullptr || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
        *mode = adapters[adapter].displayMode;
    return hr;
}

HRESULT FakeDirect3D9::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                       D3DFORMAT backBufferFormat, WINBOOL windowed)
{
    return Record("CheckDeviceType", {U(adapter), U(type), U(displayFormat), U(backBufferFormat), I(windowed)});
}

HRESULT FakeDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                         D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat)
{
    return Record("CheckDeviceFormat",
                  {U(adapter), U(type), U(adapterFormat), U(usage), U(resourceType), U(checkFormat)});
}

HRESULT FakeDirect3D9::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, WINBOOL windowed,
                                                  D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels)
{
    const HRESULT hr = Record("CheckDeviceMultiSampleType",
                              {U(adapter), U(type), U(format), I(windowed), U(multiSample), P(qualityLevels)});
    if (qualityLevels)
        *qualityLevels = SUCCEEDED(hr) ? 1 : 0;
    return hr;
}

HRESULT FakeDirect3D9::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                              D3DFORMAT targetFormat, D3DFORMAT depthFormat)
{
    return Record("CheckDepthStencilMatch", {U(adapter), U(type), U(adapterFormat), U(targetFormat), U(depthFormat)});
}

HRESULT FakeDirect3D9::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source, D3DFORMAT target)
{
    return Record("CheckDeviceFormatConversion", {U(adapter), U(type), U(source), U(target)});
}

HRESULT FakeDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps)
{
    HRESULT hr = Record("GetDeviceCaps", {U(adapter), U(type), P(caps)});
    if (caps == nullptr || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    if (SUCCEEDED(hr))
    {
        *caps = adapters[adapter].caps;
        caps->DeviceType = type;
        caps->AdapterOrdinal = adapter;
    }
    return hr;
}

HMONITOR FakeDirect3D9::GetAdapterMonitor(UINT adapter)
{
    Record("GetAdapterMonitor", {U(adapter)});
    return adapter < adapters.size() ? adapters[adapter].monitor : nullptr;
}

HRESULT FakeDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                    D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** out)
{
    HRESULT hr = Record("CreateDevice", {U(adapter), U(type), P(focusWindow), U(behaviorFlags), P(parameters), P(out)});
    if (out == nullptr || parameters == nullptr || adapter >= adapters.size())
        hr = D3DERR_INVALIDCALL;
    FakeCreateDeviceCall call = {adapter, type, focusWindow, behaviorFlags, {}, hr};
    if (parameters)
        call.parameters = *parameters;
    createDeviceCalls.push_back(call);
    if (out)
        *out = nullptr;
    if (FAILED(hr))
        return hr;

    device.presentParameters = *parameters;
    device.creationParameters = {adapter, type, focusWindow, behaviorFlags};
    device.caps = adapters[adapter].caps;
    device.caps.DeviceType = type;
    device.caps.AdapterOrdinal = adapter;
    device.AddRef();
    *out = &device;
    return S_OK;
}

} // namespace fake3d
