// CaxLogging through the targets it makes: the file (read back after the
// logger is gone) and the trace sink (which reports lengths).
#include "CaxLogging.h"
#include "RuntimeTestSupport.h"

#include <memory>

namespace {

using runtime_test::TakeLogFile;

const std::string kBanner = "\r\n\r\n***************************** h4Banner "
                            "*****************************\r\nError Level = 8\r\nError Mode  = "
                            "1\r\n\r\nStart Logging...\r\n\r\n";

TEST(Logging, BannerOnceAppendedPrefixedAndFilteredBeforeFormatting) {
    {
        std::ofstream earlier(runtime_test::LogFilePath("h4Banner"), std::ios::binary);
        earlier << "earlier run\r\n";
    }
    {
        CaxLogging first("h4Banner", 0, caxlogging::kModeFile, 8, 0);
        CaxLogging second("h4Banner", 0, caxlogging::kModeFile, 8, 0);
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
    // The log file is a text-mode stream: each line feed reaches the disk as
    // CR LF, so the banner's "\r\n" reads back as "\r\r\n".
    std::string expected = kBanner + "h4Banner::Start: thread started...\r\nn=42\r\n";
    for (auto at = expected.find('\n'); at != std::string::npos; at = expected.find('\n', at + 2))
        expected.insert(at, "\r");
    EXPECT_EQ("earlier run\r\n" + expected, TakeLogFile("h4Banner"));
}

TEST(Logging, SharesByExactNameAndKeepsTheGlobalTargetAlive) {
    const std::uint32_t live = CaxLogging::GetLiveLoggerCount();
    ASSERT_EQ(0u, CaxLogging::GetRegisteredTargetCount());
    auto first = std::make_unique<CaxLogging>("h4Share", 0, caxlogging::kModeTrace, 8, 0);
    CaxLogging upper("h4SHARE", 0, caxlogging::kModeTrace, 8, 0);
    EXPECT_NE(first->GetTarget(), upper.GetTarget());
    EXPECT_EQ(first->GetTarget(), CaxLogging::GetGlobalTarget());
    {
        CaxLogging global("h4Other", 0, caxlogging::kModeConsole, 8, 1);
        EXPECT_EQ(first->GetTarget(), global.GetTarget());
        EXPECT_EQ(2u, global.GetTarget()->GetReferenceCount());
        EXPECT_EQ(live + 3, CaxLogging::GetLiveLoggerCount());
    }
    // The global target goes: the next registered one takes its place.
    first.reset();
    EXPECT_EQ(1u, CaxLogging::GetRegisteredTargetCount());
    EXPECT_EQ(upper.GetTarget(), CaxLogging::GetGlobalTarget());
    CaxLogging global("h4Other", 0, caxlogging::kModeTrace, 8, 1);
    EXPECT_EQ(upper.GetTarget(), global.GetTarget());
    EXPECT_EQ(5, global.Log(8, "%s", "hello"));
}

TEST(Logging, LinesAndPrefixesAreCutAt1023Characters) {
    CaxLogging log("h4Bound", 0, caxlogging::kModeTrace, 8, 0);
    const std::string longText(3000, 'x');
    EXPECT_EQ(1023, log.Log(8, "%s%s", longText.c_str(), "tail"));
    EXPECT_EQ(1023, log.SetPrefix("%s", longText.c_str()));
    EXPECT_EQ(5, log.Log(8, "short"));
}

TEST(Logging, ModesWithoutAWorkingTarget) {
    const std::uint32_t registered = CaxLogging::GetRegisteredTargetCount();
    CaxLogging unknown("h4Mode3", 0, 3, 1, 0);
    EXPECT_EQ(nullptr, unknown.GetTarget());
    EXPECT_FALSE(unknown.StartLogging());
    EXPECT_EQ(0, unknown.Log(1, "nothing"));
    EXPECT_EQ(registered, CaxLogging::GetRegisteredTargetCount());

    CaxLogging none("h4Mode0", 0, caxlogging::kModeNone, 0, 0);
    EXPECT_EQ(nullptr, none.GetTarget());
    EXPECT_FALSE(none.StartLogging());
    ASSERT_NE(nullptr, none.GetTarget());
    EXPECT_FALSE(none.GetTarget()->IsOpened());
    EXPECT_TRUE(none.StartLogging());
    none.StopLogging();
    EXPECT_EQ(registered, CaxLogging::GetRegisteredTargetCount());
}

TEST(Logging, AFileThatCannotBeOpenedThrowsAndLeavesNothingBehind) {
    const std::uint32_t live = CaxLogging::GetLiveLoggerCount();
    const std::uint32_t registered = CaxLogging::GetRegisteredTargetCount();
    try {
        CaxLogging log("h4-no-such-dir\\x", 0, caxlogging::kModeFile, 1, 0);
        ADD_FAILURE() << "no exception";
    } catch (const axIO::CaxIOException& e) {
        EXPECT_EQ(2u, e.GetCode());
        EXPECT_EQ(442u, e.GetLine());
        EXPECT_STREQ("..\\..\\src\\CaxLogging", e.GetFile());
    }
    EXPECT_EQ(live, CaxLogging::GetLiveLoggerCount());
    EXPECT_EQ(registered, CaxLogging::GetRegisteredTargetCount());
}

} // namespace
