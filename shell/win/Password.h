// Windows layer: the screensaver password of Windows 9x and its change.
#pragma once

class CSaverCore;

// Notes the platform; on Windows 9x in full-screen mode, loads the password
// check when the desktop settings ask for one.
void SetupPasswordCheck(CSaverCore* app);

// The /a mode: the system's password change dialog for the "SCRSAVE" provider.
void RunPasswordChange(CSaverCore* app);
