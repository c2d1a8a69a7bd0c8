// DateTime's text side: the numbered layouts, month names and the date and time parsers.
#include <cctype>
#include <cstdio>
#include <string>

#include "datetime/date_time.h"
#include "datetime/text_fields.h"
#include "base/text.h"

namespace vqm {
namespace {

constexpr int kFormattedCapacity = 64;  // every layout of every field value fits
constexpr int kTextCapacity = 1000;     // texts to parse: at most 999 characters

constexpr const char* kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonths[12] = {"January", "February", "March",     "April",
                                         "May",     "June",     "July",      "August",
                                         "September", "October", "November", "December"};

// Writes the layout into buf and returns its length, or -1 for an unknown code.
int FormatLayout(const DateTime& v, int code, char (&buf)[kFormattedCapacity]) {
  const int Y = v.GetYear();
  const int M = v.month;
  const int D = v.day;
  const int YY = v.year % 100;
  const int h = v.hour;
  const int m = v.minute;
  const int s = v.second;
  // 12-hour forms: noon stays 12 AM, midnight 00 AM.
  const bool afternoon = h > 12;
  const int h12 = afternoon ? h - 12 : h;
  const char* ampm = afternoon ? "PM" : "AM";
  const size_t n = sizeof buf;
  int length = -1;
  switch (code) {
    case 0: length = snprintf(buf, n, "%04d%02d%02d %02d:%02d:%02d", Y, M, D, h, m, s); break;
    case 1: length = snprintf(buf, n, "%04d%02d%02d", Y, M, D); break;
    case 2: length = snprintf(buf, n, "%02d:%02d:%02d", h, m, s); break;
    case 3: length = snprintf(buf, n, "%d/%d/%02d %02d:%02d:%02d", M, D, YY, h, m, s); break;
    case 4: length = snprintf(buf, n, "%d/%d/%02d", M, D, YY); break;
    case 5: length = snprintf(buf, n, "%02d:%02d", h, m); break;
    case 6: length = snprintf(buf, n, "%d/%d/%04d", M, D, Y); break;
    case 7: length = snprintf(buf, n, "%02d:%02d:%02d%s", h12, m, s, ampm); break;
    case 8: length = snprintf(buf, n, "%02d:%02d%s", h12, m, ampm); break;
    case 9: length = snprintf(buf, n, "%d/%d/%04d %02d:%02d:%02d", M, D, Y, h, m, s); break;
    case 10: length = snprintf(buf, n, "%04d%02d%02d_%02d%02d%02d", Y, M, D, h, m, s); break;
    case 11: length = snprintf(buf, n, "%02d%02d%02d", h, m, s); break;
    case 12: length = snprintf(buf, n, "%02d/%02d/%04d", M, D, Y); break;
    case 13: length = snprintf(buf, n, "%02d/%02d/%04d %02d:%02d", M, D, Y, h, m); break;
    case 14: length = snprintf(buf, n, "%02d/%02d", M, D); break;
    case 15:
      length = snprintf(buf, n, "%02d/%02d/%04d %02d:%02d%s", M, D, Y, h12, m, ampm);
      break;
    case 16:
      length = snprintf(buf, n, "%02d/%02d/%04d %02d:%02d:%02d%s", M, D, Y, h12, m, s, ampm);
      break;
    case 17:
      length = snprintf(buf, n, "%02d/%02d/%04d %02d:%02d:%02d", M, D, Y, h, m, s);
      break;
    case 18: length = snprintf(buf, n, "%d/%d/%04d,%02d:%02d:%02d", M, D, Y, h, m, s); break;
    case 19:
      length = snprintf(buf, n, "%02d/%02d/%04d|%02d:%02d:%02d", M, D, Y, h, m, s);
      break;
    case 20: length = snprintf(buf, n, "%d/%04d", M, Y); break;
    case 21: length = snprintf(buf, n, "%04d-Q%d", Y, (M - 1) / 3 + 1); break;
    case 22: length = snprintf(buf, n, "%s/%04d", MonthName(M, 1).c_str(), Y); break;
    case 23: length = snprintf(buf, n, "%s/%02d", MonthName(M, 1).c_str(), YY); break;
    case 24:
      length = snprintf(buf, n, "%02d/%02d/%04d,%02d:%02d:%02d", M, D, Y, h, m, s);
      break;
    case 25: length = snprintf(buf, n, "%02d/%02d/%04d,%02d:%02d", M, D, Y, h, m); break;
    case 26: length = snprintf(buf, n, "%d/%d", M, D); break;
    case 27: length = snprintf(buf, n, "%d/%d/%d %02d:%02d", M, D, Y, h, m); break;
    case 28: length = snprintf(buf, n, "%s+%d%%2C+%04d", MonthName(M, 1).c_str(), D, Y); break;
    case 29:
      length = snprintf(buf, n, "%s/%d/%04d %02d:%02d:%02d", MonthName(M, 1).c_str(), D, Y, h,
                        m, s);
      break;
    case 30: length = snprintf(buf, n, "%d/%d/%d", Y, M, D); break;
    default: return -1;
  }
  if (length < 0) return -1;
  return length < kFormattedCapacity ? length : kFormattedCapacity - 1;
}

// Two-digit years: 0..69 are 2000..2069, 70..99 are 1970..1999.
int WidenYear(int year) {
  if (year < 70) year += 2000;
  if (year < 100) year += 1900;
  return year;
}

bool IsYearInRange(int year) { return year >= 1900 && year <= 2999; }

bool IsKeyword(const char* text, const char* keyword) {
  return StrCompareNoCase(text, keyword, 1) == 0;
}

}  // namespace

std::string MonthName(int month, int shortFlag) {
  if (month < 1 || month > 12) return "?" + std::to_string(month);
  return shortFlag != 0 ? kShortMonths[month - 1] : kLongMonths[month - 1];
}

int DateTime::FormatText(std::string& text, int code) const {
  char buf[kFormattedCapacity];
  const int length = FormatLayout(*this, code, buf);
  if (length >= 0) text.assign(buf, static_cast<size_t>(length));
  return length;
}

int DateTime::FormatText(char* out, int size, int code) const {
  char buf[kFormattedCapacity];
  if (FormatLayout(*this, code, buf) < 0) return -1;
  return CopyBounded(out, size, buf);
}

int ParseDateText(const char* text) {
  if (text == nullptr) return -1;
  const int n = LeadingNumber(text);
  if (n >= 18000000 && n <= 29991231) return n;

  int year = 0;
  int month = 0;
  int day = 0;
  if (CountFields(text, '/') <= 1) {
    if (CountFields(text, '-') == 3) {
      year = GetFieldInt(text, '-', 1);
      month = GetFieldInt(text, '-', 2);
      day = GetFieldInt(text, '-', 3);
    } else {
      // YYMMDD or YYYYMMDD, taken as it stands once the year is widened.
      if (!isdigit(static_cast<unsigned char>(text[0]))) return -1;
      const int shortYear = n / 10000;
      const int wideYear = WidenYear(shortYear);
      if (!IsYearInRange(wideYear)) return -1;
      return (wideYear - shortYear) * 10000 + n;
    }
  } else {
    month = GetFieldInt(text, '/', 1);
    day = GetFieldInt(text, '/', 2);
    if (CountFields(text, '/') >= 3) {
      year = GetFieldInt(text, '/', 3);
    } else {
      DateTime now;
      now.SetNowLocal();
      year = now.GetYear();
    }
  }
  year = WidenYear(year);
  if (!IsYearInRange(year)) return -1;
  if (month < 1 || month > 12) return -2;
  if (day < 1 || day > DaysInMonth(year, month)) return -3;
  return year * 10000 + month * 100 + day;
}

int ParseTimeText(const char* text) {
  if (text == nullptr) return -1;
  if (CountFields(text, ':') < 2) {
    int a = LeadingNumber(text);
    if (a < 0) return -1;  // no negative time of day
    if (a < 24) a *= 100;  // plain hours
    return a >= 2400 ? a : a * 100;
  }
  int hour = GetFieldInt(text, ':', 1);
  const int minute = GetFieldInt(text, ':', 2);
  const int second = GetFieldInt(text, ':', 3);
  if (hour < 0 || hour > 23) return -1;
  if (minute < 0 || minute > 59) return -2;
  if (second < 0 || second > 59) return -3;
  // Only PM is looked at: 12:30 AM stays 12:30.
  if (FindNoCase(text, "PM") >= 0 && hour < 12) hour += 12;
  return hour * 10000 + minute * 100 + second;
}

int DateTime::SetFromText(const char* text) {
  char work[kTextCapacity];
  CopyBounded(work, sizeof work, text);
  TrimBlanks(work);
  if (work[0] == 0) {
    Clear();
    return 0;
  }
  if (IsKeyword(work, "TodayEST") || IsKeyword(work, "LIVE") || IsKeyword(work, "NowEST")) {
    SetNowEST();
    if (!IsKeyword(work, "NowEST")) hour = minute = second = 0;
    return 0;
  }
  if (IsKeyword(work, "Today") || IsKeyword(work, "Now")) {
    SetNowLocal();
    if (IsKeyword(work, "Today")) hour = minute = second = 0;
    return 0;
  }

  char word[kTextCapacity];
  GetFields(work, ' ', 1, 1, word, sizeof word);
  if (LeadingNumber(word) == 0) return -3;
  if (CountFields(word, ':') >= 2) {
    // A time with no date: the time is set, the missing date refused (and logged).
    const int time = ParseTimeText(word);
    if (time < 0) return -2;
    return SetDateTime(0, time);
  }
  const int date = ParseDateText(word);
  if (date < 0) return -1;
  char timeText[kTextCapacity];
  GetFields(work, ' ', 2, 3, timeText, sizeof timeText);  // empty when there is no time
  const int time = ParseTimeText(timeText);
  if (time < 0) return -2;
  return SetDateTime(date, time);
}

}  // namespace vqm
