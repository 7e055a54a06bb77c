// Windows layer: the bytes of a CustomData resource of a module.
#include "data/win/CustomDataResource.h"

bool FindCustomData(HMODULE module, int id, const unsigned char** data, uint32_t* size)
{
    *data = nullptr;
    *size = 0;
    if (module == nullptr)
        module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), "CustomData");
    HGLOBAL handle = info != nullptr ? LoadResource(module, info) : nullptr;
    const DWORD bytes = info != nullptr ? SizeofResource(module, info) : 0;
    const void* locked = handle != nullptr ? LockResource(handle) : nullptr;
    if (locked == nullptr || bytes == 0)
        return false;
    // locked resource memory is never unlocked or freed
    *data = static_cast<const unsigned char*>(locked);
    *size = bytes;
    return true;
}
