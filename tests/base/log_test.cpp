#include "base/log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/log_state.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "testing/fault_env.h"
#include "support/files.h"
#include "support/fresh_log.h"

namespace vqm {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// A process's first log call, seen again: the log state and path caches as at load, a
// host executable in a test directory and a clock stopped at 2031-05-17 14:03:07.218.
class LogTest : public ::testing::Test {
 protected:
  static constexpr const char* kLogPath = "C:/Database/VOVOD/logs/20310517/VQM_F1.log";

  LogTest()
      : log_("log", test::MakeReading(2031, 5, 17, 14, 3, 7, 218)),
        ini_(log_.directory() + "/bin/Host.ini") {}
  static void ResetLog() { test::ResetLogWriter(); }
  void SetTime(int h, int m, int sec, int ms) {
    test::SetClock(
        [=] { return test::MakeReading(2031, 5, 17, h, m, sec, ms); });
  }
  std::string LogContent() const { return log_.Content(); }

  test::FreshLog log_;
  std::string ini_;
};

TEST_F(LogTest, FirstCallCreatesSettingsAndOpensTheDaysLog) {
  EXPECT_EQ(0, LOGTRACE("FindGem", 1, "Add Max=%4d Idx=%4d", 1, 0));
  std::string ini;
  ASSERT_TRUE(ReadFileBytes(ini_, &ini));
  EXPECT_EQ(
      "[RELEASE]\r\nWriteLog=YES\r\n[SYS]\r\nLogFileAppend=YES\r\nLogShowTime=YES\r\n"
      "LogFileFlushOnEach=NO\r\n",
      ini);
  EXPECT_EQ(std::string("INIT            |14:03:07.218 |====== Opening ") + kLogPath +
                " ======\r\n"
                "FindGem         |14:03:07.218a|Add Max=   1 Idx=   0\r\n",
            LogContent());
}

TEST_F(LogTest, LineLayouts) {
  LOGTRACE("INIT", 0, "x");  // opens the log
  test::RemoveFile(kLogPath);
  LOGTRACE("*CLOSE", 0, "-");
  ASSERT_EQ(1, LOGTRACE("*OPENLOG", 1, "%s", kLogPath));
  struct Case {
    const char* category;
    LogLevel level;
    const char* message;
    const char* line;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQRST", 1, "cut", "ABCDEFGHIJKLMNOP|14:03:07.218a|cut\r\n"},
      {"abc", 2, "pad", "abc             |14:03:07.218b|pad\r\n"},
      {"UTC", 3, "c", "UTC             |14:03:07.218c|c\r\n"},
      {"L0", 0, "blank", "L0              |14:03:07.218 |blank\r\n"},
      {"Neg", -5, "blank", "Neg             |14:03:07.218 |blank\r\n"},
      {nullptr, 1, "no category", "14:03:07.218a|no category\r\n"},
      {"X", 1, "two\r\nwords\nand\r", "X               |14:03:07.218a|two++words+and+\r\n"},
      {"*CLOSELOG", 1, "ordinary", "*CLOSELOG       |14:03:07.218a|ordinary\r\n"},
  };
  std::string expected = std::string("INIT            |14:03:07.218 |====== Opening ") +
                         kLogPath + " ======\r\n";
  for (const Case& c : cases) {
    EXPECT_EQ(0, LOGTRACE(c.category, c.level, "%s", c.message));
    expected += c.line;
  }
  EXPECT_EQ(expected, LogContent());
}

TEST_F(LogTest, EmptyAndOversizedMessagesWriteNothing) {
  LOGTRACE("A", 1, "first");
  const std::string before = LogContent();
  EXPECT_EQ(0, LOGTRACE("A", 1, "%s", ""));
  EXPECT_EQ(-1, LOGTRACE("A", 1, "%s", std::string(10000, 'x').c_str()));
  EXPECT_EQ(before, LogContent());
  EXPECT_EQ(0, LOGTRACE("A", 1, "%s", std::string(9999, 'y').c_str()));
  EXPECT_EQ(before.size() + 16 + 1 + 14 + 9999 + 2, LogContent().size());
}

// A line a full disk cut short that cannot be cut off again: the next line, category and
// all, starts on a line of its own.
TEST_F(LogTest, ALineLeftPartialIsEndedBeforeTheNext) {
  struct NoTruncation : test::FaultEnv {
    bool TruncateFile(FILE*, long long) override { return false; }
  } faults;
  LOGTRACE("A", 1, "first");
  {
    test::ScopedEnv use(&faults);
    faults.FailAt(1);  // the next write stores half its bytes
    LOGTRACE("B", 1, "broken line");
  }
  LOGTRACE("C", 1, "next");
  const std::string content = LogContent();
  const std::string tail = "A               |14:03:07.218a|first\r\nB               |14:03\r\n"
                           "C               |14:03:07.218a|next\r\n";
  ASSERT_GE(content.size(), tail.size());
  EXPECT_EQ(tail, content.substr(content.size() - tail.size()));
}

TEST_F(LogTest, ControlTexts) {
  LOGTRACE("A", 1, "one");
  EXPECT_EQ(-1, LOGTRACE("*openlog", 0, "%s", kLogPath));  // already open
  EXPECT_EQ(0, LOGTRACE("*Flush", 0, "-"));
  EXPECT_EQ(0, LOGTRACE("*CLOSE", 0, "-"));
  const std::string closed = LogContent();
  EXPECT_EQ(0, LOGTRACE("A", 1, "dropped"));
  EXPECT_EQ(closed, LogContent());
  EXPECT_EQ(-2, LOGTRACE("*OPENLOG", 0, "%s", (log_.directory() + "/missing/dir/x.log").c_str()));
  const std::string other = log_.directory() + "/other.log";
  EXPECT_EQ(1, LOGTRACE("*OPENLOG", 0, "%s", other.c_str()));
  LOGTRACE("B", 1, "two");
  std::string s;
  ReadFileBytes(other, &s);
  EXPECT_EQ("INIT            |14:03:07.218 |====== Opening " + other +
                " ======\r\nB               |14:03:07.218a|two\r\n",
            s);
}

TEST_F(LogTest, SettingsSwitchTheLog) {
  WriteFileBytes(ini_, "[RELEASE]\r\nWriteLog=NO\r\n");
  EXPECT_EQ(0, LOGTRACE("A", 1, "dropped"));
  EXPECT_FALSE(test::FileExists(kLogPath));

  ResetLog();
  WriteFileBytes(ini_, "[SYS]\r\nLogShowTime=NO\r\n");
  WriteFileBytes(kLogPath, "previous run\r\n");
  LOGTRACE("A", 1, "appended");
  EXPECT_EQ(std::string("previous run\r\nINIT            |====== Opening ") + kLogPath +
                " ======\r\nA               |appended\r\n",
            LogContent());

  ResetLog();
  WriteFileBytes(ini_, "[SYS]\r\nLogFileAppend=NO\r\nLogShowTime=NO\r\n");
  LOGTRACE(nullptr, 1, "truncated");
  EXPECT_EQ(std::string("INIT            |====== Opening ") + kLogPath +
                " ======\r\ntruncated\r\n",
            LogContent());
}

TEST_F(LogTest, FlushRuleReadsItsSettingOnceAfterOpen) {
  WriteFileBytes(ini_, "[SYS]\r\nLogFileFlushOnEach=YES\r\n");
  LOGTRACE("A", 1, "x");
  EXPECT_EQ(1, TheLogState().flushOnEach);
  EXPECT_EQ(0, TheLogState().lineCounter);
  ResetLog();
  WriteFileBytes(ini_, "[SYS]\r\nLogFileFlushOnEach=NO\r\n");
  for (int i = 0; i < 20; ++i) LOGTRACE("A", 1, "x");
  EXPECT_EQ(20, TheLogState().lineCounter);
  LOGTRACE("A", 1, "x");  // the 21st line since the open flushes
  EXPECT_EQ(0, TheLogState().lineCounter);
  LOGTRACE("A", 1, "x");
  SetTime(14, 3, 18, 0);  // more than 10 seconds later
  LOGTRACE("A", 1, "x");
  EXPECT_EQ(0, TheLogState().lineCounter);
}

TEST_F(LogTest, FlushRuleWrapsWhenTheClockPassesTheLowBits) {
  LOGTRACE("A", 1, "x");
  // 2062: the low 32 bits of the time are negative, and their distance to 2031 does not fit.
  test::SetClock([] { return test::MakeReading(2062, 1, 1, 0, 0, 0); });
  LOGTRACE("A", 1, "x");
  EXPECT_EQ(0, TheLogState().lineCounter);
  EXPECT_EQ(static_cast<int>(static_cast<uint32_t>(2903299200u)), TheLogState().lastFlushTime);
}

}  // namespace
}  // namespace vqm
