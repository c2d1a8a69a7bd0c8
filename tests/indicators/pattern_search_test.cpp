#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "indicators/bar_stream_model.h"
#include "indicators/pattern_search_history.h"
#include "base/log.h"
#include "support/backend_test.h"
#include "support/fresh_log.h"
#include "support/float_bits.h"

namespace vqm {
namespace {

using test::BarFields;

// ---- The pattern search written from its description, independently of the library ----

struct GemOut {
  int status = 0;
  float v[4] = {0, 0, 0, 0};  // fall below low, rise above low, rise above high, fall below high
};

class GemModel {
 public:
  int Add(const char* symbol, int date, int time, int divisor, int open, int high, int low,
          int close, int volume, int mode) {
    if (date < 900000) return -1;
    if (symbol == nullptr) return -2;
    if (divisor < 1) return -3;
    const BarFields t = test::ModelBarTime(date, time);
    if (!test::SameSymbol(symbol, symbol_)) {
      symbol_ = symbol;
      bars_.clear();
      // |INT_MIN| does not fit an int: the processor's negation leaves it INT_MIN.
      const int m = mode == INT_MIN ? INT_MIN : std::abs(mode);
      sameDay_ = mode >= 0;
      basis_ = m > 1000;
      scope_ = m % 1000 < 2 ? 2 : m % 1000;
    }
    if (Find(t) < 0) {
      const float d = static_cast<float>(divisor);
      bars_.push_back({t, static_cast<float>(high) / d, static_cast<float>(low) / d});
      (void)open, (void)close, (void)volume;  // stored, but nothing reads them back
    }
    return static_cast<int>(bars_.size());
  }

  GemOut Calc(const char* symbol, int date, int time) const {
    GemOut out;
    if (date < 900000) {
      out.status = -1;
      return out;
    }
    if (symbol == nullptr) {
      out.status = -2;
      return out;
    }
    const int r = Find(test::ModelBarTime(date, time)) - scope_;
    if (r < 0) {
      out.status = -1;
      return out;
    }
    const Bar& ref = bars_[static_cast<size_t>(r)];
    const int refDay = test::ModelCalendarDay(ref.t);
    float& fallBelowLow = out.v[0];
    float& riseAboveLow = out.v[1];
    float& riseAboveHigh = out.v[2];
    float& fallBelowHigh = out.v[3];
    for (int j = r + 1; j <= r + scope_; ++j) {
      const Bar& q = bars_[static_cast<size_t>(j)];
      if (sameDay_ && test::ModelCalendarDay(q.t) != refDay) break;
      if (ref.low > 0.0f) {
        float up = q.high - ref.low, dn = q.low - ref.low;
        if (basis_) up = up * 10000.0f / ref.low, dn = dn * 10000.0f / ref.low;
        if (up > 0.0f && up > riseAboveLow) riseAboveLow = up;
        if (dn < 0.0f && -dn > fallBelowLow) fallBelowLow = -dn;
      }
      if (ref.high > 0.0f) {
        float dn = ref.high - q.low, up = ref.high - q.high;
        if (basis_) dn = dn * 10000.0f / ref.high, up = up * 10000.0f / ref.high;
        if (dn > 0.0f && dn > fallBelowHigh) fallBelowHigh = dn;
        if (up < 0.0f && -up > riseAboveHigh) riseAboveHigh = -up;
      }
    }
    out.status = scope_;
    return out;
  }

 private:
  struct Bar {
    BarFields t;
    float high, low;
  };
  static int CompareKey(const void* key, const void* bar) {
    const BarFields& a = *static_cast<const BarFields*>(key);
    const BarFields& b = static_cast<const Bar*>(bar)->t;
    return a < b ? -1 : (b < a ? 1 : 0);
  }
  // The C library's binary search, as the library's lookup is defined: on bars that went
  // back in time it may miss, and it misses the same way here.
  int Find(const BarFields& t) const {
    if (bars_.empty()) return -1;
    const void* hit = bsearch(&t, bars_.data(), bars_.size(), sizeof(Bar), CompareKey);
    return hit == nullptr ? -1 : static_cast<int>(static_cast<const Bar*>(hit) - bars_.data());
  }

  std::string symbol_;
  std::vector<Bar> bars_;
  bool sameDay_ = true, basis_ = false;
  int scope_ = 100;
};

// ---- Tests ----

class PatternSearchTest : public test::BackendTest {
 protected:
  // A symbol no earlier call of this process used: its first bar starts a new history.
  std::string Fresh(const char* name) {
    static int run = 0;
    return std::string(name) + "_PS" + std::to_string(++run);
  }
  int Add(const std::string& symbol, int date, int time, int low, int high, int mode,
          int divisor = 100) {
    int open = low, close = high, volume = 1000;
    return api().VQM_FindGemAdd(0, symbol.c_str(), date, time, divisor, &open, &high, &low, &close,
                                &volume, mode);
  }
  void AgreesWithTheModel(unsigned seed);
  GemOut Calc(int date, int time, const char* symbol = "any") {
    GemOut out;
    for (float& v : out.v) v = 7.0f;
    out.status =
        api().VQM_FindGemCalc(0, symbol, date, time, 0, &out.v[0], &out.v[1], &out.v[2], &out.v[3]);
    return out;
  }
};

constexpr int kDay = 1240315;  // 15 March 2024

TEST(FindGemMode, Decoding) {
  struct Case {
    int mode, sameDay, inBasisPoints, scope, shown;
  } cases[] = {
      {20, 1, 0, 20, 20},       {-1020, 0, 1, 20, 20},   {1000, 1, 0, 2, 0},
      {-250, 0, 0, 250, 250},   {1250, 1, 1, 250, 250},  {1, 1, 0, 2, 1},
      {0, 1, 0, 2, 0},          {-1, 0, 0, 2, 1},        {999, 1, 0, 999, 999},
      {1001, 1, 1, 2, 1},       {-2999, 0, 1, 999, 999}, {INT_MAX, 1, 1, 647, 647},
      {INT_MIN, 0, 0, 2, -648}, {-1000, 0, 0, 2, 0},
  };
  for (const Case& c : cases) {
    const FindGemMode m = DecodeFindGemMode(c.mode);
    EXPECT_EQ(c.sameDay, m.sameDay) << c.mode;
    EXPECT_EQ(c.inBasisPoints, m.inBasisPoints) << c.mode;
    EXPECT_EQ(c.scope, m.scope) << c.mode;
    EXPECT_EQ(c.shown, m.shownMode) << c.mode;
  }
}

TEST_P(PatternSearchTest, RefusedBarsLeaveTheHistoryAlone) {
  const std::string s = Fresh("REFUSE");
  ASSERT_EQ(1, Add(s, kDay, 930, 10000, 10100, 2));
  int v = 1;
  struct Case {
    int date;
    const char* symbol;
    int divisor;
    bool nullPrice;
    int expected;
  } cases[] = {
      {899999, "OTHER", 100, false, -1}, {kDay, nullptr, 100, false, -2},
      {kDay, "OTHER", 0, false, -3},     {kDay, "OTHER", -100, false, -3},
      {kDay, "OTHER", 100, true, -4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, api().VQM_FindGemAdd(0, c.symbol, c.date, 931, c.divisor, &v, &v,
                                               c.nullPrice ? nullptr : &v, &v, &v, 2));
  int p[5] = {1, 1, 1, 1, 1};
  for (int i = 0; i < 5; ++i) {
    int* ptr[5] = {&p[0], &p[1], &p[2], &p[3], &p[4]};
    ptr[i] = nullptr;
    EXPECT_EQ(-4, api().VQM_FindGemAdd(0, "OTHER", kDay, 931, 1, ptr[0], ptr[1], ptr[2], ptr[3],
                                       ptr[4], 2));
  }
  // None of them switched the symbol or added a bar.
  EXPECT_EQ(2, Add(s, kDay, 931, 10000, 10100, 2));
  EXPECT_EQ(3, Add(s, kDay, 932, 10000, 10100, 2));
  EXPECT_EQ(2, Calc(kDay, 932).status);
  EXPECT_EQ(4, Add(s, 900000, 0, 10000, 10100, 2)) << "900000 is accepted as a date";
}

TEST_P(PatternSearchTest, RefusedCalcsClearTheOutputs) {
  const std::string s = Fresh("CALC");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(i + 1, Add(s, kDay, 930 + i, 10000, 10100, 2));
  GemOut out = Calc(899999, 932);
  EXPECT_EQ(-1, out.status);
  for (float v : out.v) EXPECT_EQ(0.0f, v);
  out = Calc(kDay, 932, nullptr);
  EXPECT_EQ(-2, out.status);
  for (float v : out.v) EXPECT_EQ(0.0f, v);
  out = Calc(kDay, 1000);  // never added
  EXPECT_EQ(-1, out.status);
  for (float v : out.v) EXPECT_EQ(0.0f, v);
  for (int missing = 0; missing < 4; ++missing) {
    float v[4] = {7, 7, 7, 7};
    float* ptr[4] = {&v[0], &v[1], &v[2], &v[3]};
    ptr[missing] = nullptr;
    EXPECT_EQ(-3, api().VQM_FindGemCalc(0, "x", kDay, 932, 0, ptr[0], ptr[1], ptr[2], ptr[3]));
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(i == missing ? 7.0f : 0.0f, v[i]);
    }
  }
  EXPECT_EQ(2, Calc(kDay, 932).status);
}

// Reference low 100 and high 100.25; after it lows 98.5 and 99, highs 100.5 and 101.
TEST_P(PatternSearchTest, ExcursionsInPriceUnitsAndTenThousandths) {
  struct Case {
    int mode;
    float fallBelowLow, riseAboveLow, riseAboveHigh, fallBelowHigh;
  } cases[] = {
      {2, 1.5f, 1.0f, 0.75f, 1.75f},
      {1002, 150.0f, 100.0f, 0.75f * 10000.0f / 100.25f, 1.75f * 10000.0f / 100.25f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    const std::string s = Fresh("EXC");
    ASSERT_EQ(1, Add(s, kDay, 930, 10000, 10025, c.mode));
    ASSERT_EQ(1, Add(s, kDay, 930, 5000, 20000, c.mode)) << "an equal time keeps the first bar";
    ASSERT_EQ(2, Add(s, kDay, 931, 9850, 10050, c.mode));
    ASSERT_EQ(3, Add(s, kDay, 932, 9900, 10100, c.mode));
    EXPECT_EQ(-1, Calc(kDay, 931).status) << "one bar before it, scope 2";
    const GemOut out = Calc(kDay, 932);
    EXPECT_EQ(2, out.status);
    EXPECT_EQ(test::FloatBits(c.fallBelowLow), test::FloatBits(out.v[0]));
    EXPECT_EQ(test::FloatBits(c.riseAboveLow), test::FloatBits(out.v[1]));
    EXPECT_EQ(test::FloatBits(c.riseAboveHigh), test::FloatBits(out.v[2]));
    EXPECT_EQ(test::FloatBits(c.fallBelowHigh), test::FloatBits(out.v[3]));
  }
}

// A reference bar with a low or high of 0 or below measures nothing on that side.
TEST_P(PatternSearchTest, ReferenceAtOrBelowZeroMeasuresNothingOnThatSide) {
  struct Case {
    int refLow, refHigh;
    bool lowSide, highSide;
  } cases[] = {{0, 100, false, true},
               {-50, 100, false, true},
               {100, 0, true, false},
               {-100, -1, false, false},
               {100, 200, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.refLow << "/" << c.refHigh);
    const std::string s = Fresh("ZERO");
    Add(s, kDay, 930, c.refLow, c.refHigh, 2, 1);
    Add(s, kDay, 931, -500, 500, 2, 1);
    Add(s, kDay, 932, -400, 400, 2, 1);
    const GemOut out = Calc(kDay, 932);
    EXPECT_EQ(2, out.status);
    EXPECT_EQ(c.lowSide, out.v[0] > 0.0f);
    EXPECT_EQ(c.lowSide, out.v[1] > 0.0f);
    EXPECT_EQ(c.highSide, out.v[2] > 0.0f);
    EXPECT_EQ(c.highSide, out.v[3] > 0.0f);
  }
}

// Scope 100: the 100th bar has no reference bar yet, the 101st has the first; with same-day
// bars a measurement stops at the day's end.
TEST_P(PatternSearchTest, ScopeAndTheDayBoundary) {
  const std::string s = Fresh("SCOPE");
  const int kLastMinute = 23 * 60 + 59;
  // 99 bars up to the day's last minute, then bars of the next day.
  for (int i = 0; i < 200; ++i) {
    const int minute = kLastMinute - 98 + i;
    const int date = minute > kLastMinute ? kDay + 1 : kDay;
    ASSERT_EQ(i + 1,
              Add(s, date, test::HostTimeOfMinute(minute % 1440), 10000 - i, 10000 + i, 100));
  }
  EXPECT_EQ(-1, Calc(kDay + 1, 0).status) << "the 100th bar";
  GemOut out = Calc(kDay + 1, 1);  // reference: the first bar; the day has 98 more
  EXPECT_EQ(100, out.status);
  EXPECT_EQ(test::FloatBits(-(9902.0f / 100.0f - 100.0f)), test::FloatBits(out.v[0]));
  EXPECT_EQ(test::FloatBits(10098.0f / 100.0f - 100.0f), test::FloatBits(out.v[1]));
  // The reference is the day's last bar, all later bars are on the next day.
  out = Calc(kDay + 1, test::HostTimeOfMinute(99));
  EXPECT_EQ(100, out.status);
  for (float v : out.v) EXPECT_EQ(0.0f, v);
}

TEST_P(PatternSearchTest, AcrossDaysWithANegativeMode) {
  const std::string s = Fresh("DAYS");
  Add(s, kDay, 2359, 10000, 10000, -2);
  Add(s, kDay + 1, 0, 9900, 10100, -2);
  Add(s, kDay + 1, 1, 10000, 10000, -2);
  const GemOut out = Calc(kDay + 1, 1);
  EXPECT_EQ(2, out.status);
  EXPECT_EQ(1.0f, out.v[0]);
  EXPECT_EQ(1.0f, out.v[1]);
}

TEST_P(PatternSearchTest, AnotherSymbolDiscardsTheHistory) {
  const std::string a = Fresh("A"), b = Fresh("B");
  for (int i = 0; i < 3; ++i) Add(a, kDay, 930 + i, 10000, 10000, 2);
  EXPECT_EQ(2, Calc(kDay, 932).status);
  EXPECT_EQ(4, Add(a, kDay, 933, 10000, 10000, 50)) << "mode counts only for a new symbol";
  EXPECT_EQ(2, Calc(kDay, 933).status);
  std::string lower = a;
  for (char& ch : lower) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
  EXPECT_EQ(5, Add(lower, kDay, 934, 10000, 10000, 2)) << "letter case does not matter";
  EXPECT_EQ(1, Add(b, kDay, 935, 10000, 10000, 2));
  EXPECT_EQ(1, Add(a, kDay, 936, 10000, 10000, 2));
  EXPECT_EQ(-1, Calc(kDay, 932).status);
}

TEST_P(PatternSearchTest, VeryLongSymbolIsASymbolLikeAnyOther) {
  const std::string s = Fresh(std::string(100000, 'L').c_str());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(i + 1, Add(s, kDay, 930 + i, 10000, 10000, 2));
  EXPECT_EQ(2, Calc(kDay, 932, s.c_str()).status);
}

// Bit for bit against the model over long streams of bars, with symbol changes that discard
// the history and calculations for times that were and were not added.
void PatternSearchTest::AgreesWithTheModel(unsigned seed) {
  std::mt19937 rng(seed);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int modes[] = {2,       3,     20,   100,   999,   1000, 1001,  1020, 1100,
                       -2,      -20,   -250, -1020, -1999, 0,    -1,    5000, INT_MIN,
                       INT_MAX, 12345, -999, 50,    -50,   1050, -1050, 777};
  const std::string tag = Fresh("");
  std::vector<std::string> symbols = {"ES" + tag, "es" + tag, "NQ" + tag, "CL" + tag};

  constexpr int kBars = 20000;
  GemModel model;
  std::vector<std::pair<int, int>> added;  // host date and time of every bar offered
  int day = 0, minute = 0, price = 500000;
  size_t symbol = 0;
  {  // the first bar starts a new history in both
    int v = price;
    ASSERT_EQ(1, model.Add(symbols[0].c_str(), test::HostDateOfDay(0), 0, 100, v, v, v, v, v, 20));
    ASSERT_EQ(1, api().VQM_FindGemAdd(0, symbols[0].c_str(), test::HostDateOfDay(0), 0, 100, &v, &v,
                                      &v, &v, &v, 20));
    added.emplace_back(test::HostDateOfDay(0), 0);
  }
  for (int n = 0; n < kBars; ++n) {
    if (uniform(0, 4999) == 0) symbol = static_cast<size_t>(uniform(0, 3));
    // Every 9000 bars another symbol starts a history, whose bars then ascend for 9000 bars
    // or go back now and then, by turns.
    const bool ascending = n / 9000 % 2 == 0;
    if (n % 9000 == 0 && n > 0) symbol = (symbol + 2) % 4;
    const int mode = modes[uniform(0, 25)];

    const int roll = uniform(0, 999);
    if (roll < 900) {
      minute += uniform(1, 7);
      if (minute >= 1440) minute -= 1440, ++day;
    } else if (roll < 910 && minute > 50 && !ascending) {
      minute -= uniform(1, 50);  // back in time: the binary search may now miss
    }
    int date = test::HostDateOfDay(day), time = test::HostTimeOfMinute(minute);
    if (roll >= 990 && roll < 994 && !ascending)
      date = uniform(0, 1) ? 2560101 : 1240230 + uniform(0, 1);
    if (roll >= 994 && roll < 997 && !ascending)
      time = uniform(0, 1) ? 2401 + uniform(0, 99) : -uniform(1, 9);
    if (roll >= 997) date = 899999 + uniform(0, 1);
    if (roll == 989) time = 2400;  // a bar time taken as it stands, of no calendar day

    const int divisor = roll % 50 == 0 ? uniform(-1, 3) : (n / 1000 % 2 == 0 ? 100 : 1);
    price += uniform(-300, 300);
    int high = price + uniform(0, 400), low = price - uniform(0, 400);
    if (uniform(0, 99) == 0) low = -uniform(0, 1000);
    if (uniform(0, 199) == 0) high = uniform(-1000, 0);
    int open = price, close = price + uniform(-100, 100), volume = uniform(-5, 100000);

    const char* sym = uniform(0, 999) == 0 ? nullptr : symbols[symbol].c_str();
    const int want = model.Add(sym, date, time, divisor, open, high, low, close, volume, mode);
    const int got = api().VQM_FindGemAdd(n, sym, date, time, divisor, &open, &high, &low, &close,
                                         &volume, mode);
    ASSERT_EQ(want, got) << "add " << n;
    added.emplace_back(date, time);

    // Measure after a bar: this one, one offered earlier, or a time never offered.
    const int pick = uniform(0, 9);
    int calcDate = date, calcTime = time;
    if (pick < 5) {
      const auto& earlier =
          added[static_cast<size_t>(uniform(0, static_cast<int>(added.size()) - 1))];
      calcDate = earlier.first, calcTime = earlier.second;
    } else if (pick == 9) {
      calcTime = time + 1;
    }
    const GemOut expected = model.Calc(sym, calcDate, calcTime);
    float v[4] = {7, 7, 7, 7};
    const int status =
        api().VQM_FindGemCalc(0, sym, calcDate, calcTime, n, &v[0], &v[1], &v[2], &v[3]);
    ASSERT_EQ(expected.status, status) << "calc " << n;
    for (int i = 0; i < 4; ++i)
      ASSERT_EQ(test::FloatBits(expected.v[i]), test::FloatBits(v[i])) << "calc " << n << " output " << i;
  }
}

TEST_P(PatternSearchTest, AgreesWithTheModelOverLongRandomStreams) {
  AgreesWithTheModel(inProcess() ? 6301 : 6302);
}

// The same with the log closed, as a chart runs: the usual calc then takes its short way
// while this thread holds the lock's bias (not after a test on other threads has revoked
// it). The loaded library keeps a log of its own, open.
TEST_P(PatternSearchTest, AgreesWithTheModelWithTheLogClosed) {
  if (!inProcess()) GTEST_SKIP() << "the loaded library's log is not reached from here";
  struct LogReopened {
    ~LogReopened() { test::ResetLogWriter(); }
  } reopened;
  LOGTRACE("*CLOSE", 0, "-");
  AgreesWithTheModel(6303);
}

VQM_INSTANTIATE_BACKEND_TESTS(PatternSearchTest);

}  // namespace
}  // namespace vqm
