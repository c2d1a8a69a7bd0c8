// Random bar streams through the three exports, compared byte for byte with a model of the
// files written the plain way: every row formatted from its own call, the runs and the
// files kept in a map.
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <map>
#include <random>
#include <string>

#include "dataio/bar_export_fixture.h"

namespace vqm {
namespace {

using test::BarExportTest;
using test::BlockBar;
using test::IntBar;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Number(float v, int decimals) {
  return std::isnan(v) ? "nan" : Printf("%.*f", decimals, static_cast<double>(v));
}

// The calendar fields a bar's date and time give: an out-of-range time empties them all, an
// out-of-range date (the year byte ends at 2155) only the date.
struct Fields {
  int Y = 1900, M = 0, D = 0, h = 0, m = 0, s = 0;
};
Fields FieldsOf(int date, int time) {
  const uint32_t ymd = static_cast<uint32_t>(date) + 19000000u;
  const uint32_t hms = static_cast<uint32_t>(time) * 100u;
  Fields f;
  if (hms > 240000u) return f;
  f.h = static_cast<int>(hms / 10000);
  f.m = static_cast<int>(hms % 10000 / 100);
  f.s = static_cast<int>(hms % 100);
  if (ymd < 19000101u || ymd > 21551231u) return f;
  f.Y = static_cast<int>(ymd / 10000);
  f.M = static_cast<int>(ymd % 10000 / 100);
  f.D = static_cast<int>(ymd % 100);
  return f;
}

int Truncated(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483648.0f) return INT_MAX;
  return static_cast<int>(v);
}

struct Model {
  struct Run {
    std::string last = "~start";
    int counter = 1;
    int Advance(const std::string& s) {
      counter = Upper(s) == Upper(last) ? counter + 1 : 1;
      last = s;
      return counter;
    }
  } csv, txt;
  std::map<std::string, std::string> files;
  std::string lastFile;  // the name the last call wrote under
  bool namesIgnoreCase = platform::FileNamesIgnoreCase();

  static bool Refused(const std::string& s) { return s == "../up" || s == "CON"; }
  // A file that is new or empty when it is opened gets its header whatever the count.
  bool Empty(const std::string& name, bool append) {
    return !append || files[namesIgnoreCase ? Upper(name) : name].empty();
  }
  void Write(const std::string& name, bool append, const std::string& text) {
    lastFile = namesIgnoreCase ? Upper(name) : name;
    std::string& file = files[lastFile];
    if (!append) file.clear();
    file += text;
  }

  int Csv(const std::string& symbol, const IntBar& b, int appendFlag) {
    const int n = csv.Advance(symbol);
    if (Refused(symbol)) return -10;
    const float d = static_cast<float>(b.divisor);
    const std::string prices =
        Number(b.open / d, 4) + "," + Number(b.high / d, 4) + "," + Number(b.low / d, 4) + "," +
        Number(b.close / d, 4) + "," + Number(static_cast<float>(b.volume), 0) + "\r\n";
    const int date = static_cast<int>(static_cast<uint32_t>(b.date) + 19000000u);
    const int time = static_cast<int>(static_cast<uint32_t>(b.time) * 100u);
    std::string text;
    const bool header = n == 1 || Empty(symbol + ".csv", n > 1 || appendFlag != 0);
    if (b.time < 0) {
      if (header) text = "\"Symbol\",Date,Open,High,Low,Close,Volume\r\n";
      text += Printf("\"%s\",%08d,", symbol.c_str(), date) + prices;
    } else {
      if (header) text = "\"Symbol\",Date,Time,Open,High,Low,Close,Volume\r\n";
      text += Printf("\"%s\",%08d,%06d,", symbol.c_str(), date, time) + prices;
    }
    Write(symbol + ".csv", n > 1 || appendFlag != 0, text);
    return n;
  }

  int Txt(const std::string& symbol, const IntBar& b, int closeOnly) {
    const int n = txt.Advance(symbol);
    if (Refused(symbol)) return -10;
    const float d = static_cast<float>(b.divisor);
    const bool hasTime = b.time >= 0;
    const Fields f = FieldsOf(b.date, hasTime ? b.time : 0);
    std::string text;
    if (n == 1 || Empty(symbol + ".txt", n > 1))
      text = std::string(hasTime ? "\"Date\",\"Time\"," : "\"Date\",") +
             (closeOnly ? "\"Close\",\"Volume\"\r\n"
                        : "\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\r\n");
    text += Printf("%d/%d/%04d%c%02d:%02d:%02d,", f.M, f.D, f.Y, hasTime ? ',' : ' ', f.h, f.m,
                   f.s);
    if (!closeOnly)
      text += Number(b.open / d, 4) + "," + Number(b.high / d, 4) + "," + Number(b.low / d, 4) +
              ",";
    text += Number(b.close / d, 4) + "," + Number(static_cast<float>(b.volume), 0) + "\r\n";
    Write(symbol + ".txt", n > 1, text);
    return n;
  }

  int Csv2(const std::string& symbol, const BlockBar& b) {
    const int n = csv.Advance(symbol);
    if (Refused(symbol)) return -10;
    const bool timeColumn = Truncated(b.timeColumn) > 0;
    const bool symbolColumn = Truncated(b.symbolColumn) > 0;
    const int layout = Truncated(b.layout);
    const int date = Truncated(b.date), time = Truncated(b.time);
    std::string text;
    if (n == 1 || Empty(symbol + ".csv", n > 1 || Truncated(b.append) > 0)) {
      if (symbolColumn) text += "\"Symbol\",";
      text += timeColumn ? "Date,Time," : "Date,";
      text += layout == 2 ? "Open,High,Low,Close,Volume,\r\n" : "Open,High,Low,Close,VolUp,VolDn,\r\n";
    }
    std::string dateText, timeText;
    if (layout == 0 || layout == 2) {
      const Fields f = FieldsOf(date, time);
      dateText = Printf("%02d/%02d/%04d", f.M, f.D, f.Y);
      timeText = Printf("%02d:%02d", f.h, f.m);
    } else if (layout == 1) {
      dateText = Printf("%08d", static_cast<int>(static_cast<uint32_t>(date) + 19000000u));
      timeText = Printf("%06d", static_cast<int>(static_cast<uint32_t>(time) * 100u));
    }
    if (symbolColumn) text += "\"" + symbol + "\",";
    text += dateText + ",";
    if (timeColumn) text += timeText + ",";
    text += Number(b.open, 2) + "," + Number(b.high, 2) + "," + Number(b.low, 2) + "," +
            Number(b.close, 2) + ",";
    text += layout == 2 ? Number(b.up + b.down, 0) : Number(b.up, 0) + "," + Number(b.down, 0);
    text += "\r\n";
    Write(symbol + ".csv", n > 1 || Truncated(b.append) > 0, text);
    return n;
  }
};

// The random bars: mostly ordinary, with the edges mixed in.
class BarSource {
 public:
  explicit BarSource(unsigned seed) : rng_(seed) {}

  std::string Symbol() {
    static const char* const kSymbols[] = {"ES",  "es",    "Es",  "NQ",    "ES1", "CL 2",
                                           "@ES#C", "6E_M", "%s%n", "../up", "CON"};
    static const std::string kLong(130, 'L');
    if (Pick(4) != 0) return last_;  // mostly the same symbol again
    const int i = Pick(12);
    last_ = i == 11 ? kLong : kSymbols[i];
    return last_;
  }
  int Date() {
    static const int kOdd[] = {0, -1, 1241350, 2551231, 2561231, 1999999999, -19000000};
    if (Pick(8) == 0) return kOdd[Pick(7)];
    return 1200000 + Pick(30) * 10000 + (1 + Pick(12)) * 100 + 1 + Pick(28);
  }
  int Time() {
    static const int kOdd[] = {-1, -930, 0, 2400, 2401, 2399, 9999, 50000000, INT_MIN};
    if (Pick(6) == 0) return kOdd[Pick(9)];
    return Pick(24) * 100 + Pick(60);
  }
  IntBar Ints() {
    static const int kDivisors[] = {1, 4, 100, 32, 1000, 7, -100, 0};
    const int divisor = Pick(10) == 0 ? kDivisors[Pick(8)] : 100;
    const int volume = Pick(10) == 0 ? 16777217 + Pick(3) : Pick(100000);
    return IntBar{Date(), Time(), divisor, Price(), Price(), Price(), Price(), volume};
  }
  BlockBar Block() {
    static const float kFlags[] = {0, 0.9f, 1, 2, -1, 1.5f};
    static const float kLayouts[] = {0, 1, 2, 3, -1, 1.9f, 2.2f};
    static const float kOdd[] = {NAN, -NAN, INFINITY, -INFINITY, -0.0f, 0.125f, 1e20f, 2.5f};
    auto value = [&] { return Pick(12) == 0 ? kOdd[Pick(8)] : static_cast<float>(Price()) / 4; };
    const float time = Pick(8) == 0 ? -0.5f : static_cast<float>(Time()) + (Pick(2) ? 0.7f : 0);
    return BlockBar{static_cast<float>(Date()), time, value(), value(), value(), value(),
                    value(), value(), kFlags[Pick(6)], kFlags[Pick(6)], kFlags[Pick(6)],
                    kLayouts[Pick(7)]};
  }
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

 private:
  int Price() { return static_cast<int>(rng_() % 2000001) - 1000000; }
  std::mt19937 rng_;
  std::string last_ = "ES";
};

class BarStreamTest : public BarExportTest {};

TEST_P(BarStreamTest, RandomStreamsMatchTheModel) {
  for (unsigned seed : {1u, 2u, 3u}) {
    test::RemoveTree(csvDir_);
    Csv("~start", IntBar{1240315, 930, 1, 1, 1, 1, 1, 1}, 0);
    Txt("~start", IntBar{1240315, 930, 1, 1, 1, 1, 1, 1}, 0);
    Model model;
    BarSource source(seed);
    for (int call = 0; call < 400; ++call) {
      const std::string symbol = source.Symbol();
      const int which = source.Pick(3);
      int expected, got;
      if (which == 0) {
        const IntBar bar = source.Ints();
        const int flag = source.Pick(4) == 0;
        expected = model.Csv(symbol, bar, flag);
        got = Csv(symbol.c_str(), bar, flag);
      } else if (which == 1) {
        const IntBar bar = source.Ints();
        const int flag = source.Pick(2);
        expected = model.Txt(symbol, bar, flag);
        got = Txt(symbol.c_str(), bar, flag);
      } else {
        const BlockBar bar = source.Block();
        expected = model.Csv2(symbol, bar);
        got = Csv2(symbol.c_str(), bar);
      }
      ASSERT_EQ(expected, got) << "seed " << seed << " call " << call << " " << symbol;
      if (expected < 0) continue;
      std::string actual;
      ASSERT_TRUE(test::ReadFileBytes(csvDir_ + "/" + model.lastFile, &actual));
      ASSERT_EQ(model.files[model.lastFile], actual)
          << "seed " << seed << " call " << call << " " << model.lastFile;
    }
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(BarStreamTest);

}  // namespace
}  // namespace vqm
