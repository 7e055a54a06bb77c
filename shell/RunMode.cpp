// Portable core: the screensaver switches of the command line.
#include "shell/RunMode.h"

#include <cstdlib>

static const char* SkipProgramName(const char* p)
{
    char end = ' ';
    if (*p == '"')
    {
        end = '"';
        ++p;
    }
    while (*p != '\0' && *p != end)
        ++p;
    if (*p != '\0')
        ++p; // past the closing quote or the space
    return p;
}

RunMode ReadRunMode(const char* commandLine, intptr_t& parentWindow)
{
    parentWindow = 0;
    if (commandLine == nullptr)
        return rmConfigure;

    const char* p = SkipProgramName(commandLine);
    while (*p != '\0' && *p != '/' && *p != '-')
        ++p;
    if (*p == '\0')
        return rmConfigure;

    const char letter = p[1];
    RunMode mode;
    switch (letter | 0x20)
    { // ASCII fold to lower case
    case 'a':
        mode = rmPasswordChange;
        break;
    case 'c':
        mode = rmConfigure;
        break;
    case 'p':
        mode = rmPreview;
        break;
    case 't':
        mode = rmTestWindow;
        break;
    default:
        return rmFullScreen; // 's' and any other letter
    }

    if (mode == rmPasswordChange || mode == rmConfigure || mode == rmPreview)
    {
        const char* q = p + 2;
        while (*q != '\0' && (*q < '0' || *q > '9'))
            ++q;
        if (*q != '\0')
            parentWindow = static_cast<intptr_t>(std::atol(q));
    }
    return mode;
}
