// End-to-end driver: takes the path of the logged saver as its argument, or
// finds QuenmoorLogged.scr beside itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "SaverHarness.h"

static std::string SaverBesideDriver()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    const size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    return folder + "\\QuenmoorLogged.scr";
}

// ctest passes a host path; Wine reaches the host's root through drive Z:.
static std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/')
    {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    e2e::g_SaverPath = argc > 1 ? WindowsPath(argv[1]) : SaverBesideDriver();
    if (GetFileAttributesA(e2e::g_SaverPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        std::fprintf(stderr, "saver not found: %s\n", e2e::g_SaverPath.c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}
