// The idle throttle, the runtime-compatible generator, the clock seam,
// the log and the look-at matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "src/ClassRender/Clock.h"
#include "src/ClassRender/CrtRandom.h"
#include "src/ClassRender/GfxMath.h"
#include "src/ClassRender/IdleThrottle.h"
#include "src/ClassRender/Log.h"

namespace {

TEST(IdleThrottle, SleepsOnPassesOneToFourThenEveryOtherFour)
{
    IdleThrottle throttle;
    std::string pattern;
    for (int pass = 1; pass <= 24; ++pass)
        pattern += throttle.Advance() ? 'S' : '.';
    EXPECT_EQ(pattern, "SSSS....SSSS....SSSS....");
}

TEST(CrtRandom, MatchesTheWindowsRuntimeSequence)
{
    CrtRandSetState(1);
    // rand() of the Microsoft runtime, never seeded
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(CrtRand(), value);
    CrtRandSetState(1);
    CrtRandDiscard(9);
    EXPECT_EQ(CrtRand(), 24464);
    CrtRandSetState(1);
}

uint32_t s_fakeNow = 0;
uint32_t FakeClock()
{
    return s_fakeNow;
}

TEST(Clock, ReadsThroughTheInstalledSource)
{
    ClockSetSource(FakeClock);
    s_fakeNow = 123456;
    EXPECT_EQ(ClockReadMs(), 123456u);
    s_fakeNow = 0xFFFFFFFFu; // the counter wraps after 49.7 days
    EXPECT_EQ(ClockReadMs(), 0xFFFFFFFFu);
    ClockSetSource(nullptr);
    const uint32_t a = ClockReadMs();
    const uint32_t b = ClockReadMs();
    EXPECT_LE(b - a, 1000u);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(LogWrite, EmptyNameTouchesNothingAndLongRecordsAreCut)
{
    const std::string path = testing::TempDir() + "quenmoor_log_test.log";
    std::remove(path.c_str());

    LogWrite("", "%s\n", "nothing");
    LogWrite(nullptr, "%s\n", "nothing");
    EXPECT_FALSE(std::ifstream(path).good());

    LogWrite(path.c_str(), "%s\t%s\n", "command line", "Quenmoor.scr /s");
    LogWrite(path.c_str(), "0x%08x\n", 0x8876086Cu);
    const std::string huge(5000, 'x');
    LogWrite(path.c_str(), "%s\n", huge.c_str());
    LogWrite(path.c_str(), "%d %s %d\n", -2005530516, "src\\ClassRender\\RenderTypes.cpp", 166);

    const std::string text = ReadFile(path);
    const std::string head = "command line\tQuenmoor.scr /s\n0x8876086c\n";
    ASSERT_EQ(text.compare(0, head.size(), head), 0);
    // the long record keeps 1,023 characters and its terminator, nothing more
    const std::string cut(LOG_RECORD_SIZE - 1, 'x');
    EXPECT_EQ(text.substr(head.size(), cut.size()), cut);
    EXPECT_EQ(text.substr(head.size() + cut.size()), "-2005530516 src\\ClassRender\\RenderTypes.cpp 166\n");

    LogDelete(path.c_str());
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST(LogWrite, UnopenableFileDropsTheRecord)
{
    namespace fs = std::filesystem;
    const fs::path base = fs::path(testing::TempDir()) / "quenmoor_log_unopenable";
    fs::remove_all(base);
    ASSERT_TRUE(fs::create_directory(base));
    const fs::path missingFolder = base / "missing";
    const fs::path inMissingFolder = missingFolder / "log.txt";
    const fs::path folderAsFile = base / "folder.log"; // a folder where the file should be
    ASSERT_TRUE(fs::create_directory(folderAsFile));

    LogWrite(inMissingFolder.string().c_str(), "%s\n", "lost");
    LogWrite(folderAsFile.string().c_str(), "%s\n", "lost");

    // No folder is made, nothing lands anywhere under the base folder
    EXPECT_FALSE(fs::exists(missingFolder));
    EXPECT_TRUE(fs::is_directory(folderAsFile));
    EXPECT_TRUE(fs::is_empty(folderAsFile));
    std::vector<std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(base))
        entries.push_back(entry.path().filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{"folder.log"});

    // and the dropped record does not leak into the next one written
    const fs::path good = base / "good.log";
    LogWrite(good.string().c_str(), "%s\n", "kept");
    EXPECT_EQ(ReadFile(good.string()), "kept\n");
    fs::remove_all(base);
}

TEST(LookAt, DefaultViewAndDegenerateInputs)
{
    gfx::Mat4 m;
    ASSERT_TRUE(gfx::MatrixLookAtLH(m, {0, 0, 0}, {0, 0, -1}, {0, 1, 0}));
    // looking down -Z: right is -X, view row is -Z
    const float expected[4][4] = {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(m.m[r][c], expected[r][c], 1e-6f) << r << "," << c;

    // a general case: the eye maps to the origin, the target onto +Z
    const gfx::Vec3 eye{10, 20, 30}, target{-5, 22, 90};
    ASSERT_TRUE(gfx::MatrixLookAtLH(m, eye, target, {0, 1, 0}));
    auto transform = [&](const gfx::Vec3& p) {
        return gfx::Vec3{p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
                         p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
                         p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
    };
    const gfx::Vec3 e = transform(eye), t = transform(target);
    EXPECT_NEAR(e.x, 0, 1e-4);
    EXPECT_NEAR(e.y, 0, 1e-4);
    EXPECT_NEAR(e.z, 0, 1e-4);
    EXPECT_NEAR(t.x, 0, 1e-3);
    EXPECT_NEAR(t.y, 0, 1e-3);
    EXPECT_NEAR(t.z, std::sqrt(15.f * 15 + 2 * 2 + 60 * 60), 1e-3);

    // up along the view falls back to world Y, then to world Z
    ASSERT_TRUE(gfx::MatrixLookAtLH(m, {0, 0, 0}, {0, 0, 1}, {0, 0, 5}));
    EXPECT_NEAR(m.m[1][1], 1, 1e-6);
    ASSERT_TRUE(gfx::MatrixLookAtLH(m, {0, 0, 0}, {0, 1, 0}, {0, 0, 0}));
    EXPECT_NEAR(m.m[2][1], 1, 1e-6); // up' is +Z

    // eye on the target fails and leaves the matrix alone
    gfx::Mat4 untouched = gfx::MatrixIdentity();
    EXPECT_FALSE(gfx::MatrixLookAtLH(untouched, {1, 2, 3}, {1, 2, 3}, {0, 1, 0}));
    EXPECT_EQ(untouched.m[0][0], 1.0f);
}

} // namespace
