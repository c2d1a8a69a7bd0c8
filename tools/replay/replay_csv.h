// The replay's CSV: one row per call (every bar, then the ticks of the last bar), written as
// the calls are made. Columns: timestamp (ISO 8601), line (the bar's line in the bar file),
// bar, tick, the bar's prices as written and its volumes, then every output of the runners
// that ran; an output a call did not give is an empty field. Numbers are written in the
// shortest form that reads back exactly, the same bytes on every platform.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "bars.h"
#include "runner.h"

namespace vqm::replay {

class ReplayCsv {
 public:
  // Takes the file (closed by Close) and writes the header.
  ReplayCsv(FILE* file, bool tickVolumes, bool daily, const std::vector<std::string>& columns);
  ~ReplayCsv();
  void Row(const Bar& bar, int barNumber, int tick, const Cell* cells);
  // Writes the rows held so far.
  void Flush();
  // Flushes and closes; false on any write error.
  bool Close();

 private:
  FILE* file_;
  bool tickVolumes_, daily_;
  size_t columns_;
  std::vector<char> buffer_;  // rows not yet written, from the start to used_
  size_t used_ = 0;
  size_t rowLimit_;           // the longest row can take
  bool failed_ = false;
  static constexpr size_t kDateSize = 10;  // YYYY-MM-DD
  int textDate_ = -1;                      // the host date whose text dateText_ holds
  char dateText_[16] = {};
};

}  // namespace vqm::replay
