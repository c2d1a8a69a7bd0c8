// The chart the replay plays: bars read from a CSV bar file, checked line by line.
//
// Layout, one bar a line, fields separated by commas:
//   date, time, open, high, low, close, volume[, up-tick volume, down-tick volume]
// date as YYYYMMDD or YYYY-MM-DD, time as HHMM or HH:MM; volumes are whole numbers (the
// tick volumes may carry decimals). Blank lines and lines starting with '#' are skipped; a
// first line whose first field starts with a letter is a header. Every bar needs the same
// number of fields, and its date and time must come after the previous bar's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vqm::replay {

struct Bar {
  int hostDate = 0;  // (year - 1900) x 10000 + month x 100 + day, as the host passes it
  int hostTime = 0;  // hour x 100 + minute
  // Prices as written, and as the 32-bit floats the exports receive (rounded once from
  // the text, not through the double).
  double open = 0, high = 0, low = 0, close = 0;
  float openF = 0, highF = 0, lowF = 0, closeF = 0;
  int volume = 0;
  float upVolume = 0, downVolume = 0;  // 0 when the file has no tick volumes
  int line = 0;                        // line number in the file, from 1
};

struct BarSeries {
  std::vector<Bar> bars;
  bool hasTickVolumes = false;
};

// Reads the bars from text. On failure returns false and sets error to one line:
// "<source>:<line>: <reason>".
bool ParseBars(const char* text, size_t size, const std::string& source, BarSeries* out,
               std::string* error);

// Reads a bar file; a file that cannot be opened is reported as "<path>: cannot open (...)".
bool ReadBarFile(const std::string& path, BarSeries* out, std::string* error);

// The longest line a bar file may hold.
constexpr size_t kMaxBarLine = 4096;

// Calendar date YYYYMMDD of a host date.
inline int CalendarDate(int hostDate) { return hostDate + 19000000; }

}  // namespace vqm::replay
