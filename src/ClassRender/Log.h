// Portable core: the diagnostic log.
#pragma once

// Path of the log file; empty in the shipped build, which turns logging off
// without removing any call.
extern char g_szLogFile[256];

// Appends one printf-style record to the named file. A null or empty name
// returns at once; a record longer than 1,024 bytes is cut; a file that cannot
// be opened drops the record.
void LogWrite(const char* fileName, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The record of a failed call or load step, "code source-path line", in the
// program's log.
void LogFailure(int code, const char* sourcePath, int line);

// The same for this line of this source file. The build maps the source
// tree's root away, so __FILE__ is "src/ClassBase/win/World.cpp" and never
// the build machine's own path. (The texture-stage cache keeps its own fixed
// location text, and the loading and load-step records are fixed texts.)
#define LOG_FAILURE(code) LogFailure(static_cast<int>(code), __FILE__, __LINE__)
// A device call's result, recorded only when it failed (negative).
#define LOG_IF_FAILED(call)             \
    do                                  \
    {                                   \
        const auto logResult_ = (call); \
        if (logResult_ < 0)             \
            LOG_FAILURE(logResult_);    \
    } while (0)

// Deletes the log file so that each run starts a fresh log.
void LogDelete(const char* fileName);

// Size of the record buffer.
constexpr int LOG_RECORD_SIZE = 1024;
