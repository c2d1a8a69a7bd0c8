#include "alerts/realtime_latch.h"

#include <gtest/gtest.h>

#include "frame/exports.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "support/library_under_test.h"

namespace vqm {
namespace {

// The latch as at load, with a clock the test moves.
class RealtimeLatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_RealtimeLatch = RealtimeLatch();
    At(0);
  }
  void TearDown() override {
    test::SetClock(nullptr);
    g_RealtimeLatch = RealtimeLatch();
  }
  // Seconds after 2031-12-31 23:59:58, so the stopwatch crosses midnight and a year.
  void At(int seconds) {
    test::SetClock([seconds] {
      return test::MakeReading(2031, 12, 31, 23, 59, 58 + seconds);
    });
  }
};

TEST_F(RealtimeLatchTest, RecordsTheFirstValueAfterTheThreshold) {
  struct Step {
    int at;
    int value;
    int threshold;
    int expected;
  } steps[] = {
      {0, 100, 5, -1},    {3, 101, 5, -1},    {5, 102, 5, -1},  // 5 seconds are not more than 5
      {6, 0, 5, -1},      {7, -3, 5, -1},                       // nothing recorded
      {8, 1234, 5, 1234}, {9, 999, 5, 1234},  {100, 7, -1, 1234},
  };
  for (const Step& s : steps) {
    At(s.at);
    EXPECT_EQ(s.expected, VQM_IfRealtime(s.value, s.threshold)) << "at " << s.at;
  }
}

TEST_F(RealtimeLatchTest, FirstCallsAndNegativeThresholds) {
  EXPECT_EQ(-1, VQM_IfRealtime(10, 0));  // no time has elapsed
  g_RealtimeLatch = RealtimeLatch();
  EXPECT_EQ(10, VQM_IfRealtime(10, -1));  // 0 seconds are more than -1
}

TEST(RealtimeLatchLibrary, FreshLibraryStartsItsOwnStopwatch) {
  test::LoadedLibrary library;
  ASSERT_TRUE(library.ok()) << library.error();
  EXPECT_EQ(-1, library.exports().VQM_IfRealtime(42, 3600));
  EXPECT_EQ(-1, library.exports().VQM_IfRealtime(0, -1));
  EXPECT_EQ(43, library.exports().VQM_IfRealtime(43, -1));
  EXPECT_EQ(43, library.exports().VQM_IfRealtime(44, -1));
}

}  // namespace
}  // namespace vqm
