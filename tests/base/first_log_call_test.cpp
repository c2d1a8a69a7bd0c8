// A host process's first log call, through a freshly loaded library: the settings file beside
// the host executable is created with its defaults and the day's log opens with its "INIT"
// line, followed by the line of that first call.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/files.h"
#include "support/library_under_test.h"

namespace vqm {
namespace {

std::string ExecutableDirectory() {
  const std::string exe = platform::ExecutablePath();
  return exe.substr(0, exe.find_last_of("/\\"));
}

std::string ExecutableStem() {
  std::string exe = platform::ExecutablePath();
  exe = exe.substr(exe.find_last_of("/\\") + 1);
  return exe.substr(0, exe.find_last_of('.') == std::string::npos ? exe.size()
                                                                  : exe.find_last_of('.'));
}

TEST(FirstLogCall, CreatesTheSettingsFileAndOpensTheDaysLog) {
  const std::string ini = ExecutableDirectory() + "/" + ExecutableStem() + ".ini";
  test::RemoveFile(ini);
  test::LibraryCopy copy("FIRSTLOG");
  test::LoadedLibrary library(copy.path());
  ASSERT_TRUE(library.ok()) << library.error();

  const platform::ClockReading now = platform::Now();
  char day[16];
  snprintf(day, sizeof day, "%04d%02d%02d", now.local.year, now.local.month, now.local.day);
  const std::string logPath = std::string("C:/Database/VOVOD/logs/") + day + "/VQM_F1.log";
  std::string before;
  test::ReadFileBytes(logPath, &before);

  const std::string symbol = "FIRSTLOG" + std::to_string(now.unixSeconds);
  library.exports().VQM_RareAvg(symbol.c_str(), 10, 0, 1.0f, 1240315, 930, 0, 0, 1, 0, 1);

  std::string settings;
  ASSERT_TRUE(test::ReadFileBytes(ini, &settings)) << ini;
  EXPECT_EQ(0u, settings.find("[RELEASE]\r\nWriteLog=YES\r\n")) << settings;
  std::string log;
  ASSERT_TRUE(test::ReadFileBytes(logPath, &log)) << logPath;
  ASSERT_GT(log.size(), before.size());
  const std::string added = log.substr(before.size());
  const std::string opening = "====== Opening " + logPath + " ======\r\n";
  const size_t open = added.find(opening);
  ASSERT_NE(std::string::npos, open) << added;
  EXPECT_EQ(0u, added.find("INIT            |")) << added;
  const size_t first = open + opening.size();
  // The next line is the call's own: no category, the time prefix "HH:MM:SS.mmma" and a bar.
  EXPECT_EQ(first + 13, added.find("|RareAvg: Initializing Sym=" + symbol, first)) << added;
}

}  // namespace
}  // namespace vqm
