// The replay's chart as an SVG file: the close with the regression average and the ribbon's
// bounds in the price panel, the trend-reversal position below it, and the buy/sell
// pressure in the lowest panel. A series that did not run leaves a note in its panel.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bars.h"
#include "ribbon.h"

namespace vqm::replay {

struct ChartData {
  std::string title;
  const std::vector<Bar>* bars = nullptr;
  std::vector<std::optional<float>> average;   // VQM_RareAvg per bar (failures left out)
  std::string averageNote;                     // why there is none
  std::vector<RibbonBounds> ribbon;            // per bar, see ribbon.h
  std::string ribbonLabel;
  std::vector<std::optional<float>> position;  // VQM_TrendReversal position per bar
  std::string positionNote;
  std::vector<std::optional<float>> pressure;  // VQM_BSPCalc pressure per bar
  std::string pressureNote;
};

std::string RenderSvg(const ChartData& data);

}  // namespace vqm::replay
