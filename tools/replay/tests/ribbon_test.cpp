// The chart's ribbon bounds are the replay's own simple averages; they must describe the
// ribbon that VQM_TrendReversal measures: the same lengths, and a width that agrees with
// the one the export returns.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bars.h"
#include "frame/exports.h"
#include "ribbon.h"
#include "sample_bars.h"

namespace vqm::replay {
namespace {

TEST(RibbonBounds, LengthsStepByAnEleventhOfTheSpan) {
  const struct {
    int fast, slow;
    std::vector<int> lengths;
  } cases[] = {
      {10, 120, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}},
      {10, 100, {10, 18, 26, 34, 42, 50, 58, 66, 74, 82, 90, 98}},
      {10, 15, {10, 11, 12, 13, 14, 15}},  // a span below 11 steps by 1
      {10, 10, {10}},
      {20, 10, {}},
      {0, 10, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.lengths, RibbonLengths(c.fast, c.slow)) << c.fast << ".." << c.slow;
}

TEST(RibbonBounds, EachAverageIsTheMeanOfTheClosesItHolds) {
  BarSeries s;
  std::string error;
  const std::string text =
      "20240311,0700,1,1,1,1,1\n20240311,0701,3,3,3,3,1\n20240311,0702,8,8,8,8,1\n";
  ASSERT_TRUE(ParseBars(text.data(), text.size(), "t", &s, &error)) << error;
  const std::vector<RibbonBounds> b = ComputeRibbonBounds(s.bars, {1, 2, 3});
  ASSERT_EQ(3u, b.size());
  EXPECT_EQ(1.0, b[0].low);
  EXPECT_EQ(1.0, b[0].high);
  EXPECT_EQ(2.0, b[1].low);   // mean of 1 and 3
  EXPECT_EQ(3.0, b[1].high);  // the close itself
  EXPECT_EQ(4.0, b[2].low);   // mean of 1, 3, 8
  EXPECT_EQ(8.0, b[2].high);
}

TEST(RibbonBounds, AgreeWithTheWidthOfTheTrendReversalOverTheSample) {
  BarSeries s;
  std::string error;
  ASSERT_TRUE(ParseBars(kSampleBars, kSampleBarsSize, "sample", &s, &error)) << error;
  const std::vector<RibbonBounds> bounds = ComputeRibbonBounds(s.bars, RibbonLengths(10, 120));
  int widths = 0;
  for (size_t i = 0; i < s.bars.size(); ++i) {
    const Bar& bar = s.bars[i];
    float position = 0, width = 0;
    const int result = VQM_TrendReversal(0, "RIBBONCHECK", bar.hostDate, bar.hostTime, 1, 0,
                                         bar.closeF, 1.0f, 10, 120, &position, &width);
    ASSERT_GE(result, 0);
    const double drawn = 10000 * (bounds[i].high - bounds[i].low) / bounds[i].low;
    // Single-precision averages against double ones: a few parts in a million of a price.
    EXPECT_NEAR(drawn, width, 0.01) << "bar " << i + 1;
    // Where the export puts the close outside the ribbon, so do the drawn bounds (with the
    // same tolerance at the edge).
    if (result == 1) {
      EXPECT_LT(bar.close, bounds[i].low + 0.01) << "bar " << i + 1;
    } else if (result == 2) {
      EXPECT_GT(bar.close, bounds[i].high - 0.01) << "bar " << i + 1;
    }
    widths += width > 0;
  }
  EXPECT_GT(widths, 3000);
}

}  // namespace
}  // namespace vqm::replay
