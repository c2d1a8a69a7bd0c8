#include "base/printf_format.h"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace vqm {
namespace {

constexpr int kMaxFixedPrecision = 40;  // keeps every finite double within the digit buffer

// The text so far: characters past the capacity are counted, not stored.
class Output {
 public:
  Output(char* out, size_t capacity) : out_(out), room_(capacity > 0 ? capacity - 1 : 0) {}

  // Pieces of a log line are a few bytes long: copied in two words that may overlap, not
  // through a call.
  void Put(const char* text, size_t n) {
    const size_t kept = length_ < room_ ? (n < room_ - length_ ? n : room_ - length_) : 0;
    char* to = out_ + length_;
    if (kept > 16) {
      memcpy(to, text, kept);
    } else if (kept >= 8) {
      CopyTwo<8>(to, text, kept);
    } else if (kept >= 4) {
      CopyTwo<4>(to, text, kept);
    } else if (kept > 0) {
      to[0] = text[0];
      to[kept / 2] = text[kept / 2];
      to[kept - 1] = text[kept - 1];
    }
    length_ += n;
  }
  void Repeat(char c, size_t n) {
    const size_t kept = length_ < room_ ? (n < room_ - length_ ? n : room_ - length_) : 0;
    for (size_t i = 0; i < kept; ++i) out_[length_ + i] = c;
    length_ += n;
  }
  // Pads text to width: blanks on the left, blanks on the right ('-'), or zeros after the
  // sign ('0', numbers only).
  void Field(const char* text, size_t n, size_t width, bool left, bool zeros) {
    const size_t pad = n < width ? width - n : 0;
    if (left) {
      Put(text, n);
      Repeat(' ', pad);
    } else if (zeros) {
      const size_t sign = n > 0 && text[0] == '-' ? 1 : 0;
      Put(text, sign);
      Repeat('0', pad);
      Put(text + sign, n - sign);
    } else {
      Repeat(' ', pad);
      Put(text, n);
    }
  }
  // The first and the last W bytes of n (W <= n <= 2 W), read before either is written.
  template <size_t W>
  static void CopyTwo(char* to, const char* from, size_t n) {
    char head[W], tail[W];
    memcpy(head, from, W);
    memcpy(tail, from + n - W, W);
    memcpy(to, head, W);
    memcpy(to + n - W, tail, W);
  }
  void Finish(size_t capacity) {
    if (capacity > 0) out_[length_ < room_ ? length_ : room_] = 0;
  }
  size_t length() const { return length_; }

 private:
  char* out_;
  size_t room_;
  size_t length_ = 0;
};

struct Conversion {
  bool left = false, zeros = false, longLong = false;
  size_t width = 0;
  int precision = -1;
  char letter = 0;  // d, i, x, X, c, s or f; any other goes to vsnprintf
};

size_t ReadNumber(const char*& p) {
  size_t n = 0;
  while (*p >= '0' && *p <= '9' && n < 100000) n = n * 10 + static_cast<size_t>(*p++ - '0');
  return n;
}

// Reads the conversion after a '%'; false for one this formatter leaves to vsnprintf.
bool ReadConversion(const char*& p, Conversion& s) {
  for (;; ++p) {
    if (*p == '-')
      s.left = true;
    else if (*p == '0')
      s.zeros = true;
    else
      break;
  }
  if (*p == '*') return false;
  s.width = ReadNumber(p);
  if (*p == '.') {
    ++p;
    if (*p == '*') return false;
    s.precision = static_cast<int>(ReadNumber(p));
  }
  if (p[0] == 'l' && p[1] == 'l') {
    s.longLong = true;
    p += 2;
  }
  s.letter = *p++;
  switch (s.letter) {
    case 'd': case 'i': case 'X': case 'x':
      return s.precision < 0;
    case 'f':
      return !s.longLong && s.precision <= kMaxFixedPrecision;
    case 's': case 'c':
      return !s.longLong && !s.zeros && (s.letter == 's' || s.precision < 0);
    default:
      return false;
  }
}

// A float widened to double, printed at a precision of at most 8: its value times 10^p is
// exact in a double (a float's 24 bits times the at most 19 of 5^p; the 2^p only moves the
// exponent), so rounding that product to an integer, half to even, gives the correctly
// rounded digits without the general algorithm. The comparisons round nothing, whatever
// rounding mode the host has set. False for any other value, which goes the general way.
bool FixedFromFloat(double v, int precision, char* digits, std::to_chars_result& r) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  static constexpr uint64_t kIntegerPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000,
                                                10000000, 100000000};
  const double magnitude = std::fabs(v);
  if (precision > 8 || !(magnitude <= FLT_MAX) ||
      static_cast<double>(static_cast<float>(v)) != v)
    return false;
  const double scaled = magnitude * kPowers[precision];
  if (!(scaled < 0x1p62)) return false;
  uint64_t q = static_cast<uint64_t>(scaled);
  const double fraction = scaled - static_cast<double>(q);
  if (fraction > 0.5 || (fraction == 0.5 && (q & 1) != 0)) ++q;

  char* p = digits;
  if (std::signbit(v)) *p++ = '-';
  const uint64_t unit = kIntegerPowers[precision];
  p = std::to_chars(p, digits + 32, q / unit).ptr;
  if (precision > 0) {
    *p++ = '.';
    // The fraction's digits, leading zeros included, from the right.
    uint64_t rest = q % unit;
    for (int i = precision - 1; i >= 0; --i) {
      p[i] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    p += precision;
  }
  r = {p, std::errc()};
  return true;
}

// One conversion; false to leave the whole text to vsnprintf.
bool Convert(const Conversion& s, va_list* args, Output& out) {
  char digits[400];
  std::to_chars_result r{digits, std::errc()};
  switch (s.letter) {
    case 'd': case 'i':
      r = s.longLong ? std::to_chars(digits, digits + sizeof digits, va_arg(*args, long long))
                     : std::to_chars(digits, digits + sizeof digits, va_arg(*args, int));
      break;
    case 'X': case 'x':
      r = s.longLong
              ? std::to_chars(digits, digits + sizeof digits, va_arg(*args, unsigned long long), 16)
              : std::to_chars(digits, digits + sizeof digits, va_arg(*args, unsigned), 16);
      if (s.letter == 'X')
        for (char* c = digits; c < r.ptr; ++c)
          if (*c >= 'a') *c = static_cast<char>(*c - 'a' + 'A');
      break;
    case 'f': {
      const double v = va_arg(*args, double);
      // Infinities and NaN: the C libraries spell and sign them their own ways.
      if (!std::isfinite(v)) return false;
      if (FixedFromFloat(v, s.precision < 0 ? 6 : s.precision, digits, r)) break;
      r = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed,
                        s.precision < 0 ? 6 : s.precision);
      break;
    }
    case 'c':
      digits[0] = static_cast<char>(va_arg(*args, int));
      r.ptr = digits + 1;
      break;
    case 's': {
      const char* text = va_arg(*args, const char*);
      if (text == nullptr) return false;  // "(null)" or nothing: the C library's choice
      const size_t n = s.precision < 0 ? strlen(text)
                                       : strnlen(text, static_cast<size_t>(s.precision));
      out.Field(text, n, s.width, s.left, false);
      return true;
    }
  }
  if (r.ec != std::errc()) return false;
  out.Field(digits, static_cast<size_t>(r.ptr - digits), s.width, s.left, s.zeros && !s.left);
  return true;
}

bool FormatFast(Output& out, const char* format, va_list* args) {
  const char* p = format;
  while (*p) {
    // Letters, digits and most punctuation lie above '%' in ASCII: one test passes them.
    const char* percent = p;
    while (static_cast<unsigned char>(*percent) > '%' || (*percent != '%' && *percent != 0))
      ++percent;
    out.Put(p, static_cast<size_t>(percent - p));
    if (*percent == 0) break;
    p = percent + 1;
    if (*p == '%') {
      out.Put("%", 1);
      ++p;
      continue;
    }
    Conversion conversion;
    if (!ReadConversion(p, conversion) || !Convert(conversion, args, out)) return false;
  }
  return true;
}

}  // namespace

int FormatPrintf(char* out, size_t capacity, const char* format, va_list args) {
  // The fast pass reads its own copy of the arguments; a fallback starts again from them.
  va_list work;
  va_copy(work, args);
  Output text(out, capacity);
  const bool done = FormatFast(text, format, &work);
  va_end(work);
  if (!done) return vsnprintf(out, capacity, format, args);
  text.Finish(capacity);
  return static_cast<int>(text.length());
}

int PrintfInto(char* out, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = FormatPrintf(out, capacity, format, args);
  va_end(args);
  return n;
}

}  // namespace vqm
