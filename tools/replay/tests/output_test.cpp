// The replay's outputs: the CSV rows of every call (ticks included) and the SVG chart.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "bars.h"
#include "chart_data.h"
#include "replay_csv.h"
#include "shortest_float.h"
#include "svg_chart.h"

namespace vqm::replay {
namespace {

std::string ReadBack(FILE* f) {
  std::string text(static_cast<size_t>(ftell(f)), '\0');
  rewind(f);
  EXPECT_EQ(text.size(), fread(text.data(), 1, text.size(), f));
  return text;
}

TEST(ReplayCsv, OneRowPerCallWithPricesAsWrittenAndEmptyFieldsForNoResult) {
  BarSeries s;
  std::string error;
  const std::string text =
      "Date,Time,Open,High,Low,Close,Volume,Up,Down\n"
      "20240311,0700,5101.50,5102,5101,5101.25,5200,2080,3120\n"
      "# a comment\n"
      "20240311,07:01:30,5101.3,5101.3,5100.5,5100.75,4994,2147.5,2847\n";
  ASSERT_TRUE(ParseBars(text.data(), text.size(), "t", &s, &error)) << error;
  FILE* f = tmpfile();
  ReplayCsv csv(f, true, false, {"x_result", "x_value"});
  Cell cells[2];
  cells[0] = Cell::Int(-3);
  cells[1] = Cell::Float(NAN);
  csv.Row(s.bars[0], 1, 0, cells);
  cells[0] = Cell::Int(0);
  cells[1] = Cell::Float(0.1f);
  csv.Row(s.bars[1], 2, 0, cells);
  cells[0] = Cell();
  cells[1] = Cell::Float(1e9f);
  csv.Row(s.bars[1], 2, 1, cells);
  csv.Flush();
  fflush(f);
  EXPECT_EQ(
      "timestamp,line,bar,tick,open,high,low,close,volume,upvolume,downvolume,x_result,x_value\n"
      "2024-03-11T07:00:00,2,1,0,5101.50,5102,5101,5101.25,5200,2080,3120,-3,\n"
      "2024-03-11T07:01:30,4,2,0,5101.3,5101.3,5100.5,5100.75,4994,2147.5,2847,0,0.1\n"
      "2024-03-11T07:01:30,4,2,1,5101.3,5101.3,5100.5,5100.75,4994,2147.5,2847,,1e+09\n",
      ReadBack(f));
  EXPECT_TRUE(csv.Close());

  // Daily bars: a date alone; a file without tick volumes leaves their columns out.
  const std::string daily = "Date,Close\n2024-03-11,7.25\n";
  ASSERT_TRUE(ParseBars(daily.data(), daily.size(), "d", &s, &error)) << error;
  f = tmpfile();
  ReplayCsv dcsv(f, false, true, {});
  dcsv.Row(s.bars[0], 1, 0, nullptr);
  dcsv.Flush();
  fflush(f);
  EXPECT_EQ("timestamp,line,bar,tick,open,high,low,close,volume\n"
            "2024-03-11,2,1,0,7.25,7.25,7.25,7.25,0\n",
            ReadBack(f));
  EXPECT_TRUE(dcsv.Close());

  // Floats go through the replay's own writer: the bytes of std::to_chars on both builds.
  // Each power of two it handles with its neighbours, then bit patterns across its range.
  std::vector<float> floats;
  for (int e = -21; e <= 24; ++e) {
    const float two = std::ldexp(1.0f, e);
    floats.insert(floats.end(), {two, std::nextafter(two, 0.0f), std::nextafter(two, INFINITY), -two});
  }
  for (uint32_t bits = 0x35000000u; bits < 0x4b800000u; bits += 9973u) {
    float v;
    memcpy(&v, &bits, sizeof v);
    floats.push_back(v);
  }
  for (const float v : floats) {
    char want[64], got[kShortestFloatRoom + 1];
    *std::to_chars(want, want + sizeof want, v).ptr = '\0';
    *WriteShortest(got, v) = '\0';
    ASSERT_STREQ(want, got);
  }
}

// Bars one step apart from 2 January 2023 (one minute or one day), a slow wave with one
// spike that pooling must keep.
ChartData MakeChart(size_t bars, bool daily, size_t spikeAt) {
  ChartData chart(kPlotWidth);
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2023, month = 1, day = 2, minute = 0;
  for (size_t i = 0; i < bars; ++i) {
    Bar b;
    b.hostDate = (year - 1900) * 10000 + month * 100 + day;
    b.hostTime = daily ? 0 : minute / 60 * 100 + minute % 60;
    b.close = b.open = 100 + 10 * std::sin(static_cast<double>(i) / 5000.0);
    b.high = b.close + (i == spikeAt ? 50 : 0.5);
    b.low = b.close - 0.5;
    float values[kSeriesCount];
    for (float& v : values) v = static_cast<float>(b.close);
    values[kPressure] = i % 2 ? 1.0f : -1.0f;
    chart.Add(b, values);
    if (daily || ++minute == 1440) {
      minute = 0;
      const int last = kDays[month - 1] + (month == 2 && year % 4 == 0);
      if (++day > last) {
        day = 1;
        if (++month > 12) month = 1, ++year;
      }
    }
  }
  return chart;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(ReplayChart, ReadsAtEverySpan) {
  const struct {
    size_t bars;
    bool daily;
    bool candles;
    size_t maxDaySeparators;
    const char* firstLabel;
  } cases[] = {
      {250, true, true, 0, "Jan 2023"},            // daily: months, no separators
      {3600, false, false, 3, "Jan 2 00:00"},      // minutes: hours, a separator a day
      {1000000, false, false, 0, "Jan 2023"},      // two years of minutes: months
  };
  for (const auto& c : cases) {
    const size_t spike = c.bars / 3;
    const ChartData chart = MakeChart(c.bars, c.daily, spike);
    EXPECT_EQ(c.bars, chart.bars());
    EXPECT_LE(chart.columns().size(), 2 * kPlotWidth);
    // Pooling keeps every bar's extremes.
    double high = 0;
    for (const Column& col : chart.columns()) high = std::max(high, col.high);
    EXPECT_EQ(chart.columns().size() > 0 ? 100 + 10 * std::sin(spike / 5000.0) + 50 : 0, high);

    const std::vector<AxisLabel> labels = TimeAxis(chart.columns());
    ASSERT_GE(labels.size(), 3u) << c.bars;
    EXPECT_LE(labels.size(), 12u) << c.bars;
    EXPECT_EQ(c.firstLabel, labels[0].text) << c.bars;
    for (size_t i = 1; i < labels.size(); ++i)
      EXPECT_LT(labels[i - 1].x + labels[i - 1].width, labels[i].x) << c.bars << ": " << labels[i].text;

    ChartPanels panels;
    panels.average = panels.pressure = true;
    const std::string svg = RenderSvg(chart, "A&B <test>", panels);
    EXPECT_LT(svg.size(), 2u * 1024 * 1024) << c.bars;
    EXPECT_EQ(labels.size(), Count(svg, "class=\"time\"")) << c.bars;
    EXPECT_LE(Count(svg, "class=\"day\""), c.maxDaySeparators) << c.bars;
    EXPECT_EQ(c.candles, Count(svg, "class=\"candles\"") == 2) << c.bars;
    // The price panel and the pressure's; none for what did not run.
    EXPECT_EQ(2u, Count(svg, "fill=\"#fcfcfc\"")) << c.bars;
    EXPECT_NE(std::string::npos, svg.find("VQM_BSPCalc buy/sell pressure"));
    EXPECT_EQ(std::string::npos, svg.find("VQM_TrendReversal"));
    EXPECT_EQ(std::string::npos, svg.find("VQM_FindGemCalc"));
    EXPECT_NE(std::string::npos, svg.find("A&amp;B &lt;test&gt;"));
    EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
  }
}

}  // namespace
}  // namespace vqm::replay
