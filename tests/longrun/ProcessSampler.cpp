// process_sampler: watches a running program for leaks over a long run.
//
//   process_sampler EXE_NAME SECONDS [INTERVAL_SECONDS]
//
// Finds the process whose executable is EXE_NAME (for example Quenmoor.scr)
// and every INTERVAL_SECONDS (10) prints its working set, private bytes,
// handle, thread and GDI/USER object counts. At the end it compares the
// samples after the first minute (the scene is loaded and every effect has
// started): the run passes when the settled working set and private bytes
// grow by at most 2 % (at least 4 MiB), the handles and GUI objects by at
// most 4, and the threads not at all. Exit 0 on pass, 1 on growth, 2 when
// the process could not be watched.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

struct Sample
{
    DWORD at; // seconds since the start of sampling
    SIZE_T workingSet, privateBytes;
    DWORD handles, threads, gdi, user;
};

// Wine answers GetProcessHandleCount with 0; the system's handle table
// (class 16 of NtQuerySystemInformation) lists every handle with its owner.
struct HandleEntry
{
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

struct HandleTable
{
    ULONG count;
    HandleEntry entry[1];
};

DWORD CountHandlesInSystemTable(DWORD pid)
{
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return 0;
    std::vector<unsigned char> buffer(1 << 20);
    for (int tries = 0; tries < 8; ++tries)
    {
        ULONG needed = 0;
        const LONG status = query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) // the table grew: a larger buffer
        {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0)
            return 0;
        const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
        const size_t first = offsetof(HandleTable, entry);
        const size_t fits = (buffer.size() - first) / sizeof(HandleEntry);
        const HandleEntry* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + first);
        DWORD owned = 0;
        for (size_t i = 0; i < std::min<size_t>(count, fits); ++i)
            owned += entries[i].ownerPid == pid;
        return owned;
    }
    return 0;
}

DWORD FindProcess(const char* exeName, DWORD& threads)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    DWORD found = 0;
    for (BOOL ok = Process32First(snap, &entry); ok; ok = Process32Next(snap, &entry))
        if (_stricmp(entry.szExeFile, exeName) == 0)
        {
            found = entry.th32ProcessID;
            threads = entry.cntThreads;
            break;
        }
    CloseHandle(snap);
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: process_sampler EXE_NAME SECONDS [INTERVAL_SECONDS]\n");
        return 2;
    }
    const char* exeName = argv[1];
    const DWORD seconds = static_cast<DWORD>(std::max(1, std::atoi(argv[2])));
    const DWORD interval = static_cast<DWORD>(argc > 3 ? std::max(1, std::atoi(argv[3])) : 10);

    DWORD threads = 0, pid = 0;
    for (int tries = 0; tries < 100 && pid == 0; ++tries)
    {
        pid = FindProcess(exeName, threads);
        if (pid == 0)
            Sleep(100);
    }
    HANDLE process =
        pid != 0 ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid) : nullptr;
    if (process == nullptr)
    {
        std::fprintf(stderr, "process_sampler: no running %s to watch\n", exeName);
        return 2;
    }
    std::printf("watching %s pid=%lu for %lu s every %lu s\n", exeName, static_cast<unsigned long>(pid),
                static_cast<unsigned long>(seconds), static_cast<unsigned long>(interval));

    std::vector<Sample> samples;
    const DWORD start = GetTickCount();
    for (DWORD at = 0; at <= seconds; at += interval)
    {
        const DWORD due = start + at * 1000;
        const DWORD now = GetTickCount();
        if (static_cast<int>(due - now) > 0 && WaitForSingleObject(process, due - now) == WAIT_OBJECT_0)
            break;
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE)
            break;
        Sample s = {};
        s.at = at;
        PROCESS_MEMORY_COUNTERS_EX memory = {};
        memory.cb = sizeof(memory);
        if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
        {
            s.workingSet = memory.WorkingSetSize;
            // Wine leaves PrivateUsage at 0; the page file usage is the same
            // committed private memory.
            s.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
        }
        if (!GetProcessHandleCount(process, &s.handles) || s.handles == 0)
            s.handles = CountHandlesInSystemTable(pid);
        FindProcess(exeName, s.threads);
        s.gdi = GetGuiResources(process, GR_GDIOBJECTS);
        s.user = GetGuiResources(process, GR_USEROBJECTS);
        samples.push_back(s);
        std::printf("sample t=%lu working_set_kb=%lu private_kb=%lu handles=%lu threads=%lu gdi=%lu user=%lu\n",
                    static_cast<unsigned long>(s.at), static_cast<unsigned long>(s.workingSet / 1024),
                    static_cast<unsigned long>(s.privateBytes / 1024), static_cast<unsigned long>(s.handles),
                    static_cast<unsigned long>(s.threads), static_cast<unsigned long>(s.gdi),
                    static_cast<unsigned long>(s.user));
        std::fflush(stdout);
    }
    CloseHandle(process);

    if (samples.empty() || samples.back().at + interval <= seconds)
    {
        std::printf("process_sampler: the process ended after %lu s, before the run was over\n",
                    samples.empty() ? 0UL : static_cast<unsigned long>(samples.back().at));
        return 2;
    }
    // From the first sample at or after one minute on (from the start in a
    // shorter run). Memory is compared as settled levels, the median of the
    // first and of the last six samples: the renderer's own caches come and
    // go in peaks of tens of MiB, while a leak raises the level. Handles,
    // threads and GUI objects are counted at every sample.
    size_t from = 0;
    while (seconds >= 120 && from < samples.size() && samples[from].at < 60)
        ++from;
    if (from >= samples.size())
        from = 0;
    const size_t window = std::max<size_t>(1, std::min<size_t>(6, (samples.size() - from) / 2));
    const auto level = [&](size_t first, SIZE_T Sample::*field) {
        std::vector<SIZE_T> values;
        for (size_t i = first; i < first + window; ++i)
            values.push_back(samples[i].*field);
        std::sort(values.begin(), values.end());
        return static_cast<long long>(values[values.size() / 2]);
    };
    const size_t last = samples.size() - window;
    const long long wsStart = level(from, &Sample::workingSet), wsEnd = level(last, &Sample::workingSet);
    const long long privateStart = level(from, &Sample::privateBytes), privateEnd = level(last, &Sample::privateBytes);
    const Sample& base = samples[from];
    long long wsPeak = 0, handleGrowth = 0, threadGrowth = 0, gdiGrowth = 0;
    for (size_t i = from; i < samples.size(); ++i)
    {
        wsPeak = std::max(wsPeak, static_cast<long long>(samples[i].workingSet) - wsStart);
        handleGrowth = std::max(handleGrowth, static_cast<long long>(samples[i].handles) - base.handles);
        threadGrowth = std::max(threadGrowth, static_cast<long long>(samples[i].threads) - base.threads);
        gdiGrowth = std::max(gdiGrowth, static_cast<long long>(samples[i].gdi + samples[i].user) -
                                            static_cast<long long>(base.gdi + base.user));
    }
    std::printf("samples=%zu from_t=%lu working_set_kb=%lld..%lld private_kb=%lld..%lld peak_over_start_kb=%lld "
                "handle_growth=%lld thread_growth=%lld gui_object_growth=%lld\n",
                samples.size(), static_cast<unsigned long>(base.at), wsStart / 1024, wsEnd / 1024, privateStart / 1024,
                privateEnd / 1024, wsPeak / 1024, handleGrowth, threadGrowth, gdiGrowth);
    // 2 % of the level, at least 4 MiB
    const auto flatMemory = [](long long start, long long end) {
        return end - start <= std::max(4LL * 1024 * 1024, start / 50);
    };
    const bool flat = flatMemory(wsStart, wsEnd) && flatMemory(privateStart, privateEnd) && handleGrowth <= 4 &&
                      threadGrowth <= 0 && gdiGrowth <= 4;
    std::printf("long_run=%s\n", flat ? "flat" : "GROWING");
    return flat ? 0 : 1;
}
