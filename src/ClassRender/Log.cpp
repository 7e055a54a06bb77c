// Portable core: the diagnostic log.
#include "src/ClassRender/Log.h"

#include <cstdarg>
#include <cstdio>

char g_szLogFile[256] = "";

static char s_szRecord[LOG_RECORD_SIZE];

void LogWrite(const char* fileName, const char* format, ...)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return;

    va_list args;
    va_start(args, format);
    // bounded: a long record is cut, never written past the buffer
    std::vsnprintf(s_szRecord, sizeof(s_szRecord), format, args);
    va_end(args);

    FILE* file = std::fopen(fileName, "a+");
    if (file == nullptr)
        return;
    std::fprintf(file, "%s", s_szRecord);
    std::fclose(file);
}

void LogFailure(int code, const char* sourcePath, int line)
{
    LogWrite(g_szLogFile, "%d %s %d\n", code, sourcePath, line);
}

void LogDelete(const char* fileName)
{
    if (fileName == nullptr || fileName[0] == '\0')
        return;
    std::remove(fileName);
}
