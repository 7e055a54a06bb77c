// Test programs (Windows): the heap counting of HeapCount.h.
#include "tests/render/HeapCount.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
std::atomic<int64_t> g_liveBytes{0};
std::atomic<int64_t> g_liveBlocks{0};

void* Taken(void* p)
{
    if (p == nullptr)
        return p;
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_liveBytes.fetch_add(static_cast<int64_t>(_msize(p)), std::memory_order_relaxed);
    g_liveBlocks.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void Given(void* p)
{
    if (p == nullptr)
        return;
    g_liveBytes.fetch_sub(static_cast<int64_t>(_msize(p)), std::memory_order_relaxed);
    g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
}

} // namespace

namespace heapcount {

void SetCounting(bool on)
{
    g_counting = on;
}
void ResetAllocations()
{
    g_allocations = 0;
}
long Allocations()
{
    return g_allocations;
}
int64_t LiveBytes()
{
    return g_liveBytes;
}
int64_t LiveBlocks()
{
    return g_liveBlocks;
}

} // namespace heapcount

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void __real_free(void* p);
void* __wrap_malloc(size_t size)
{
    return Taken(__real_malloc(size));
}
void* __wrap_calloc(size_t count, size_t size)
{
    return Taken(__real_calloc(count, size));
}
void* __wrap_realloc(void* p, size_t size)
{
    // a failed realloc leaves the old block as it was
    const int64_t before = p != nullptr ? static_cast<int64_t>(_msize(p)) : 0;
    void* moved = __real_realloc(p, size);
    if (moved == nullptr && size != 0)
        return nullptr;
    if (p != nullptr)
    {
        g_liveBytes.fetch_sub(before, std::memory_order_relaxed);
        g_liveBlocks.fetch_sub(1, std::memory_order_relaxed);
    }
    return Taken(moved);
}
void __wrap_free(void* p)
{
    Given(p);
    __real_free(p);
}
}

void* operator new(size_t size)
{
    void* p = Taken(__real_malloc(size != 0 ? size : 1));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Taken(__real_malloc(size != 0 ? size : 1));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept
{
    __wrap_free(p);
}
void operator delete[](void* p) noexcept
{
    __wrap_free(p);
}
void operator delete(void* p, size_t) noexcept
{
    __wrap_free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    __wrap_free(p);
}
