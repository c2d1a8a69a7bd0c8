#include "results.h"

#include "tally.h"

namespace vqm::replay {

Results::Results(const BarSeries& chart, int ticks) {
  const int n = static_cast<int>(chart.bars.size());
  rows_.reserve(static_cast<size_t>(n + ticks));
  for (int i = 0; i < n; ++i) rows_.push_back({&chart.bars[static_cast<size_t>(i)], i + 1, 0});
  for (int t = 1; t <= ticks && n > 0; ++t) rows_.push_back({&chart.bars.back(), n, t});
  cells_.resize(rows_.size());
}

size_t Results::AddColumns(const std::vector<std::string>& names) {
  const size_t first = names_.size();
  names_.insert(names_.end(), names.begin(), names.end());
  for (auto& row : cells_) row.resize(names_.size());
  return first;
}

int Results::ColumnIndex(const std::string& name) const {
  for (size_t i = 0; i < names_.size(); ++i)
    if (names_[i] == name) return static_cast<int>(i);
  return -1;
}

bool Results::WriteCsv(FILE* file, bool tickVolumes) const {
  fputs("bar,tick,date,time,open,high,low,close,volume", file);
  if (tickVolumes) fputs(",upvolume,downvolume", file);
  for (const std::string& name : names_) fprintf(file, ",%s", name.c_str());
  fputc('\n', file);
  for (size_t r = 0; r < rows_.size(); ++r) {
    const Row& row = rows_[r];
    const Bar& b = *row.bar;
    fprintf(file, "%d,%d,%08d,%04d,%s,%s,%s,%s,%d", row.barNumber, row.tick,
            CalendarDate(b.hostDate), b.hostTime, FloatText(b.openF).c_str(),
            FloatText(b.highF).c_str(), FloatText(b.lowF).c_str(), FloatText(b.closeF).c_str(),
            b.volume);
    if (tickVolumes)
      fprintf(file, ",%s,%s", FloatText(b.upVolume).c_str(), FloatText(b.downVolume).c_str());
    for (const Cell& c : cells_[r]) {
      if (c.kind == Cell::kInt)
        fprintf(file, ",%d", c.i);
      else if (c.kind == Cell::kFloat)
        fprintf(file, ",%s", FloatText(c.f).c_str());
      else
        fputc(',', file);
    }
    fputc('\n', file);
  }
  return ferror(file) == 0;
}

}  // namespace vqm::replay
