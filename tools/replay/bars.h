// The chart the replay plays: bars read one at a time from a bar file, checked line by line.
//
// A header line names the columns (see bar_columns.h); without one a line holds
//   date, time, open, high, low, close, volume[, up-tick volume, down-tick volume].
// Fields are separated by commas, semicolons or tabs (the most used on the first line, or
// the one given); with semicolons or tabs a decimal comma is read as a point. Dates and
// times as bar_fields.h reads them; a file without times of day holds daily bars. Blank
// lines, lines starting with '#' and a repeat of the header line are skipped. Each bar's
// date and time must come after the previous bar's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bar_columns.h"
#include "bar_fields.h"
#include "line_reader.h"

namespace vqm::replay {

constexpr size_t kPriceText = 24;  // room for a price as written, with its terminating zero

struct Bar {
  int hostDate = 0;  // (year - 1900) x 10000 + month x 100 + day, as the host passes it
  int hostTime = 0;  // hour x 100 + minute; 0 for daily bars
  int second = 0;    // as written; the host's times stop at the minute
  // Prices as written (text and its length), as doubles, and as the 32-bit floats the
  // exports receive (rounded once from the text, not through the double). A price the file
  // lacks is the close.
  char text[4][kPriceText] = {};
  uint8_t textSize[4] = {};
  double open = 0, high = 0, low = 0, close = 0;
  float openF = 0, highF = 0, lowF = 0, closeF = 0;
  int volume = 0;
  float upVolume = 0, downVolume = 0;  // 0 when the file has no tick volumes
  int line = 0;                        // line number in the file, from 1
};

struct ReadOptions {
  char delimiter = 0;  // 0: detected
  DateOrder dateOrder = DateOrder::kAuto;
};

class BarReader {
 public:
  // A bar file, or standard input for "-".
  bool Open(const std::string& path, const ReadOptions& options, std::string* error);
  void OpenText(const char* text, size_t size, const std::string& source, const ReadOptions& options);

  // The next bar: 1 a bar, 0 the end (error set when the file held no bar), -1 a refusal:
  // error holds "<source>:<line>: [column N (name): ]<reason>".
  int Next(Bar* bar, std::string* error);

  // Known once the first bar is read.
  bool hasTickVolumes() const { return columns_[Role::kUp] >= 0 && columns_[Role::kDown] >= 0; }
  bool daily() const { return daily_; }
  const LineReader& lines() const { return lines_; }

 private:
  bool Start(std::string_view line, std::string* why);
  bool ToBar(int lineNumber, Bar* bar, std::string* error);
  std::string Where(int lineNumber, Role role) const;

  LineReader lines_;
  ReadOptions options_;
  std::vector<std::string_view> fields_;
  std::vector<std::string> names_;  // the header's, empty without one
  std::string header_;
  ColumnMap columns_;
  size_t widest_ = 0;  // fields a line needs for every column in use
  bool started_ = false;
  bool decimalComma_ = false;
  bool daily_ = false;
  int bars_ = 0;
  int lastDate_ = 0, lastTime_ = -1, lastLine_ = 0;
  char lastDateText_[16] = {};  // the last date field read (empty when longer), and what it held
  size_t lastDateSize_ = 0;
  Clock lastDateClock_;
};

// Every bar of a text, for tests and the bundled sample.
struct BarSeries {
  std::vector<Bar> bars;
  bool hasTickVolumes = false;
  bool daily = false;
};
bool ParseBars(const char* text, size_t size, const std::string& source, BarSeries* out,
               std::string* error, const ReadOptions& options = ReadOptions());

// Every bar of a file ("-": standard input), through the same streaming reader.
bool ReadBarFile(const std::string& path, BarSeries* out, std::string* error,
                 const ReadOptions& options = ReadOptions());

// Calendar date YYYYMMDD of a host date.
inline int CalendarDate(int hostDate) { return hostDate + 19000000; }

}  // namespace vqm::replay
