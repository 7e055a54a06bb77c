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

// Deletes the log file so that each run starts a fresh log.
void LogDelete(const char* fileName);

// Size of the record buffer.
constexpr int LOG_RECORD_SIZE = 1024;
