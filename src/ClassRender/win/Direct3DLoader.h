// Windows layer: the Direct3D 9 runtime, bound at run time so that a system
// without it reaches our own message instead of a loader error.
#pragma once
#include <windows.h>
#include <d3d9.h>

// True when "d3d9.dll" can be loaded (the library is freed again).
bool Direct3D9Available();

// Direct3DCreate9 with the SDK version of the program; null on failure.
IDirect3D9* CreateDirect3D9();
