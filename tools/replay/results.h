// What the replay's calls returned: one row per call (every bar, then the ticks of the last
// bar), one column per output of the runners that ran.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "runner.h"

namespace vqm::replay {

struct Row {
  const Bar* bar;
  int barNumber;
  int tick;
};

class Results {
 public:
  Results(const BarSeries& chart, int ticks);

  const std::vector<Row>& rows() const { return rows_; }
  // Adds the columns of a runner; returns the index of its first column.
  size_t AddColumns(const std::vector<std::string>& names);
  Cell* RowCells(size_t row, size_t firstColumn) { return &cells_[row][firstColumn]; }
  // Index of a column, or -1.
  int ColumnIndex(const std::string& name) const;
  const Cell& At(size_t row, size_t column) const { return cells_[row][column]; }

  // Writes the table as CSV ("\n" line ends, numbers in fixed formats, so the bytes are the
  // same on every platform). False on a write error.
  bool WriteCsv(FILE* file, bool tickVolumes) const;

 private:
  std::vector<Row> rows_;
  std::vector<std::string> names_;
  std::vector<std::vector<Cell>> cells_;  // by row, then column
};

}  // namespace vqm::replay
