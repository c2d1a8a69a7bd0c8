#include "bars.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vqm::replay {
namespace {

struct Field {
  const char* begin;
  const char* end;
  std::string text() const { return std::string(begin, end); }
  bool empty() const { return begin == end; }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<Field> SplitFields(const char* s, size_t n) {
  std::vector<Field> fields;
  const char* end = s + n;
  const char* start = s;
  for (const char* p = s;; ++p) {
    if (p == end || *p == ',') {
      const char* b = start;
      const char* e = p;
      while (b < e && IsBlank(*b)) ++b;
      while (e > b && IsBlank(e[-1])) --e;
      fields.push_back({b, e});
      if (p == end) break;
      start = p + 1;
    }
  }
  return fields;
}

bool AllDigits(const Field& f) {
  if (f.empty()) return false;
  for (const char* p = f.begin; p != f.end; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

int Digits(const char* p, int count) {
  int v = 0;
  for (int i = 0; i < count; ++i) v = v * 10 + (p[i] - '0');
  return v;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// YYYYMMDD or YYYY-MM-DD into the host's date form.
bool ParseDate(const Field& f, int* hostDate, std::string* why) {
  std::string t = f.text();
  if (t.size() == 10 && t[4] == '-' && t[7] == '-') t = t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2);
  if (t.size() != 8 || !AllDigits({t.data(), t.data() + t.size()})) {
    *why = "date '" + f.text() + "' is not YYYYMMDD or YYYY-MM-DD";
    return false;
  }
  const int year = Digits(t.data(), 4), month = Digits(t.data() + 4, 2), day = Digits(t.data() + 6, 2);
  if (year < 1900 || year > 2099 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    *why = "date '" + f.text() + "' is not a calendar date between 1900 and 2099";
    return false;
  }
  *hostDate = (year - 1900) * 10000 + month * 100 + day;
  return true;
}

// HHMM or HH:MM into the host's time form.
bool ParseTime(const Field& f, int* hostTime, std::string* why) {
  std::string t = f.text();
  if (t.size() == 5 && t[2] == ':') t.erase(2, 1);
  if (t.size() != 4 || !AllDigits({t.data(), t.data() + t.size()})) {
    *why = "time '" + f.text() + "' is not HHMM or HH:MM";
    return false;
  }
  const int hour = Digits(t.data(), 2), minute = Digits(t.data() + 2, 2);
  if (hour > 23 || minute > 59) {
    *why = "time '" + f.text() + "' is not a time of day";
    return false;
  }
  *hostTime = hour * 100 + minute;
  return true;
}

template <class T>
bool ParseNumber(const Field& f, T* value) {
  if (f.empty()) return false;
  const char* b = f.begin;
  if (*b == '+') ++b;  // from_chars takes no plus sign
  const auto r = std::from_chars(b, f.end, *value);
  return r.ec == std::errc() && r.ptr == f.end && std::isfinite(*value);
}

bool ParsePrice(const Field& f, const char* name, double* value, float* single, std::string* why) {
  if (!ParseNumber(f, value) || !ParseNumber(f, single)) {
    *why = std::string(name) + " '" + f.text() + "' is not a number";
    return false;
  }
  if (*value <= 0) {
    *why = std::string(name) + " '" + f.text() + "' is not above zero";
    return false;
  }
  return true;
}

bool ParseVolume(const Field& f, const char* name, int* value, std::string* why) {
  long long v = 0;
  if (!AllDigits(f) || f.end - f.begin > 10 || !ParseNumber(f, &v) || v > 2147483647) {
    *why = std::string(name) + " '" + f.text() + "' is not a whole number from 0 to 2147483647";
    return false;
  }
  *value = static_cast<int>(v);
  return true;
}

bool ParseTickVolume(const Field& f, const char* name, float* value, std::string* why) {
  if (!ParseNumber(f, value) || *value < 0) {
    *why = std::string(name) + " '" + f.text() + "' is not a number of 0 or more";
    return false;
  }
  return true;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '"'; }

// Turns lines into bars; remembers what the lines before told (header, field count).
class BarParser {
 public:
  BarParser(const std::string& source, BarSeries* out) : source_(source), out_(out) {}

  bool Line(const char* s, size_t n, int lineNumber, std::string* error) {
    if (n > 0 && s[n - 1] == '\r') --n;
    size_t first = 0;
    while (first < n && IsBlank(s[first])) ++first;
    if (first == n || s[first] == '#') return true;
    const std::vector<Field> fields = SplitFields(s, n);
    if (!sawLine_) {
      sawLine_ = true;
      if (!fields[0].empty() && IsLetter(*fields[0].begin)) return true;  // header
    }
    std::string why;
    if (!AddBar(fields, lineNumber, &why)) {
      *error = source_ + ":" + std::to_string(lineNumber) + ": " + why;
      return false;
    }
    return true;
  }

  bool Finish(int lines, std::string* error) {
    if (!out_->bars.empty()) return true;
    *error = source_ + ":" + std::to_string(lines < 1 ? 1 : lines) +
             (lines == 0 ? ": empty file, no bars" : ": no bars in the file");
    return false;
  }

 private:
  bool AddBar(const std::vector<Field>& fields, int lineNumber, std::string* why) {
    const size_t count = fields.size();
    if (!out_->bars.empty()) {
      const size_t expected = out_->hasTickVolumes ? 9 : 7;
      if (count != expected) {
        *why = "expected " + std::to_string(expected) + " fields like the first bar, found " +
               std::to_string(count);
        return false;
      }
    } else if (count != 7 && count != 9) {
      *why = "expected 7 fields (date,time,open,high,low,close,volume) or 9 (with up-tick and "
             "down-tick volume), found " + std::to_string(count);
      return false;
    }
    out_->hasTickVolumes = count == 9;
    Bar b;
    b.line = lineNumber;
    if (!ParseDate(fields[0], &b.hostDate, why) || !ParseTime(fields[1], &b.hostTime, why) ||
        !ParsePrice(fields[2], "open", &b.open, &b.openF, why) ||
        !ParsePrice(fields[3], "high", &b.high, &b.highF, why) ||
        !ParsePrice(fields[4], "low", &b.low, &b.lowF, why) ||
        !ParsePrice(fields[5], "close", &b.close, &b.closeF, why) ||
        !ParseVolume(fields[6], "volume", &b.volume, why))
      return false;
    if (count == 9 && (!ParseTickVolume(fields[7], "up-tick volume", &b.upVolume, why) ||
                       !ParseTickVolume(fields[8], "down-tick volume", &b.downVolume, why)))
      return false;
    if (b.low > b.high || b.open > b.high || b.open < b.low || b.close > b.high || b.close < b.low) {
      *why = "prices out of order: open and close must lie between low and high";
      return false;
    }
    if (!out_->bars.empty()) {
      const Bar& last = out_->bars.back();
      if (b.hostDate < last.hostDate || (b.hostDate == last.hostDate && b.hostTime <= last.hostTime)) {
        *why = "date and time not after those of the bar on line " + std::to_string(last.line);
        return false;
      }
    }
    out_->bars.push_back(b);
    return true;
  }

  const std::string& source_;
  BarSeries* out_;
  bool sawLine_ = false;
};

std::string LongLine(const std::string& source, int lineNumber) {
  return source + ":" + std::to_string(lineNumber) + ": line longer than " +
         std::to_string(kMaxBarLine) + " characters";
}

}  // namespace

bool ParseBars(const char* text, size_t size, const std::string& source, BarSeries* out,
               std::string* error) {
  *out = BarSeries();
  BarParser parser(source, out);
  int lineNumber = 0;
  size_t start = 0;
  while (start < size) {
    const void* nl = memchr(text + start, '\n', size - start);
    const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - text) : size;
    ++lineNumber;
    if (end - start > kMaxBarLine + 1) {  // one more for a CR before the line end
      *error = LongLine(source, lineNumber);
      return false;
    }
    if (!parser.Line(text + start, end - start, lineNumber, error)) return false;
    start = end + 1;
  }
  return parser.Finish(lineNumber, error);
}

bool ReadBarFile(const std::string& path, BarSeries* out, std::string* error) {
  *out = BarSeries();
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "rb"), fclose);
  if (!file) {
    *error = path + ": cannot open (" + strerror(errno) + ")";
    return false;
  }
  BarParser parser(path, out);
  // One line at a time, never more than kMaxBarLine + 1 characters held: a file of one
  // huge line is refused as soon as the limit is passed.
  std::string line;
  int lineNumber = 0;
  bool pending = false;
  for (int c; (c = fgetc(file.get())) != EOF;) {
    if (!pending) {
      ++lineNumber;
      pending = true;
    }
    if (c != '\n') {
      line.push_back(static_cast<char>(c));
      if (line.size() > kMaxBarLine + 1) {  // one more for a CR before the line end
        *error = LongLine(path, lineNumber);
        return false;
      }
      continue;
    }
    if (!parser.Line(line.data(), line.size(), lineNumber, error)) return false;
    line.clear();
    pending = false;
  }
  if (ferror(file.get())) {
    *error = path + ": read error (" + strerror(errno) + ")";
    return false;
  }
  if (pending && !parser.Line(line.data(), line.size(), lineNumber, error)) return false;
  return parser.Finish(lineNumber, error);
}

}  // namespace vqm::replay
