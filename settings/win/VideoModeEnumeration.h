// Windows layer: the display modes of every adapter, as the video mode list
// offers them, and the dialog's mode box.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "settings/VideoModeList.h"

// Empties the list, appends every X8R8G8B8 then R5G6B5 mode of every
// adapter of d3d, and arranges the list.
void EnumerateDisplayModes(IDirect3D9* d3d, VideoModeList& list);

// The same with a Direct3D object of its own, released again. Without one,
// a top-most message box says so and the result is E_FAIL.
HRESULT BuildVideoModeList(VideoModeList& list);

// Fills combo box 1011 of the dialog with the modes in list order, selects
// the chosen one (after the default choice) and makes it current.
void FillModeBox(HWND dialog, VideoModeList& list);
