// Windows layer: the default settings text and the label table, read from
// the program's own CustomData resources.
#include "settings/win/SettingsTexts.h"

#include <windows.h>

#include "resources/ResourceIds.h"
#include "src/ClassRender/Log.h"

// Bytes of a CustomData resource of this program, or false.
static bool LockCustomData(int id, const uint8_t*& bytes, size_t& size)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), RT_CUSTOMDATA);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* data = handle ? LockResource(handle) : nullptr;
    if (data == nullptr)
    {
        LogWrite(g_szLogFile, "%s\t%d\n", "resource not found", id);
        bytes = nullptr;
        size = 0;
        return false;
    }
    bytes = static_cast<const uint8_t*>(data);
    size = SizeofResource(module, info);
    return true;
}

void ShowSettingsMessage(void*, const char* text, const char* caption)
{
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void LoadLabelTable(CLabelTable& table)
{
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    LockCustomData(IDR_LABEL_TABLE, bytes, size);
    table.Load(bytes, size);
}

void LoadDefaultSettingsText(CDefaultSettingsTable& table)
{
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    LockCustomData(IDR_DEFAULT_SETTINGS, bytes, size);
    table.SetMessageSink(ShowSettingsMessage, nullptr);
    table.Parse(bytes, size);
}
