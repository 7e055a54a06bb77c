// Windows layer: the data archive carried as resource CustomData 454.
#include "data/win/ArchiveResource.h"

#include "src/ClassRender/Log.h"

namespace {

constexpr int ARCHIVE_RESOURCE_ID = 454;
const char* const CUSTOM_DATA_TYPE = "CustomData";

} // namespace

bool BuildArchiveView(HMODULE module, ArchiveView* view)
{
    if (view == nullptr)
        return false;
    view->data = nullptr;
    view->size = 0;
    view->offset = 0;

    HRSRC info =
        module != nullptr ? FindResourceA(module, MAKEINTRESOURCEA(ARCHIVE_RESOURCE_ID), CUSTOM_DATA_TYPE) : nullptr;
    HGLOBAL handle = info != nullptr ? LoadResource(module, info) : nullptr;
    DWORD size = info != nullptr ? SizeofResource(module, info) : 0;
    const void* data = handle != nullptr ? LockResource(handle) : nullptr;
    if (data == nullptr || size == 0)
    {
        LogWrite(g_szLogFile, "data archive: resource CustomData %d missing\n", ARCHIVE_RESOURCE_ID);
        return false;
    }
    // locked resource memory is never unlocked or freed
    view->data = static_cast<const unsigned char*>(data);
    view->size = size;
    return true;
}

bool GetArchiveView(ArchiveView* view)
{
    return BuildArchiveView(GetModuleHandleA(nullptr), view);
}

ArchiveView ExecutableArchive()
{
    ArchiveView view = {nullptr, 0, 0};
    GetArchiveView(&view);
    return view;
}

bool LoadArchiveFile(const char* name, unsigned char** data, uint32_t* size)
{
    ArchiveView view;
    GetArchiveView(&view);
    bool ok = ExtractArchiveEntry("", name, data, size, &view);
    if (!ok)
        LogWrite(g_szLogFile, "data archive: %s not found or damaged\n", name != nullptr ? name : "(null)");
    return ok;
}
