// The log is written into a scratch start folder and read back as bytes. Japanese literals are
// compiled to CP932, as the log writes them.
#include "media/core/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "media/core/core_state.h"
#include "media/core/runtime_routines.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"
#include "support/log_reading.h"
#include "support/test_paths.h"

namespace zelvo {
namespace {

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pf::SetVirtualClock(true);
    folder_ = zelvo_test::MakeScratchFolderForCurrentTest();
    CopyString(g_runState.startFolder, pf::HostPathToWindows(folder_).c_str());
    g_startUpOptions.hosted = 0;
    SetLogOff(0);
    SetDatedLog(0);
    SetLogTimestampOff(0);
    StartLogFile();
    pf::testing::CaptureDebugOutput(true);
    pf::testing::TakeDebugOutput();
  }
  void TearDown() override {
    pf::testing::CaptureDebugOutput(false);
    pf::testing::ClearFaults();
    zelvo_test::RemoveFolderTree(folder_);
  }

  std::string ReadFile(const std::string& name = "Log.txt") const { return zelvo_test::ReadHostFile(folder_, name); }
  bool FileExists(const std::string& name = "Log.txt") const {
    return std::filesystem::exists(std::filesystem::path(folder_) / name);
  }
  std::string ReadUnstamped() const { return zelvo_test::MaskStamps(ReadFile()); }
  // A fresh empty log without stamps, for checking the text itself.
  void RestartWithoutStamps() {
    SetLogTimestampOff(1);
    StartLogFile();
  }

  std::string folder_;
};

TEST_F(LogTest, LineFeedsBecomeCrLfUntilACrLfIsMet) {
  struct Case { const char* text; const char* written; };
  const Case cases[] = {
      {"abc\n", "abc\r\n"},
      {"a\r\nb\nc", "a\r\nb\nc"},          // the first LF already has its CR: nothing converted
      {"\n", "\r\n"},
      {"x\ny\r\nz\n", "x\r\ny\r\nz\n"},
      {"no feed", "no feed"},
  };
  for (const Case& c : cases) {
    RestartWithoutStamps();
    EXPECT_EQ(WriteLogText(c.text), -1);
    EXPECT_EQ(ReadFile(), c.written) << c.text;
  }
}

TEST_F(LogTest, LongTextsConvertInATemporaryBlock) {
  const TrackedTotals before = TrackedAllocatorTotals();
  const std::string allFeeds(255, '\n');   // the longest text of the local buffer, every byte doubled
  std::string longText(300, 'a');
  longText.append("\n").append(100, 'b').append("\n");
  for (const std::string& text : {allFeeds, longText}) {
    RestartWithoutStamps();
    WriteLogText(text.c_str());
    std::string expected;
    for (char ch : text) {
      expected += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    }
    EXPECT_EQ(ReadFile(), expected);
  }
  EXPECT_EQ(TrackedAllocatorTotals().liveCount, before.liveCount);
  EXPECT_EQ(TrackedAllocatorTotals().liveBytes, before.liveBytes);
}

TEST_F(LogTest, StampAndIndentOnlyWhereANewLineStarts) {
  PushLogIndent();
  PushLogIndent();
  WriteLogText("x");
  WriteLogText("y\n");
  PopLogIndent();
  WriteLogText("z\n");
  PopLogIndent();
  PopLogIndent();   // never below 0
  WriteLogText("w\n");
  EXPECT_EQ(ReadUnstamped(), "T:\t\txy\r\nT:\tz\r\nT:w\r\n");
  // The debugger gets the TABs and the text, not the stamp.
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "\t\txy\r\n\tz\r\nw\r\n");
}

TEST_F(LogTest, StampIsMillisecondsSinceTheLogStart) {
  pf::testing::SetVirtualTime(100000);
  StartLogFile();
  pf::AdvanceVirtualClock(250);
  WriteLogText("a\n");
  const std::string text = ReadFile();
  ASSERT_EQ(zelvo_test::MaskStamps(text), "T:a\r\n");
  const int ms = std::stoi(text);
  EXPECT_GE(ms, 250);
  EXPECT_LE(ms, 253);
}

TEST_F(LogTest, FormatEndsTheLineAndIsCutAtItsBuffer) {
  RestartWithoutStamps();
  EXPECT_EQ(WriteLogFormat("%s:%d", "n", 7), -1);
  EXPECT_EQ(ReadFile(), "n:7\r\n");
  RestartWithoutStamps();
  const std::string huge(5000, 'q');
  WriteLogFormat("%s", huge.c_str());
  std::string cut(1023, 'q');
  cut.append("\r\n");
  EXPECT_EQ(ReadFile(), cut);
}

TEST_F(LogTest, JapaneseTextIsWrittenAsCp932) {
  RestartWithoutStamps();
  WriteLogText("ＣＯＭの初期化... ");
  WriteLogText("成功しました\n");
  EXPECT_EQ(ReadFile(), "\x82\x62\x82\x6e\x82\x6c\x82\xcc\x8f\x89\x8a\xfa\x89\xbb... "
                        "\x90\xac\x8c\xf7\x82\xb5\x82\xdc\x82\xb5\x82\xbd\r\n");
}

TEST_F(LogTest, StartingTheLogEmptiesTheFile) {
  WriteLogText("old\n");
  ASSERT_FALSE(ReadFile().empty());
  WriteLogText("open line");
  StartLogFile();
  EXPECT_TRUE(FileExists());
  EXPECT_EQ(ReadFile(), "");
  WriteLogText("new\n");   // the open line of before does not carry over
  EXPECT_EQ(ReadUnstamped(), "T:new\r\n");
}

TEST_F(LogTest, LogOffWritesNothingAnywhere) {
  std::filesystem::remove(std::filesystem::path(folder_) / "Log.txt");
  SetLogOff(1);
  EXPECT_EQ(StartLogFile(), 1);
  EXPECT_EQ(WriteLogText("hidden\n"), -1);
  WriteLogFormat("hidden %d", 1);
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
  SetLogOff(0);
  WriteLogText("shown\n");
  EXPECT_TRUE(FileExists());
}

TEST_F(LogTest, HostedLibraryWritesToTheDebuggerOnly) {
  std::filesystem::remove(std::filesystem::path(folder_) / "Log.txt");
  g_startUpOptions.hosted = 1;
  EXPECT_EQ(StartLogFile(), 1);
  WriteLogText("to debugger\n");
  g_startUpOptions.hosted = 0;
  EXPECT_FALSE(FileExists());
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "to debugger\r\n");
}

TEST_F(LogTest, DatedNameFromTheLocalTime) {
  std::filesystem::remove(std::filesystem::path(folder_) / "Log.txt");
  SetDatedLog(1);
  pf::SystemTime before{}, after{};
  pf::GetLocalTime(&before);
  StartLogFile();
  pf::GetLocalTime(&after);
  WriteLogText("dated\n");
  SetDatedLog(0);
  auto name = [](const pf::SystemTime& t) {
    char text[64];
    StringPrintf(text, sizeof text, "Log%d_%d_%d_%d_%d_%d.txt", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return std::string(text);
  };
  const bool found = FileExists(name(before)) || FileExists(name(after));
  EXPECT_TRUE(found) << name(before);
  EXPECT_FALSE(FileExists());
}

TEST_F(LogTest, NoStartFolderMeansNoFile) {
  g_runState.startFolder[0] = '\0';
  EXPECT_EQ(WriteLogText("lost\n"), -1);
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
  EXPECT_EQ(ReadFile(), "");
}

TEST_F(LogTest, UnopenableFileDropsTheTextSilently) {
  pf::testing::FailNextCalls("CreateFile", 1);
  WriteLogText("dropped\n");
  EXPECT_EQ(ReadFile(), "");
  EXPECT_EQ(pf::testing::TakeDebugOutput(), "");
  WriteLogText("kept\n");
  EXPECT_EQ(ReadUnstamped(), "T:kept\r\n");
}

TEST_F(LogTest, CurrentFolderIsRestoredAfterEachWrite) {
  const std::string elsewhere = zelvo_test::MakeScratchFolder("LogElsewhere");
  const std::string elsewhereWindows = pf::HostPathToWindows(elsewhere);
  ASSERT_TRUE(pf::SetCurrentDirectory(elsewhereWindows.c_str()));
  WriteLogText("here\n");
  char current[pf::kMaxPath];
  pf::GetCurrentDirectory(sizeof current, current);
  EXPECT_EQ(std::string(current), elsewhereWindows);
  EXPECT_EQ(ReadUnstamped(), "T:here\r\n");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(elsewhere) / "Log.txt"));
  zelvo_test::RemoveFolderTree(elsewhere);
}

TEST_F(LogTest, EmptyTextWritesNothing) {
  WriteLogText("");
  WriteLogText("a\n");
  EXPECT_EQ(ReadUnstamped(), "T:a\r\n");
}

// The fatal stop, in a child process: its text and a line feed reach the log, the shut-down hook
// runs once, and the process ends with -1 (status 255). A second stop inside the shut-down only
// logs its own text.
void ShutdownThatFailsAgain() {
  WriteLogText("shutdown ran\n");
  AbortWithLog("second stop");
}

TEST_F(LogTest, FatalStopLogsShutsDownAndExits) {
  RestartWithoutStamps();
  SetAbortShutdownHook(ShutdownThatFailsAgain);
  EXPECT_EXIT(AbortWithLogFormat("fatal %d", 42), ::testing::ExitedWithCode(255), "");
  SetAbortShutdownHook(nullptr);
  EXPECT_EQ(ReadFile(), "fatal 42\r\nshutdown ran\r\nsecond stop\r\n");
}

}  // namespace
}  // namespace zelvo
