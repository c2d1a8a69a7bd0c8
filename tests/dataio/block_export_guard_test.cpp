// In-process checks of what the bar exports leave in the log: the guard's failure text
// under "CSV2", and the date and time checks that still run when the file cannot be opened.
#include "base/lock_rule.h"
#include "dataio/block_export_guard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "base/log_state.h"
#include "frame/exports.h"
#include "support/files.h"
#include "support/fresh_log.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"

namespace vqm {
namespace {

// A fresh log at a stopped clock, read back line by line.
class BarExportLogTest : public ::testing::Test {
 protected:
  static constexpr const char* kLogPath = "C:/Database/VOVOD/logs/20330102/VQM_F1.log";
  ExportLock lock_;  // the block exports' guard needs the library lock

  void SetUp() override {
    int one = 1;
    VQM_SaveDataToCsv(0, "~start", 1240315, 930, 1, &one, &one, &one, &one, &one, 0);
    VQM_SaveDataToTxt(0, "~start", 1240315, 930, 1, &one, &one, &one, &one, &one, 0);
  }
  static void ResetLog() { test::ResetLogWriter(); }
  test::FreshLog log_{"csvlog", test::MakeReading(2033, 1, 2, 3, 4, 5, 6)};

  // The lines written so far, without the line that opens the log.
  static std::string Log() {
    ResetLog();  // closes the file, so that everything written is there to read
    std::string log;
    test::ReadFileBytes(kLogPath, &log);
    if (log.compare(0, 4, "INIT") == 0) log.erase(0, log.find('\n') + 1);
    return log;
  }
};

TEST_F(BarExportLogTest, UnexpectedFailureIsLoggedAndDescribed) {
  char errorText[33];
  memset(errorText, 'x', sizeof errorText);
  const int result = RunBlockExportGuarded(
      [](int& stage) -> int {
        CsvExportRun().Advance("GUARD");
        stage = 7;
        throw std::runtime_error("not ours");
      },
      errorText);
  EXPECT_EQ(1, result);  // the counter as it stands
  EXPECT_STREQ("Internal Error occured (State=7)", errorText);
  EXPECT_EQ(1, RunBlockExportGuarded([](int&) -> int { throw 5; }, nullptr));
  EXPECT_EQ(
      "CSV2            |03:04:05.006b|Internal Error occured (State=7)\r\n"
      "CSV2            |03:04:05.006b|Internal Error occured (State=1)\r\n",
      Log());
}

TEST_F(BarExportLogTest, LibraryExceptionsAreAbsorbedSilently) {
  char errorText[8] = "keep";
  // The row never reached the file: no counter that says it did.
  EXPECT_EQ(-10, RunBlockExportGuarded(
                   [](int& stage) -> int {
                     stage = 4;
                     throw new CSimpleException("disk full");
                   },
                   errorText));
  EXPECT_STREQ("keep", errorText);
  EXPECT_EQ(42, RunBlockExportGuarded([](int&) { return 42; }, errorText));
  EXPECT_STREQ("keep", errorText);
  EXPECT_EQ("", Log());
}

// The date and time are checked, and a bad one logged, before a failed open is answered.
TEST_F(BarExportLogTest, BadDatesAreLoggedEvenWhenTheFileFails) {
  std::vector<ValueBlock> block(16);
  WriteSlot(block.data(), 0, 1240315);
  WriteSlot(block.data(), 1, 2401);
  EXPECT_EQ(-10, VQM_SaveDataToCsv2("a/b", block.data(), nullptr));
  WriteSlot(block.data(), 0, -1);
  WriteSlot(block.data(), 1, 930);
  EXPECT_EQ(1, VQM_SaveDataToCsv2("ES", block.data(), nullptr));
  int v = 1;
  EXPECT_EQ(1, VQM_SaveDataToTxt(0, "ES", 2561231, 930, 1, &v, &v, &v, &v, &v, 0));
  EXPECT_EQ(1, VQM_SaveDataToCsv(0, "NQ", -1, 9999, 1, &v, &v, &v, &v, &v, 0));  // unchecked
  EXPECT_EQ(
      "DateTime        |03:04:05.006 |Invalid Time: 240100\r\n"
      "DateTime        |03:04:05.006 |Invalid Date: 18999999\r\n"
      "DateTime        |03:04:05.006 |Invalid Date: 21561231\r\n",
      Log());
}

}  // namespace
}  // namespace vqm
