// The plain bar exports: one bar per call into the symbol's file beside the host program,
// prices handed over as integers scaled by a divisor. VQM_SaveDataToCsv writes
// "<symbol>.csv" with the symbol in every row; VQM_SaveDataToTxt writes "<symbol>.txt" with
// the date and time as calendar texts. The first call for a symbol starts the file with a
// header line; the following calls append one row each.
#include <string>

#include "dataio/bar_file.h"
#include "dataio/export_run.h"
#include "datetime/date_time.h"
#include "frame/exports.h"

namespace vqm {
namespace {

// One bar as the script hands it over, the prices already divided.
struct Bar {
  float open, high, low, close, volume;
};

// Price = integer / divisor in single precision; the volume is never divided (and, as a
// float, rounds above 16777216).
Bar ReadBar(int divisor, const int* open, const int* high, const int* low, const int* close,
            const int* volume) {
  const float d = static_cast<float>(divisor);
  return Bar{static_cast<float>(*open) / d, static_cast<float>(*high) / d,
             static_cast<float>(*low) / d, static_cast<float>(*close) / d,
             static_cast<float>(*volume)};
}

std::string CsvHeader(bool hasTime) {
  return hasTime ? "\"Symbol\",Date,Time,Open,High,Low,Close,Volume\r\n"
                 : "\"Symbol\",Date,Open,High,Low,Close,Volume\r\n";
}

void AppendCsvRow(std::string& text, const char* symbol, int date, int time, const Bar& b) {
  const double o = PrintableValue(b.open), h = PrintableValue(b.high),
               l = PrintableValue(b.low), c = PrintableValue(b.close),
               v = PrintableValue(b.volume);
  if (time < 0)
    AppendFormat(text, "\"%s\",%08d,%.4f,%.4f,%.4f,%.4f,%.0f\r\n", symbol, CalendarDateOfHostDate(date), o,
                 h, l, c, v);
  else
    AppendFormat(text, "\"%s\",%08d,%06d,%.4f,%.4f,%.4f,%.4f,%.0f\r\n", symbol,
                 CalendarDateOfHostDate(date), ClockTimeOfHostTime(time), o, h, l, c, v);
}

std::string TxtHeader(bool hasTime, bool closeOnly) {
  if (hasTime)
    return closeOnly ? "\"Date\",\"Time\",\"Close\",\"Volume\"\r\n"
                     : "\"Date\",\"Time\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\r\n";
  return closeOnly ? "\"Date\",\"Close\",\"Volume\"\r\n"
                   : "\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\r\n";
}

// "3/15/2024,09:30:00" (date and time columns) for a bar with a time, "3/15/2024 00:00:00"
// (one column at midnight) for a bar without. A date or time the value refuses is logged
// by it and leaves its fields zero.
std::string TxtDateTime(int date, int time) {
  DateTime when;
  when.SetDateTime(CalendarDateOfHostDate(date), time < 0 ? 0 : ClockTimeOfHostTime(time));
  std::string text;
  when.FormatText(text, time < 0 ? 9 : 18);
  return text;
}

void AppendTxtRow(std::string& text, int date, int time, bool closeOnly, const Bar& b) {
  const std::string when = TxtDateTime(date, time);
  if (closeOnly)
    AppendFormat(text, "%s,%.4f,%.0f\r\n", when.c_str(), PrintableValue(b.close),
                 PrintableValue(b.volume));
  else
    AppendFormat(text, "%s,%.4f,%.4f,%.4f,%.4f,%.0f\r\n", when.c_str(), PrintableValue(b.open),
                 PrintableValue(b.high), PrintableValue(b.low), PrintableValue(b.close),
                 PrintableValue(b.volume));
}

bool AnyNull(const void* a, const void* b, const void* c, const void* d, const void* e,
             const void* f) {
  return !a || !b || !c || !d || !e || !f;
}

}  // namespace
}  // namespace vqm

// Returns the CSV run's counter after the call (1: the file was started with a header), -9
// for a null symbol or value pointer (nothing happens), -10 when the file cannot be opened
// or the row cannot be written whole (the run has counted the call; a row cut short by a
// full disk is removed again). A file that is new or empty at the open gets its header
// whatever the count.
VQM_EXPORT int VQM_SaveDataToCsv(int /*notUsed*/, const char* symbol, int date, int time,
                                 int divisor, int* open, int* high, int* low, int* close,
                                 int* volume, int appendFlag) {
  return vqm::ExportFrame(-10, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (vqm::AnyNull(symbol, open, high, low, close, volume)) return -9;
    const int counter = vqm::CsvExportRun().Advance(symbol);
    vqm::BarFile file(symbol, ".csv", counter > 1 || appendFlag != 0);
    if (!file.IsOpen()) return -10;
    const vqm::Bar bar = vqm::ReadBar(divisor, open, high, low, close, volume);
    std::string text;
    if (counter == 1 || file.WasEmpty()) text = vqm::CsvHeader(time >= 0);
    vqm::AppendCsvRow(text, symbol, date, time, bar);
    return file.Commit(text) ? counter : -10;
  });
}

// As VQM_SaveDataToCsv, on the text run; the last argument selects the close-only layout,
// and a symbol's first row always starts a new file.
VQM_EXPORT int VQM_SaveDataToTxt(int /*notUsed*/, const char* symbol, int date, int time,
                                 int divisor, int* open, int* high, int* low, int* close,
                                 int* volume, int closeOnly) {
  return vqm::ExportFrame(-10, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (vqm::AnyNull(symbol, open, high, low, close, volume)) return -9;
    const int counter = vqm::TextExportRun().Advance(symbol);
    vqm::BarFile file(symbol, ".txt", counter > 1);
    if (!file.IsOpen()) return -10;
    const vqm::Bar bar = vqm::ReadBar(divisor, open, high, low, close, volume);
    std::string text;
    if (counter == 1 || file.WasEmpty()) text = vqm::TxtHeader(time >= 0, closeOnly != 0);
    vqm::AppendTxtRow(text, date, time, closeOnly != 0, bar);
    return file.Commit(text) ? counter : -10;
  });
}
