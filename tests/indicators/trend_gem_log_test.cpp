// The log lines of the trend reversal and the pattern search, read back from a fresh log of
// this process, and what the in-process history stores for a bar.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "frame/exports.h"
#include "frame/log_state.h"
#include "frame/settings.h"
#include "indicators/pattern_search_history.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "support/files.h"
#include "support/fresh_log.h"

namespace vqm {
namespace {

class TrendGemLogTest : public ::testing::Test {
 protected:
  static constexpr const char* kLogPath = "C:/Database/VOVOD/logs/20290102/VQM_F1.log";

  test::FreshLog log_{"trendgem", test::MakeReading(2029, 1, 2, 3, 4, 5, 6)};

  // The lines after the opening line, without their line ends.
  static std::string Lines() {
    std::string log;
    test::ReadFileBytes(kLogPath, &log);
    std::istringstream in(log);
    std::string line, lines;
    std::getline(in, line);
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines += line + "\n";
    }
    return lines;
  }

};

TEST_F(TrendGemLogTest, TrendReversalLogsTheCreationOfASeries) {
  float position, width;
  // A long symbol is cut to ten columns; a refused date is logged by the date-time setter
  // before the series is made for it.
  VQM_TrendReversal(0, "TrendLogSymbolLong", 1290102, 930, 99, 5, 1.0f, 1.0f, 10, 120, &position,
                    &width);
  VQM_TrendReversal(0, "TRENDLOGSYMBOLLONG", 1290102, 931, 99, 5, 1.0f, 1.0f, 10, 120, &position,
                    &width);
  // A fresh series each run: a repeated test would find the first one as it was left.
  static int key2 = 12344;
  ++key2;
  VQM_TrendReversal(0, "TL", 2560102, 931, -3, key2, 1.0f, 1.0f, 20, 10, &position, &width);
  EXPECT_EQ(
      "TrendRev        |03:04:05.006a|AddSym (Ver=1.2c) ret=   0, Sym=TrendLogSy, Bar=99/  5, "
      "Fast=  10, Slow= 120, Steps=  11, Exp=0\n"
      "DateTime        |03:04:05.006 |Invalid Date: 21560102\n"
      "TrendRev        |03:04:05.006a|AddSym (Ver=1.2c) ret=   0, Sym=TL        , Bar=-3/" +
          std::to_string(key2) + ", Fast=  20, Slow=  10, Steps=  11, Exp=0\n",
      Lines());
}

TEST_F(TrendGemLogTest, PatternSearchLogsStartAddAndResult) {
  int v[5] = {10000, 10025, 10000, 10025, 77};
  int low2 = 9850, high2 = 10050, low3 = 9900, high3 = 10100;
  static int run = 0;
  const std::string symbol = "GemLog" + std::to_string(++run);
  EXPECT_EQ(1, VQM_FindGemAdd(0, symbol.c_str(), 1290102, 930, 100, &v[0], &v[1], &v[2], &v[3],
                              &v[4], -1002));
  EXPECT_EQ(2, VQM_FindGemAdd(0, ("GEMLOG" + std::to_string(run)).c_str(), 1290102, 931, 100, &v[0],
                              &high2, &low2, &v[3], &v[4], 5));
  EXPECT_EQ(3, VQM_FindGemAdd(0, ("gemlog" + std::to_string(run)).c_str(), 1290102, 932, 100, &v[0],
                              &high3, &low3, &v[3], &v[4], 5));
  float out[4];
  EXPECT_EQ(2, VQM_FindGemCalc(0, "", 1290102, 932, 0, &out[0], &out[1], &out[2], &out[3]));
  EXPECT_EQ(-1, VQM_FindGemCalc(0, "", 1290102, 931, 0, &out[0], &out[1], &out[2], &out[3]));
  EXPECT_EQ("DORVA_FUNC      |03:04:05.006a|LoadDB done, Sym=" + symbol +
                ", Date=20290102 (Mode=2, I=0, "
                "MaxPt=0. Scope=2, Version Nov 16 2015 12:20:12)\n"
                "FindGem         |03:04:05.006a|Add Max=   1 Idx=   0\n"
                "FindGem         |03:04:05.006a|Add Max=   2 Idx=   1\n"
                "FindGem         |03:04:05.006a|Add Max=   3 Idx=   2\n"
                "FindGem         |03:04:05.006a|ret=   2, Long=  150.0000+   100.0000-, "
                "Short=   74.8130+   174.5636-\n",
            Lines());

  // The bar as stored: prices divided by the divisor, the volume as it came.
  const CFindGemPoint* first = g_FindGemDB.points.GetAt(0);
  const float expected[5] = {100.0f, 100.25f, 100.0f, 100.25f, 77.0f};
  ASSERT_EQ(5, first->values.GetSize());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(expected[i], first->values.GetFltAt(i)) << i;
}

}  // namespace
}  // namespace vqm
