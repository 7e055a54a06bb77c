// Windows layer: the data archive carried as resource CustomData 454 of the
// executable, and the entry reader that every scene loader uses.
#pragma once
#include <windows.h>

#include <cstdint>

#include "data/RarArchive.h"

// Builds a view (offset 0) over CustomData 454 of the given module. The
// memory is read-only and lives as long as the module. On failure the view
// is null and 0 (every lookup then fails) and a line is logged.
bool BuildArchiveView(HMODULE module, ArchiveView* view);

// The same over the running executable.
bool GetArchiveView(ArchiveView* view);
// The running executable's archive as a view; an empty one (every lookup
// fails) when the resource is missing.
ArchiveView ExecutableArchive();

// Reads one entry of the data archive with the empty password. The buffer is
// malloc'ed and freed by the caller; on failure *data is null and *size 0.
bool LoadArchiveFile(const char* name, unsigned char** data, uint32_t* size);
