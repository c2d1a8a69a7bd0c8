// The replay's chart as an SVG file: the price (candles while bars are few, otherwise each
// pixel column's range and close) with the regression average and the ribbon's bounds, and
// a panel below it for each indicator that ran: the trend-reversal position, the ribbon's
// width, the buy/sell pressure and the pattern search's excursions. One time axis at the
// bottom, its labels spaced by minutes, hours, days, weeks, months or years as the span
// asks, never overlapping.
#pragma once

#include <string>

#include "chart_data.h"

namespace vqm::replay {

// The plot's width in pixels: ChartData pools bars down to this many columns or twice that.
constexpr size_t kPlotWidth = 1296;

struct ChartPanels {
  bool average = false;   // VQM_RareAvg ran
  bool ribbon = false;    // the ribbon bounds are drawn (VQM_TrendReversal ran with a ribbon)
  bool trendrev = false;  // position and width panels
  bool pressure = false;
  bool findgem = false;
  std::string ribbonLabel;
};

std::string RenderSvg(const ChartData& data, const std::string& title, const ChartPanels& panels);

// Text of a chart label with its left edge, as RenderSvg places the time axis, for checks.
struct AxisLabel {
  double x;
  double width;  // estimated from the text's length
  std::string text;
};
std::vector<AxisLabel> TimeAxis(const std::vector<Column>& columns);

}  // namespace vqm::replay
