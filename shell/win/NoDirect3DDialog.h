// Windows layer: the message shown when the Direct3D 9 runtime is missing.
#pragma once
#include <windows.h>

// Shows dialog 465 without owner; returns the dialog's result (IDOK).
INT_PTR ShowNoDirect3DDialog(HINSTANCE instance);
