// The replay's outputs: the CSV rows of every call (ticks included) and the SVG chart.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bars.h"
#include "results.h"
#include "svg_chart.h"

namespace vqm::replay {
namespace {

BarSeries TwoBars() {
  BarSeries s;
  std::string error;
  const std::string text =
      "20240311,0700,5101.5,5102,5101,5101.25,5200,2080,3120\n"
      "20240311,0701,5101.25,5101.25,5100.5,5100.75,4994,2147,2847\n";
  EXPECT_TRUE(ParseBars(text.data(), text.size(), "t", &s, &error)) << error;
  return s;
}

std::string CsvText(const Results& r, bool tickVolumes) {
  FILE* f = tmpfile();
  EXPECT_TRUE(r.WriteCsv(f, tickVolumes));
  std::string text(static_cast<size_t>(ftell(f)), '\0');
  rewind(f);
  EXPECT_EQ(text.size(), fread(text.data(), 1, text.size(), f));
  fclose(f);
  return text;
}

TEST(ReplayCsv, OneRowPerCallWithEmptyCellsForOutputsNotMade) {
  const BarSeries chart = TwoBars();
  Results r(chart, 1);
  ASSERT_EQ(3u, r.rows().size());
  EXPECT_EQ(2, r.rows()[2].barNumber);
  EXPECT_EQ(1, r.rows()[2].tick);
  const size_t first = r.AddColumns({"x_result", "x_value"});
  r.RowCells(0, first)[0] = Cell::Int(-3);
  r.RowCells(1, first)[0] = Cell::Int(0);
  r.RowCells(1, first)[1] = Cell::Float(0.1f);
  r.RowCells(2, first)[1] = Cell::Float(1000000000.0f);
  EXPECT_EQ(1, r.ColumnIndex("x_value"));
  EXPECT_EQ(-1, r.ColumnIndex("y"));
  EXPECT_EQ(
      "bar,tick,date,time,open,high,low,close,volume,upvolume,downvolume,x_result,x_value\n"
      "1,0,20240311,0700,5101.5,5102,5101,5101.25,5200,2080,3120,-3,\n"
      "2,0,20240311,0701,5101.25,5101.25,5100.5,5100.75,4994,2147,2847,0,0.100000001\n"
      "2,1,20240311,0701,5101.25,5101.25,5100.5,5100.75,4994,2147,2847,,1e+09\n",
      CsvText(r, true));
  EXPECT_EQ(0u, CsvText(r, false).find("bar,tick,date,time,open,high,low,close,volume,x_result"));
}

TEST(ReplayChart, DrawsEveryPanelAndNotesWhatDidNotRun) {
  const BarSeries chart = TwoBars();
  ChartData d;
  d.title = "A&B <test>";
  d.bars = &chart.bars;
  d.average = {std::nullopt, 5101.0f};
  d.ribbon = {{5101.25, 5101.25}, {5100.75, 5101.0}};
  d.ribbonLabel = "ribbon";
  d.pressure = {0.5f, -0.25f};
  d.positionNote = "export VQM_TrendReversal missing from lib";
  const std::string svg = RenderSvg(d);
  EXPECT_EQ(0u, svg.find("<?xml"));
  EXPECT_NE(std::string::npos, svg.find("A&amp;B &lt;test&gt;"));
  EXPECT_EQ(std::string::npos, svg.find("A&B"));
  EXPECT_NE(std::string::npos,
            svg.find("VQM_TrendReversal not run: export VQM_TrendReversal missing from lib"));
  EXPECT_EQ(std::string::npos, svg.find("VQM_RareAvg not run"));
  EXPECT_NE(std::string::npos, svg.find("<polygon"));  // the ribbon band
  EXPECT_NE(std::string::npos, svg.find("stroke=\"#2e9e44\""));  // pressure above zero
  EXPECT_NE(std::string::npos, svg.find("stroke=\"#d0453a\""));  // and below
  EXPECT_EQ(svg.size() - 7, svg.rfind("</svg>\n"));
}

}  // namespace
}  // namespace vqm::replay
