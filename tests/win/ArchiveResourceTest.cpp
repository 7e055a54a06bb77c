// The data archive as resource CustomData 454 of the running executable
// (this test program carries a small one) and LoadArchiveFile over it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/win/ArchiveResource.h"
#include "src/ClassRender/Log.h"

namespace {

struct LoadCase
{
    const char* name;
    bool ok;
    uint32_t size;
};

TEST(ArchiveResource, LoadArchiveFileReadsTheEmbeddedArchive)
{
    const LoadCase cases[] = {
        {"camera\\camera01.transobj", true, 768},
        {"CAMERA/camera01.TRANSOBJ", true, 768},
        {"leaveswater01.tga", true, 19},
        {"audio/pcm1.raw", true, 4126}, // RAR 2.0 multimedia compression
        {"camera", true, 0},
        {"camera/camera02.transobj", false, 0},
    };
    for (const LoadCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        unsigned char* data = reinterpret_cast<unsigned char*>(uintptr_t(1));
        uint32_t size = 99;
        EXPECT_EQ(LoadArchiveFile(c.name, &data, &size), c.ok);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(data != nullptr, c.ok);
        if (c.ok && c.size == 768)
        {
            for (uint32_t i = 0; i < size; ++i)
                ASSERT_EQ(data[i], i % 256);
        }
        std::free(data);
    }
}

TEST(ArchiveResource, ViewOverTheRunningModule)
{
    ArchiveView view{nullptr, 0, 77};
    ASSERT_TRUE(GetArchiveView(&view));
    ASSERT_NE(view.data, nullptr);
    EXPECT_EQ(view.size, 5890u);
    EXPECT_EQ(view.offset, 0u);
    EXPECT_EQ(std::memcmp(view.data, "Rar!\x1a\x07\x00", 7), 0);

    // a stable view serves any number of requests
    unsigned char* data = nullptr;
    uint32_t size = 0;
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(ExtractArchiveEntry("", "Leaveswater01.tga", &data, &size, &view));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "TGA bytes of a leaf");
        std::free(data);
    }
}

TEST(ArchiveResource, MissingResourceFailsAndLogs)
{
    char logPath[MAX_PATH];
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "qma", 0, logPath);
    DeleteFileA(logPath);
    char saved[sizeof(g_szLogFile)];
    std::memcpy(saved, g_szLogFile, sizeof(saved));
    std::snprintf(g_szLogFile, sizeof(g_szLogFile), "%s", logPath);

    // a system module carries no CustomData 454
    ArchiveView view{reinterpret_cast<const unsigned char*>(&view), 123, 5};
    EXPECT_FALSE(BuildArchiveView(GetModuleHandleA("kernel32.dll"), &view));
    EXPECT_EQ(view.data, nullptr);
    EXPECT_EQ(view.size, 0u);
    unsigned char* data = reinterpret_cast<unsigned char*>(uintptr_t(1));
    uint32_t size = 3;
    EXPECT_FALSE(ExtractArchiveEntry("", "camera", &data, &size, &view));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(BuildArchiveView(nullptr, &view));

    std::memcpy(g_szLogFile, saved, sizeof(saved));
    FILE* f = std::fopen(logPath, "rb");
    ASSERT_NE(f, nullptr);
    char text[512] = {};
    size_t n = std::fread(text, 1, sizeof(text) - 1, f);
    std::fclose(f);
    DeleteFileA(logPath);
    EXPECT_GT(n, 0u);
    EXPECT_NE(std::strstr(text, "CustomData 454 missing"), nullptr) << text;
}

} // namespace
