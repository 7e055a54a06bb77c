// The log on the Windows runtime, whose own formatted print neither
// terminates nor reports a cut record the way the C99 one does, and whose
// text-mode files end lines with CR LF.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "src/ClassRender/Log.h"

namespace {

TEST(LogWriteOnWindows, LongRecordsAreCutAndTheNextRecordFollowsIntact)
{
    testsupport::ScopedLogCapture log;
    const std::string huge(3000, 'q');
    LogWrite(g_szLogFile, "%s\t%s\n", "command line", huge.c_str());
    LogWrite(g_szLogFile, "0x%08x\n", static_cast<unsigned>(0x8876086C));
    LogWrite(g_szLogFile, "%d %s %d\n", static_cast<int>(0x8876086C), "src\\ClassRender\\RenderTypes.cpp", 166);

    const std::string cut = ("command line\t" + huge).substr(0, LOG_RECORD_SIZE - 1);
    EXPECT_EQ(log.Text(), cut + "0x8876086c\r\n-2005530516 src\\ClassRender\\RenderTypes.cpp 166\r\n");
}

TEST(LogWriteOnWindows, EmptyNameCreatesNoFile)
{
    testsupport::ScopedLogCapture log;
    const std::string path = log.Path();
    g_szLogFile[0] = '\0';
    LogWrite(g_szLogFile, "%s\n", "nothing");
    EXPECT_FALSE(log.FileExists());
}

} // namespace
