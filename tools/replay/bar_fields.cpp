#include "bar_fields.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/sse2.h"

namespace vqm::replay {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view t) {
  if (t.empty()) return false;
  for (char c : t)
    if (!IsDigit(c)) return false;
  return true;
}

int Digits(std::string_view t) {
  int v = 0;
  for (char c : t) v = v * 10 + (c - '0');
  return v;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Splits "a<sep>b<sep>c" into three digit groups.
bool ThreeGroups(std::string_view t, char sep, std::string_view g[3]) {
  for (int i = 0; i < 3; ++i) {
    const size_t at = i < 2 ? t.find(sep) : t.size();
    if (at == std::string_view::npos) return false;
    g[i] = t.substr(0, at);
    if (!AllDigits(g[i]) || g[i].size() > 4) return false;
    t.remove_prefix(i < 2 ? at + 1 : at);
  }
  return true;
}

bool CalendarDay(std::string_view text, int y, int m, int d, Clock* out, std::string* why) {
  if (y < 1900 || y > 2099 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) {
    *why = Shown(text) + " is not a calendar date between 1900 and 2099";
    return false;
  }
  out->year = y;
  out->month = m;
  out->day = d;
  return true;
}

bool TimeOfDay(std::string_view t, int h, int m, int s, Clock* out, std::string* why) {
  if (h > 23 || m > 59 || s > 59) {
    *why = Shown(t) + " is not a time of day";
    return false;
  }
  out->hour = h;
  out->minute = m;
  out->second = s;
  out->hasTime = true;
  return true;
}

bool DateOnly(std::string_view t, DateOrder order, Clock* out, std::string* why) {
  if (t.size() == 8 && AllDigits(t))
    return CalendarDay(t, Digits(t.substr(0, 4)), Digits(t.substr(4, 2)), Digits(t.substr(6, 2)),
                       out, why);
  for (char sep : {'-', '/', '.'}) {
    std::string_view g[3];
    if (!ThreeGroups(t, sep, g)) continue;
    if (g[0].size() == 4) return CalendarDay(t, Digits(g[0]), Digits(g[1]), Digits(g[2]), out, why);
    if (g[2].size() != 4 || g[0].size() > 2 || g[1].size() > 2) break;
    const bool dayFirst = order == DateOrder::kDayFirst || (order == DateOrder::kAuto && sep == '.');
    const int a = Digits(g[0]), b = Digits(g[1]);
    if (!dayFirst && a > 12 && b <= 12 && order == DateOrder::kAuto) {
      *why = Shown(t) + " is not month/day/year (--date-format dmy reads day first)";
      return false;
    }
    return CalendarDay(t, Digits(g[2]), dayFirst ? b : a, dayFirst ? a : b, out, why);
  }
  *why = Shown(t) + " is not a date (YYYYMMDD, YYYY-MM-DD, MM/DD/YYYY or DD.MM.YYYY)";
  return false;
}

#if defined(VQM_SSE2)
// A line without quotes, the usual kind, split where its delimiters are, found 16 bytes at
// a time: a branch per field rather than a hard-to-guess one per character. Blanks around
// the fields are dropped afterwards, and only when the line has any. False, with the fields
// unfinished, for a line with a quote.
bool SplitUnquoted(std::string_view line, char delimiter, std::vector<std::string_view>* fields) {
  fields->clear();
  const char* const s = line.data();
  const size_t n = line.size();
  const bool tabIsBlank = delimiter != '\t';
  const __m128i delimiters = _mm_set1_epi8(delimiter), quotes = _mm_set1_epi8('"');
  const __m128i spaces = _mm_set1_epi8(' '), tabs = _mm_set1_epi8(tabIsBlank ? '\t' : ' ');
  unsigned blanks = 0;
  size_t start = 0;
  for (size_t base = 0; base < n; base += 16) {
    // The 16 bytes from base; at the end of a line of 16 bytes or more, the last 16 of the
    // line, with the bytes already seen shifted out of the masks.
    char tail[16] = {};
    const char* at = s + base;
    unsigned skip = 0;
    if (n - base < 16) {
      if (n >= 16) {
        skip = static_cast<unsigned>(16 - (n - base));
        at = s + n - 16;
      } else {
        at = static_cast<const char*>(memcpy(tail, at, n - base));
      }
    }
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const unsigned inLine = n - base < 16 ? (1u << (n - base)) - 1 : 0xFFFFu;
    auto mask = [&](__m128i found) { return (static_cast<unsigned>(_mm_movemask_epi8(found)) >> skip) & inLine; };
    if (mask(_mm_cmpeq_epi8(chunk, quotes)) != 0) return false;
    blanks |= mask(_mm_or_si128(_mm_cmpeq_epi8(chunk, spaces), _mm_cmpeq_epi8(chunk, tabs)));
    for (unsigned found = mask(_mm_cmpeq_epi8(chunk, delimiters)); found != 0; found &= found - 1) {
      const size_t end = base + static_cast<size_t>(__builtin_ctz(found));
      fields->emplace_back(s + start, end - start);
      start = end + 1;
    }
  }
  fields->emplace_back(s + start, n - start);
  if (blanks == 0) return true;
  for (std::string_view& f : *fields) {
    size_t b = 0, e = f.size();
    while (b < e && f[b] == ' ') ++b;
    while (e > b && (f[e - 1] == ' ' || (tabIsBlank && f[e - 1] == '\t'))) --e;
    f = f.substr(b, e - b);
  }
  return true;
}
#endif

}  // namespace

void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>* fields) {
#if defined(VQM_SSE2)
  if (SplitUnquoted(line, delimiter, fields)) return;
#endif
  fields->clear();
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && line[i] == ' ') ++i;
    size_t b = i, e;
    if (i < n && line[i] == '"') {
      b = ++i;
      while (i < n && !(line[i] == '"' && (i + 1 >= n || line[i + 1] != '"'))) i += line[i] == '"' ? 2 : 1;
      e = i < n ? i++ : n;
      while (i < n && line[i] != delimiter) ++i;  // anything after the closing quote
    } else {
      while (i < n && line[i] != delimiter) ++i;
      e = i;
      while (e > b && (line[e - 1] == ' ' || (delimiter != '\t' && line[e - 1] == '\t'))) --e;
    }
    fields->emplace_back(line.data() + b, e - b);
    if (i >= n) break;
    ++i;  // the delimiter
  }
}

char DetectDelimiter(std::string_view line) {
  int tabs = 0, semicolons = 0, commas = 0;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    tabs += c == '\t';
    semicolons += c == ';';
    commas += c == ',';
  }
  if (tabs > 0 && tabs >= semicolons && tabs >= commas) return '\t';
  if (semicolons > commas) return ';';
  return ',';
}

bool ParseDate(std::string_view text, DateOrder order, Clock* out, std::string* why) {
  *out = Clock();
  size_t split = text.find_first_of(" T");
  if (split == std::string_view::npos) return DateOnly(text, order, out, why);
  if (!DateOnly(text.substr(0, split), order, out, why)) return false;
  std::string_view time = text.substr(split + 1);
  while (!time.empty() && time.front() == ' ') time.remove_prefix(1);
  // A zone designator (Z, +01:00, -0500) after the time of day is not used.
  const size_t zone = time.find_first_of("Z+-", 1);
  if (zone != std::string_view::npos) time = time.substr(0, zone);
  while (!time.empty() && time.back() == ' ') time.remove_suffix(1);
  if (!ParseTime(time, out, why)) {
    *why = Shown(text) + " is not a date and time";
    return false;
  }
  return true;
}

bool ParseTime(std::string_view t, Clock* out, std::string* why) {
  int h = -1, m = -1, s = 0;
  // HHMM, the usual form, read at once.
  if (t.size() == 4 && AllDigits(t)) {
    h = Digits(t.substr(0, 2));
    m = Digits(t.substr(2, 2));
    return TimeOfDay(t, h, m, s, out, why);
  }
  const size_t dot = t.find('.');
  std::string_view whole = t;
  if (dot != std::string_view::npos && AllDigits(t.substr(dot + 1))) whole = t.substr(0, dot);
  if (AllDigits(whole) && whole.size() >= 3 && whole.size() <= 6 && dot == std::string_view::npos) {
    const size_t hourDigits = whole.size() % 2 == 1 ? 1 : 2;
    h = Digits(whole.substr(0, hourDigits));
    m = Digits(whole.substr(hourDigits, 2));
    if (whole.size() > hourDigits + 2) s = Digits(whole.substr(hourDigits + 2));
  } else {
    const size_t c1 = whole.find(':');
    const size_t c2 = c1 == std::string_view::npos ? c1 : whole.find(':', c1 + 1);
    const std::string_view hh = whole.substr(0, c1);
    const std::string_view mm = c1 == std::string_view::npos ? "" : whole.substr(c1 + 1, c2 - c1 - 1);
    const std::string_view ss = c2 == std::string_view::npos ? "00" : whole.substr(c2 + 1);
    if (AllDigits(hh) && hh.size() <= 2 && AllDigits(mm) && mm.size() == 2 && AllDigits(ss) &&
        ss.size() == 2) {
      h = Digits(hh);
      m = Digits(mm);
      s = Digits(ss);
    }
  }
  if (h < 0) {
    *why = Shown(t) + " is not a time (HHMM, HH:MM or HH:MM:SS)";
    return false;
  }
  return TimeOfDay(t, h, m, s, out, why);
}

namespace {

template <class T>
bool ParseNumber(std::string_view t, bool decimalComma, T* value) {
  if (t.empty() || t.size() > 64) return false;
  char copy[65];
  if (decimalComma && t.find(',') != std::string_view::npos) {
    if (t.find('.') != std::string_view::npos) return false;
    memcpy(copy, t.data(), t.size());
    for (size_t i = 0; i < t.size(); ++i)
      if (copy[i] == ',') copy[i] = '.';
    t = std::string_view(copy, t.size());
  }
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') ++b;  // from_chars takes no plus sign
  const auto r = std::from_chars(b, e, *value);
  return r.ec == std::errc() && r.ptr == e && std::isfinite(*value);
}

// A number written plainly: a sign, digits, and a point with digits on both sides.
struct PlainDecimal {
  uint64_t digits = 0;  // all of them, the point left out
  int decimals = 0;
  bool negative = false;
};

// Reads the plain form that most bar files use, with no more than 19 digits; false for
// anything else (exponents, "inf", blanks), which from_chars then reads or refuses.
bool ReadPlain(std::string_view t, bool decimalComma, PlainDecimal* out) {
  const char* c = t.data();
  const char* const end = c + t.size();
  if (c < end && (*c == '-' || *c == '+')) out->negative = *c++ == '-';
  uint64_t v = 0;
  const char* const first = c;
  for (; c < end && IsDigit(*c); ++c) v = v * 10 + static_cast<uint64_t>(*c - '0');
  const size_t whole = static_cast<size_t>(c - first);
  size_t decimals = 0;
  if (c < end) {
    if (whole == 0 || !(*c == '.' || (*c == ',' && decimalComma))) return false;
    const char* const point = c++;
    for (; c < end && IsDigit(*c); ++c) v = v * 10 + static_cast<uint64_t>(*c - '0');
    decimals = static_cast<size_t>(c - point - 1);
    if (c < end || decimals == 0) return false;
  }
  if (whole + decimals == 0 || whole + decimals > 19) return false;
  out->digits = v;
  out->decimals = static_cast<int>(decimals);
  return true;
}

// Powers of ten that doubles and floats hold exactly.
constexpr double kTensDouble[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr float kTensFloat[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Digits and a power of ten that are both exact give the nearest value in one division,
// as from_chars would: digits below 2^53 with 22 decimals at most for a double, below 2^24
// with 10 at most for a float.
bool ExactDouble(const PlainDecimal& d, double* value) {
  if (d.digits >= (uint64_t{1} << 53) || d.decimals > 22) return false;
  const double whole = static_cast<double>(d.digits);
  const double v = d.decimals == 0 ? whole : whole / kTensDouble[d.decimals];
  *value = d.negative ? -v : v;
  return true;
}
bool ExactFloat(const PlainDecimal& d, float* value) {
  if (d.digits >= (uint64_t{1} << 24) || d.decimals > 10) return false;
  const float whole = static_cast<float>(d.digits);
  const float v = d.decimals == 0 ? whole : whole / kTensFloat[d.decimals];
  *value = d.negative ? -v : v;
  return true;
}

}  // namespace

bool ParseDouble(std::string_view t, bool decimalComma, double* v) {
  PlainDecimal d;
  if (ReadPlain(t, decimalComma, &d) && ExactDouble(d, v)) return true;
  return ParseNumber(t, decimalComma, v);
}

bool ParseFloat(std::string_view t, bool decimalComma, float* v) {
  PlainDecimal d;
  if (ReadPlain(t, decimalComma, &d) && ExactFloat(d, v)) return true;
  return ParseNumber(t, decimalComma, v);
}

bool ParsePrice(std::string_view t, bool decimalComma, double* value, float* single) {
  PlainDecimal d;
  if (!(ReadPlain(t, decimalComma, &d) && ExactDouble(d, value)) && !ParseNumber(t, decimalComma, value))
    return false;
  // The double rounded to a float is the float nearest the text, unless the double lies
  // exactly halfway between two floats (rounded twice, it might fall on the wrong side):
  // only then is the text read again. In the floats' normal range, halfway is the 29 bits
  // a float lacks reading 1 and 28 zeros.
  const double v = *value;
  const float f = static_cast<float>(v);
  bool halfway;
  if (std::fabs(v) >= FLT_MIN && std::isfinite(f)) {
    uint64_t bits;
    memcpy(&bits, &v, sizeof bits);
    halfway = (bits & 0x1FFFFFFF) == 0x10000000;
  } else {
    const double error = v - static_cast<double>(f);
    halfway = error != 0 && std::isfinite(f) &&
              std::fabs(error) * 2 == std::fabs(static_cast<double>(std::nextafter(f, error > 0 ? INFINITY : -INFINITY)) -
                                                static_cast<double>(f));
  }
  if (halfway) return ParseNumber(t, decimalComma, single);
  *single = f;
  return std::isfinite(f);
}

bool ParseVolume(std::string_view t, int* value) {
  if (!t.empty() && t.size() <= 9 && AllDigits(t)) {  // below 10^9: no overflow
    *value = Digits(t);
    return true;
  }
  const size_t dot = t.find('.');
  if (dot != std::string_view::npos) {
    for (char c : t.substr(dot + 1))
      if (c != '0') return false;
    t = t.substr(0, dot);
  }
  if (!AllDigits(t)) return false;
  while (t.size() > 1 && t.front() == '0') t.remove_prefix(1);
  if (t.size() > 10) return false;
  long long v = 0;
  for (char c : t) v = v * 10 + (c - '0');
  if (v > 2147483647) return false;
  *value = static_cast<int>(v);
  return true;
}

std::string Shown(std::string_view text) {
  std::string out = "'";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c >= 0x7f) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out + "'";
}

}  // namespace vqm::replay
