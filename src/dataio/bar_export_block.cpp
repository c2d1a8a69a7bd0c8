// VQM_SaveDataToCsv2: the configurable sibling of VQM_SaveDataToCsv. The script hands over
// one bar and the layout options in a value block; the bar goes into the same per-symbol
// CSV file, counted on the same CSV run, with optional symbol and time columns, the date and
// time as calendar texts or numbers, and the up-tick and down-tick volumes as two columns
// or their sum.
#include <string>

#include "dataio/bar_file.h"
#include "dataio/block_export_guard.h"
#include "dataio/export_run.h"
#include "dataio/get_field.h"
#include "dataio/text_string.h"
#include "datetime/date_time.h"
#include "frame/exports.h"
#include "frame/value_block.h"

namespace vqm {
namespace {

// Slots of the value block; 7 to 10 carry nothing read here.
enum Slot {
  kDate = 0,      // YYYMMDD, the year counted from 1900
  kTime = 1,      // HHMM
  kOpen = 2,
  kHigh = 3,
  kLow = 4,
  kClose = 5,
  kVolumeUp = 6,
  kVolumeDown = 11,
  kAppend = 12,      // > 0: a symbol's first row keeps the existing file
  kTimeColumn = 13,  // > 0: write the Time column
  kSymbolColumn = 14,  // > 0: write the quoted symbol first
  kLayout = 15,
};

// Layout 0: MM/DD/YYYY and HH:MM; 1: YYYYMMDD and HHMMSS; 2: as 0 with the two volumes
// summed; any other: empty date and time texts.
enum Layout { kCalendar = 0, kNumeric = 1, kCalendarVolume = 2 };

struct Options {
  bool append, timeColumn, symbolColumn;
  int layout;
};

Options ReadOptions(const ValueBlock* block) {
  return Options{ReadSlotInt(block, kAppend) > 0, ReadSlotInt(block, kTimeColumn) > 0,
                 ReadSlotInt(block, kSymbolColumn) > 0, ReadSlotInt(block, kLayout)};
}

std::string Header(const Options& o) {
  std::string text = o.symbolColumn ? "\"Symbol\"," : "";
  text += "Date,";
  if (o.timeColumn) text += "Time,";
  text += o.layout == kCalendarVolume ? "Open,High,Low,Close,Volume,\r\n"
                                      : "Open,High,Low,Close,VolUp,VolDn,\r\n";
  return text;
}

// The date and time columns of the bar's row.
void DateAndTimeTexts(const Options& o, int date, int time, const DateTime& when,
                      CTxt& dateText, CTxt& timeText) {
  if (o.layout == kCalendar || o.layout == kCalendarVolume) {
    CTxt both;
    when.FormatText(both.Raw(), 25);  // "MM/DD/YYYY,HH:MM"
    GetField(both.GetText(), ',', 1, 1, dateText);
    GetField(both.GetText(), ',', 2, 2, timeText);
  } else if (o.layout == kNumeric) {
    dateText.Format("%08d", CalendarDateOfHostDate(date));
    timeText.Format("%06d", ClockTimeOfHostTime(time));
  }
}

// The row is written as it stands, never used as a format: a "%" in the symbol is text.
std::string Row(const char* symbol, const Options& o, const CTxt& dateText,
                const CTxt& timeText, const ValueBlock* block) {
  std::string text;
  if (o.symbolColumn) {
    text += '"';
    text += symbol;
    text += "\",";
  }
  text += dateText.GetText();
  text += ',';
  if (o.timeColumn) {
    text += timeText.GetText();
    text += ',';
  }
  AppendFormat(text, "%.*f,%.*f,%.*f,%.*f,", 2, PrintableValue(ReadSlot(block, kOpen)), 2,
               PrintableValue(ReadSlot(block, kHigh)), 2, PrintableValue(ReadSlot(block, kLow)),
               2, PrintableValue(ReadSlot(block, kClose)));
  const float up = ReadSlot(block, kVolumeUp);
  const float down = ReadSlot(block, kVolumeDown);
  if (o.layout == kCalendarVolume) {
    const float sum = up + down;
    AppendFormat(text, "%.0f\r\n", PrintableValue(sum));
  } else {
    AppendFormat(text, "%.0f,%.0f\r\n", PrintableValue(up), PrintableValue(down));
  }
  return text;
}

// The body of the export, counting its progress in stage: 3 once the run has counted the
// call and the options are read, 4 once the file is open, 5 once the bar's date and time
// are set, 6 while the header is written, 7 while the row is built and written, 8 after the
// file is closed.
int SaveBlock(const char* symbol, const ValueBlock* block, int& stage) VQM_REQUIRES_LIBRARY_LOCK {
  const int counter = CsvExportRun().Advance(symbol);
  const Options options = ReadOptions(block);
  stage = 3;
  {
    BarFile file(symbol, ".csv", counter > 1 || options.append);
    stage = 4;
    const int date = ReadSlotInt(block, kDate);
    const int time = ReadSlotInt(block, kTime);
    DateTime when;
    when.SetDateTime(CalendarDateOfHostDate(date), ClockTimeOfHostTime(time));
    stage = 5;
    // The date and time are checked (and a bad one logged) even when the file failed.
    if (!file.IsOpen()) return -10;
    std::string text;
    if (counter == 1 || file.WasEmpty()) {
      stage = 6;
      text = Header(options);
    }
    stage = 7;
    CTxt dateText, timeText;
    DateAndTimeTexts(options, date, time, when, dateText, timeText);
    text += Row(symbol, options, dateText, timeText, block);
    if (!file.Commit(text)) return -10;
  }
  stage = 8;
  return counter;
}

}  // namespace
}  // namespace vqm

// Returns the CSV run's counter after the call (1: the file was started with a header), -9
// for a null symbol or value block (nothing happens), -10 when the file cannot be opened
// or the header and row cannot be written whole (the run has counted the call; what a full
// disk cut short is removed again). After an unexpected failure the counter as it stands,
// with the failure described in errorText (see RunBlockExportGuarded).
VQM_EXPORT int VQM_SaveDataToCsv2(const char* symbol, ValueBlock* block, char* errorText) {
  return vqm::ExportFrame(-10, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (symbol == nullptr || block == nullptr) return -9;
    return vqm::RunBlockExportGuarded(
        [&](int& stage) VQM_REQUIRES_LIBRARY_LOCK { return vqm::SaveBlock(symbol, block, stage); },
        errorText);
  });
}
