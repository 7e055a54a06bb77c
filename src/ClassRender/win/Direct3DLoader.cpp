// Windows layer: the Direct3D 9 runtime, bound at run time.
#include "src/ClassRender/win/Direct3DLoader.h"

static const UINT kSdkVersion = 31;

bool Direct3D9Available()
{
    HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    if (d3d9 == nullptr)
        return false;
    FreeLibrary(d3d9);
    return true;
}

IDirect3D9* CreateDirect3D9()
{
    typedef IDirect3D9*(WINAPI * Direct3DCreate9Fn)(UINT);
    // stays loaded for the life of the process, as a static import would
    static HMODULE s_d3d9 = LoadLibraryA("d3d9.dll");
    if (s_d3d9 == nullptr)
        return nullptr;
    auto create =
        reinterpret_cast<Direct3DCreate9Fn>(reinterpret_cast<void*>(GetProcAddress(s_d3d9, "Direct3DCreate9")));
    return create ? create(kSdkVersion) : nullptr;
}
