// Windows layer: the start-up shared by every mode, and the mode driver.
#pragma once
#include <windows.h>

class CSaverCore;

// Reset, Init, common controls, command line, Direct3D object, monitors and
// the saver window(s). Returns S_OK when the chosen mode can run.
HRESULT InitSaver(CSaverCore* app, HINSTANCE instance);

// Runs the chosen mode to its end; returns 0.
int RunSaverMode(CSaverCore* app);
