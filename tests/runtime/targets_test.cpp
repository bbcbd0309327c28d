// Targets as Win32 shows them: the log file, event-log reports (Wine keeps
// no records, so only results and numbering are checked), message boxes
// closed by the container helpers' watcher, and the console.
#include "CaxLogging.h"
#include "ComTestSupport.h"
#include "RuntimeTestSupport.h"

namespace {

TEST(LoggingTargets, FileAndEventLogTargets) {
    CaxLoggingTargetFile file;
    EXPECT_FALSE(file.Open(nullptr));
    EXPECT_EQ(0, file.Write("x"));
    ASSERT_TRUE(file.Open("h4File"));
    EXPECT_STREQ("c:\\h4File.LOG", file.GetFileName().GetData());
    EXPECT_EQ(1, file.WriteRaw("raw", 3));
    EXPECT_EQ(2, file.Write("ab"));
    file.Close();
    EXPECT_EQ(0, file.Write("x"));
    EXPECT_EQ("rawab", runtime_test::TakeLogFile("h4File"));

    CaxLoggingTargetEventLog events;
    EXPECT_EQ(0, events.Write("closed"));
    ASSERT_TRUE(events.Open("h4Events"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(4, events.Write("text"));
    EXPECT_EQ(0u, events.GetEventNumber());
    EXPECT_EQ(16, events.WriteRaw("sixteen bytes..", 16));
    EXPECT_EQ(16, events.WriteRaw("sixteen bytes..", 16));
    EXPECT_EQ(2u, events.GetEventNumber());
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

std::string ConsoleTitle() {
    char title[1024] = "";
    GetConsoleTitleA(title, sizeof title);
    return title;
}

TEST(LoggingTargets, ConsoleIsTitledMinimisedAnd512LinesHighUntilReleased) {
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
        EXPECT_EQ(GetConsoleWindow(), console->FindConsoleWindow());
        EXPECT_EQ("HXQ Message Console", ConsoleTitle());
        EXPECT_EQ(7, log.Log(8, "%s\r\n", "hello"));
    }
    EXPECT_EQ(nullptr, GetConsoleWindow());
}

} // namespace
