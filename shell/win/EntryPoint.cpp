// Windows layer: the program's entry point and its one application object.
#include <windows.h>

#include <cstring>

#include "shell/win/NoDirect3DDialog.h"
#include "shell/win/SaverStartup.h"
#include "src/ClassBase/win/Ostrel.h"
#include "src/ClassRender/Log.h"
#include "src/ClassRender/win/Direct3DLoader.h"
#include "src/ClassRender/win/SystemClock.h"

#ifdef QM_LOG_FILE
// The test build logs; it names its file before anything else is constructed.
static const bool s_logFileNamed = (std::strcpy(g_szLogFile, QM_LOG_FILE), true);
#endif

static COstrel g_App;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InstallSystemClock();
    LogDelete(g_szLogFile);

    if (!Direct3D9Available())
        return static_cast<int>(ShowNoDirect3DDialog(instance));

    if (InitSaver(&g_App, instance) == S_OK)
        RunSaverMode(&g_App);
    return 0;
}
