// CaxLogging through its targets (log files are read back once the logger is
// gone; the trace sink reports the lengths it got) and its registry configuration.
#include "CaxLogging.h"
#include "ComTestSupport.h"
#include "RuntimeTestSupport.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace caxlogging;

TEST(Logging, BannerOnceAppendedPrefixedAndFilteredBeforeFormatting) {
    std::ofstream("c:\\h4Banner.LOG", std::ios::binary) << "earlier run\r\n";
    {
        CaxLogging first("h4Banner", 0, kModeFile, 8, 0);
        CaxLogging second("h4Banner", 0, kModeFile, 8, 0);
        EXPECT_EQ(20u, first.GetClassID());
        ASSERT_NE(nullptr, first.GetTarget());
        EXPECT_EQ(first.GetTarget(), second.GetTarget());
        EXPECT_EQ(2u, first.GetTarget()->GetReferenceCount());
        EXPECT_EQ(10, second.SetPrefix("%s::", "h4Banner"));
        // A bad pointer at a filtered level is never formatted.
        EXPECT_EQ(0, second.Log(16, "%s", reinterpret_cast<const char*>(16)));
        EXPECT_EQ(26, second.Log(8 | 16, "Start: thread started...\r\n"));
        EXPECT_EQ(6, first.Log(8, "n=%u\r\n", 42u));
    }
    // A text-mode stream: each line feed reaches the disk as CR LF.
    const std::string expected =
        "earlier run\r\n\r\r\n\r\r\n***************************** h4Banner "
        "*****************************\r\r\nError Level = 8\r\r\nError Mode  = 1\r\r\n\r\r\n"
        "Start Logging...\r\r\n\r\r\nh4Banner::Start: thread started...\r\r\nn=42\r\r\n";
    EXPECT_EQ(expected, runtime_test::TakeLogFile("h4Banner"));
}

TEST(Logging, SharesByExactNameAndKeepsTheGlobalTargetAlive) {
    ASSERT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    auto first = std::make_unique<CaxLogging>("h4Share", 0, kModeTrace, 8, 0);
    CaxLogging upper("h4SHARE", 0, kModeTrace, 8, 0);
    EXPECT_NE(first->GetTarget(), upper.GetTarget());
    EXPECT_EQ(first->GetTarget(), CaxLogging::GetGlobalTarget());
    EXPECT_EQ(first->GetTarget(), CaxLogging("h4Other", 0, kModeConsole, 8, 1).GetTarget());
    first.reset(); // the global target goes: the next registered one takes its place
    EXPECT_EQ(1u, CaxLogging::GetRegisteredTargetCount());
    CaxLogging global("h4Other", 0, kModeTrace, 8, 1);
    EXPECT_EQ(upper.GetTarget(), global.GetTarget());
    EXPECT_EQ(2u, upper.GetTarget()->GetReferenceCount());
    EXPECT_EQ(2u, CaxLogging::GetLiveLoggerCount());
}

TEST(Logging, BoundedLinesAndModesWithoutAWorkingTarget) {
    CaxLogging trace("h4Bound", 0, kModeTrace, 8, 0);
    const std::string longText(3000, 'x');
    EXPECT_EQ(1023, trace.Log(8, "%s%s", longText.c_str(), "tail"));
    EXPECT_EQ(1023, trace.SetPrefix("%s", longText.c_str()));
    CaxLogging unknown("h4Mode3", 0, 3, 1, 0);
    EXPECT_FALSE(unknown.StartLogging());
    EXPECT_EQ(0, unknown.Log(1, "nothing"));
    // Mode 0: a target that never opens and swallows the banner and every line.
    CaxLogging none("h4Mode0", 0, kModeNone, 1, 0);
    ASSERT_NE(nullptr, none.GetTarget());
    EXPECT_FALSE(none.GetTarget()->IsOpened());
    EXPECT_EQ(0, none.Log(1, "lost"));
    // Level mask 0, the system's own configuration: no target at all.
    EXPECT_EQ(nullptr, CaxLogging("h4Quiet", 0, kModeConsole, 0, 0).GetTarget());
    EXPECT_THROW(CaxLogging("h4-no-such-dir\\x", 0, kModeFile, 1, 0), axIO::CaxIOException);
    EXPECT_EQ(3u, CaxLogging::GetLiveLoggerCount()); // the throwing one is gone
    EXPECT_EQ(2u, CaxLogging::GetRegisteredTargetCount());
}

TEST(Logging, LoggersOfSharedNamesMadeAndDestroyedOnManyThreadsAtOnce) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&wrong, t] {
            for (int i = 0; i < 4000; ++i) {
                const std::string name = "h4Stress" + std::to_string((i + t) % 3);
                // Some share the global target, which other threads keep releasing;
                // the others share the one target of their name.
                CaxLogging a(name.c_str(), 0, kModeTrace, 8, i % 4 == 0);
                CaxLogging b(name.c_str(), 0, kModeTrace, 8, 0);
                wrong += a.Log(8, "%s", "line") != 4 || b.Log(8, "n=%03d", i % 1000) != 5 ||
                         (i % 4 != 0 && a.GetTarget() != b.GetTarget());
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0u, CaxLogging::GetLiveLoggerCount());
    EXPECT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    EXPECT_EQ(nullptr, CaxLogging::GetGlobalTarget());
}

// Mode, level mask and global flag of a logger made with these arguments.
std::string Configured(unsigned mode, unsigned level, unsigned global, unsigned source = 1) {
    CaxLogging log("h4Cfg", source, mode, level, global);
    return std::to_string(log.GetMode()) + "/" + std::to_string(log.GetLevel()) + "/" +
           std::to_string(log.GetGlobalLog()) + (log.GetTarget() ? "+target" : "");
}

TEST(Logging, ConfigurationReadsWhatTheKeysHoldAndKeepsTheRest) {
    using runtime_test::ScopedTestKey;
    const std::string product = "Software\\Harlow\\Corvane";
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, product.c_str());
    EXPECT_EQ("8/0/1", Configured(8, 0, 1)); // no product key
    ScopedTestKey productKey(HKEY_LOCAL_MACHINE, product);
    ScopedTestKey errorLogging(HKEY_LOCAL_MACHINE, product + "\\Error Logging");
    errorLogging.SetDword("Global ErrorLog Enabled", 1);
    EXPECT_EQ("8/0/1", Configured(8, 0, 0)); // no sub-key of its own: only the flag is read
    ScopedTestKey own(HKEY_LOCAL_MACHINE, product + "\\Error Logging\\h4Cfg");
    own.SetDword("Log Level", 8);
    EXPECT_EQ("2/8/1+target", Configured(2, 0, 0)); // no "Log Mode": the given mode stays
    own.SetDword("Log Mode", 8);
    EXPECT_EQ("8/8/1+target", Configured(4, 0, 0));
    EXPECT_EQ("4/0/0", Configured(4, 0, 0, 2)); // only source 1 reads the registry
    // Values of other types keep the constructor's mode and level mask.
    own.Set("Log Level", REG_SZ, "8", 2);
    own.Set("Log Mode", REG_BINARY, "\x08\0\0\0", 4);
    errorLogging.SetDword("Global ErrorLog Enabled", 0);
    EXPECT_EQ("4/0/0", Configured(4, 0, 1));
}

// What the loggers above do not show: the file target by itself, and the
// event-log numbering (Wine keeps no events to read back).
TEST(LoggingTargets, FileAndEventLog) {
    CaxLoggingTargetFile file;
    EXPECT_FALSE(file.Open(nullptr));
    ASSERT_TRUE(file.Open("h4File"));
    EXPECT_EQ(1, file.WriteRaw("raw", 3));
    file.Close();
    EXPECT_EQ("raw", runtime_test::TakeLogFile("h4File"));
    CaxLoggingTargetEventLog events;
    ASSERT_TRUE(events.Open("h4Events"));
    EXPECT_EQ(4, events.Write("text"));
    EXPECT_EQ(16, events.WriteRaw("sixteen bytes..", 16));
    EXPECT_EQ(1u, events.GetEventNumber());
}

TEST(LoggingTargets, MessageBoxesShowEachWriteUnderTheLoggersName) {
    hxtest::ModalBoxWatcher boxes("h4MsgBox");
    {
        CaxLogging log("h4MsgBox", 0, caxlogging::kModeMsgBox, 1, 0);
        log.SetPrefix("P::");
        EXPECT_EQ(5, log.Log(1, "%s", "hello"));
    }
    const std::vector<std::string> expected = {
        "\r\n\r\n***************************** h4MsgBox *****************************\r\n",
        "Error Level = 1\r\nError Mode  = 16\r\n\r\n", "Start Logging...\r\n\r\n", "P::", "hello"};
    EXPECT_EQ(expected, boxes.Stop());
}

TEST(LoggingTargets, ConsoleIsTitledMinimisedAnd512LinesHighUntilReleased) {
    char title[1024] = "";
    auto ConsoleTitle = [&title] { return std::string(title, GetConsoleTitleA(title, 1024)); };
    FreeConsole(); // the runner's console has no window
    {
        CaxLogging log("h4Console", 0, caxlogging::kModeConsole, 8, 0);
        auto* console = dynamic_cast<CaxLoggingTargetConsole*>(log.GetTarget());
        ASSERT_NE(nullptr, console);
        EXPECT_EQ("HXQ Message Console", ConsoleTitle());
        CONSOLE_SCREEN_BUFFER_INFO info;
        ASSERT_TRUE(GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info));
        EXPECT_EQ(512, info.dwSize.Y);
        EXPECT_EQ(7, info.wAttributes & 0xFF);
        EXPECT_TRUE(IsIconic(GetConsoleWindow()));
        // Finding the window borrows the title for a moment and gives it back.
        EXPECT_EQ(GetConsoleWindow(), console->FindConsoleWindow());
        EXPECT_EQ("HXQ Message Console", ConsoleTitle());
        EXPECT_EQ(7, log.Log(8, "%s\r\n", "hello"));
    }
    EXPECT_EQ(nullptr, GetConsoleWindow());
}

} // namespace
