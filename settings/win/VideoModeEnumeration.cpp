// Windows layer: display mode enumeration and the dialog's mode box.
#include "settings/win/VideoModeEnumeration.h"

#include "resources/SettingsIds.h"
#include "src/ClassRender/win/Direct3DLoader.h"

void EnumerateDisplayModes(IDirect3D9* d3d, VideoModeList& list)
{
    list.Clear();
    const UINT adapters = d3d->GetAdapterCount();
    for (UINT adapter = 0; adapter < adapters; ++adapter)
    {
        for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5})
        {
            const UINT count = d3d->GetAdapterModeCount(adapter, format);
            for (UINT i = 0; i < count; ++i)
            {
                D3DDISPLAYMODE mode = {};
                if (FAILED(d3d->EnumAdapterModes(adapter, format, i, &mode)))
                    continue;
                list.Append({mode.Width, mode.Height, mode.RefreshRate, static_cast<int32_t>(mode.Format)});
            }
        }
    }
    list.Arrange();
}

HRESULT BuildVideoModeList(VideoModeList& list)
{
    IDirect3D9* d3d = CreateDirect3D9();
    if (d3d == nullptr)
    {
        MessageBoxA(nullptr, "Not Create Direct3D9 object", "Error", MB_OK | MB_TOPMOST);
        return E_FAIL;
    }
    EnumerateDisplayModes(d3d, list);
    d3d->Release();
    return S_OK;
}

void FillModeBox(HWND dialog, VideoModeList& list)
{
    HWND box = GetDlgItem(dialog, IDC_MODE_BOX);
    SendMessageA(box, CB_RESETCONTENT, 0, 0);
    list.ApplyDefaultChoice();
    for (int i = 0; i < list.Count(); ++i)
    {
        const std::string text = VideoModeList::ModeText(list.Mode(i));
        const LRESULT item = SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (item < 0)
            continue;
        SendMessageA(box, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        if (i == list.m_nSelectedMode)
            SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    list.MakeSelectedModeCurrent();
}
