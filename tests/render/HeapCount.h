// Test programs (Windows, scene harness): what the program's own code takes
// from the heap. Linking HeapCount.cpp replaces operator new and delete; with
// -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free every C
// allocation and free of the program's own code goes through it as well
// (system DLLs keep their own).
#pragma once
#include <cstdint>

namespace heapcount {

// Allocations are counted only while counting is on (a frame, for instance).
void SetCounting(bool on);
void ResetAllocations();
long Allocations();

// Bytes and blocks allocated and not yet freed, tracked all the time.
int64_t LiveBytes();
int64_t LiveBlocks();

} // namespace heapcount
