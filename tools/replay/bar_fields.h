// The fields of a bar file's line and the texts they hold: dates, times, prices, volumes.
// Each parser says what was wrong in a few words ("is not a number"); the bar reader adds
// the file, line and column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vqm::replay {

// Splits a line at the delimiter. A field in double quotes may hold the delimiter and
// doubled quotes; the quotes are dropped. Blanks around a field are dropped.
void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>* fields);

// The delimiter most used outside quotes in the line: tab, semicolon or comma (comma when
// none is used).
char DetectDelimiter(std::string_view line);

// The order of day, month and year in dates written with the year last.
enum class DateOrder { kAuto, kMonthFirst, kDayFirst };

struct Clock {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0;
  bool hasTime = false;
};

// YYYYMMDD, YYYY-MM-DD, YYYY/MM/DD, M/D/YYYY, MM/DD/YYYY, DD.MM.YYYY (day first with dots
// unless the order says otherwise), and a date followed by a time after a blank or 'T'
// (ISO 8601; a zone designator is ignored, the time is taken as written).
bool ParseDate(std::string_view text, DateOrder order, Clock* out, std::string* why);
// HHMM, HMM, HHMMSS, H:MM, HH:MM, HH:MM:SS (a fraction of a second is ignored).
bool ParseTime(std::string_view text, Clock* out, std::string* why);
// A decimal number; with decimalComma a comma is read as the decimal point.
bool ParseDouble(std::string_view text, bool decimalComma, double* value);
bool ParseFloat(std::string_view text, bool decimalComma, float* value);
// A price as a double and as the float nearest to the text (not rounded through the double).
bool ParsePrice(std::string_view text, bool decimalComma, double* value, float* single);
// A whole number from 0 to 2147483647, "12.0" included.
bool ParseVolume(std::string_view text, int* value);

// The text in single quotes with what cannot be seen spelled out: '\t', '\r', '\xa0'.
std::string Shown(std::string_view text);

}  // namespace vqm::replay
