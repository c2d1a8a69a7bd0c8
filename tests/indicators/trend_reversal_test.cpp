#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "indicators/bar_stream_model.h"
#include "support/average_model.h"
#include "support/backend_test.h"
#include "support/float_bits.h"

namespace vqm {
namespace {

using test::BarFields;

// ---- The trend reversal written from its description, independently of the library ----

struct TrendOut {
  int status = 0;
  float position = 0.0f;
  float width = 0.0f;
};

class TrendModel {
 public:
  TrendOut Call(const char* symbol, int date, int time, int key1, int key2, float price,
                float factor, int fast, int slow) {
    TrendOut out;
    if (date < 900000) {
      out.status = -1;
      return out;
    }
    if (symbol == nullptr) {
      out.status = -2;
      return out;
    }
    const BarFields t = test::ModelBarTime(date, time);
    const Key key{Upper(symbol), key1, key2};
    auto it = series_.find(key);
    if (it == series_.end() || t < it->second.last) {
      Series fresh;
      fresh.lengths = RibbonLengths(fast, slow);
      it = series_.insert_or_assign(key, fresh).first;
    }
    Series& s = it->second;
    s.last = t;
    s.prices.push_back(price);
    return Measure(s, price, factor);
  }

 private:
  using Key = std::tuple<std::string, int, int>;
  struct Series {
    BarFields last{};
    std::vector<long long> lengths;
    std::vector<float> prices;  // every price pushed since the series began
  };

  static std::string Upper(const char* s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return u;
  }

  // fast, fast + step, ... up to slow; step (slow - fast) / 11, or 1 below 11.
  static std::vector<long long> RibbonLengths(int fast, int slow) {
    std::vector<long long> lengths;
    const long long span = static_cast<long long>(slow) - fast;
    if (span < 0) return lengths;
    const long long step = span < 11 ? 1 : span / 11;
    for (long long l = fast; l <= slow; l += step) lengths.push_back(l);
    return lengths;
  }

  static int Truncated(float q) {
    const double t = std::trunc(static_cast<double>(q));
    if (std::isnan(q) || t >= 2147483648.0 || t < -2147483648.0) return INT_MIN;
    return static_cast<int>(t);
  }

  static TrendOut Measure(const Series& s, float x, float k) {
    TrendOut out;
    std::vector<float> values;
    for (long long length : s.lengths)
      if (length > 0 && length <= 1000000) values.push_back(test::AverageModel::SimpleOfHistory(s.prices, static_cast<int>(length)));
    if (values.empty()) {
      out.status = -1;
      return out;
    }
    float lo = values[0], hi = values[0];
    for (float v : values) {
      if (std::isnan(v)) return out;  // no order, no width
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
    const float w = hi - lo;
    if (!(w > 0.0f)) return out;
    out.width = k * 10000.0f * w / lo;
    if (lo > x) {
      out.status = 1;
      out.position = -100.0f;
    } else if (x > hi) {
      out.status = 2;
      out.position = 100.0f;
    } else {
      const long long steps = Truncated((x - lo) * 200.0f / w / 25.0f);
      out.position = static_cast<float>(
          static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(steps * 25 - 100))));
    }
    return out;
  }

  std::map<Key, Series> series_;
};

// ---- Tests ----

class TrendReversalTest : public test::BackendTest {
 protected:
  // Symbols no other test of this process has used with this backend's library.
  std::string Fresh(const char* name) {
    static int run = 0;
    return std::string(name) + "_TR" + std::to_string(++run);
  }
  TrendOut Call(const std::string& symbol, int date, int time, float price, int fast = 10,
                int slow = 120, float factor = 1.0f, int key1 = 5, int key2 = 1) {
    TrendOut out{0, 7.0f, 7.0f};
    out.status = api().VQM_TrendReversal(0, symbol.c_str(), date, time, key1, key2, price, factor,
                                         fast, slow, &out.position, &out.width);
    return out;
  }
};

constexpr int kDay = 1240315;  // 15 March 2024

TEST_P(TrendReversalTest, RefusedCallsLeaveZeros) {
  float position = 7.0f, width = 7.0f;
  EXPECT_EQ(-1, api().VQM_TrendReversal(0, "ES", 899999, 930, 5, 1, 100.0f, 1.0f, 10, 120,
                                        &position, &width));
  EXPECT_EQ(0.0f, position);
  EXPECT_EQ(0.0f, width);
  position = width = 7.0f;
  EXPECT_EQ(-2, api().VQM_TrendReversal(0, nullptr, kDay, 930, 5, 1, 100.0f, 1.0f, 10, 120,
                                        &position, &width));
  EXPECT_EQ(0.0f, position);
  EXPECT_EQ(0.0f, width);
  // A missing output refuses the call before the series is touched; the other is cleared.
  const std::string s = Fresh("NULLOUT");
  position = 7.0f;
  EXPECT_EQ(-3, api().VQM_TrendReversal(0, s.c_str(), kDay, 930, 5, 1, 1.0f, 1.0f, 1, 2, &position,
                                        nullptr));
  EXPECT_EQ(0.0f, position);
  width = 7.0f;
  EXPECT_EQ(-3, api().VQM_TrendReversal(0, s.c_str(), kDay, 930, 5, 1, 1.0f, 1.0f, 1, 2, nullptr,
                                        &width));
  EXPECT_EQ(0.0f, width);
  // The series starts with the next call (lengths 2 and 3, no width while warming up); had
  // the refused calls made it with lengths 1 and 2 and the price 1, it would have a width.
  for (const float price : {100.0f, 90.0f}) {
    const TrendOut out = Call(s, kDay, 931, price, 2, 3);
    EXPECT_EQ(0, out.status);
    EXPECT_EQ(0.0f, out.position);
    EXPECT_EQ(0.0f, out.width);
  }
  EXPECT_EQ(0, Call(s, 900000, 0, 100.0f).status) << "900000 is accepted (and restarts)";
}

TEST_P(TrendReversalTest, WarmUpGivesZerosForTheFirstFastCalls) {
  const std::string s = Fresh("WARM");
  const float prices[] = {100, 50, 300, 1, 1000, 2, 700, 3, 999, 4};
  int minute = 0;
  for (float p : prices) {
    const TrendOut out = Call(s, kDay, test::HostTimeOfMinute(570 + minute++), p);
    EXPECT_EQ(0, out.status);
    EXPECT_EQ(0.0f, out.position);
    EXPECT_EQ(0.0f, out.width);
  }
  // The eleventh: the averages differ now, and a price below all of them says so.
  const TrendOut out = Call(s, kDay, test::HostTimeOfMinute(570 + minute), 0.5f);
  EXPECT_EQ(1, out.status);
  EXPECT_EQ(-100.0f, out.position);
  EXPECT_LT(0.0f, out.width);
}

// A ramp 1, 2, ..., 200: each average is the mean of its last `length` prices, so the lowest
// is the longest average and the highest the shortest; width and status show both lengths.
TEST_P(TrendReversalTest, RibbonLengthsFromFastAndSlow) {
  struct Case {
    int fast, slow;
    int shortest, longest;  // initialised lengths; 0: no average
  } cases[] = {
      {10, 120, 10, 120}, {10, 100, 10, 98},
      {10, 10, 10, 10},   {10, 15, 10, 15},
      {10, 20, 10, 20},   {10, 21, 10, 21},
      {10, 32, 10, 32},   {10, 33, 10, 32},
      {0, 20, 1, 20},     {-5, 5, 1, 5},
      {1, 1, 1, 1},       {20, 10, 0, 0},
      {-10, -1, 0, 0},    {1000000, 1000001, 1000000, 1000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fast " << c.fast << " slow " << c.slow);
    const std::string s = Fresh("RAMP");
    TrendOut out;
    for (int i = 1; i <= 200; ++i)
      out = Call(s, kDay, test::HostTimeOfMinute(i), static_cast<float>(i), c.fast, c.slow);
    if (c.longest == 0) {
      EXPECT_EQ(-1, out.status);
      EXPECT_EQ(0.0f, out.width);
      continue;
    }
    // An average longer than the ramp holds all of it.
    const int longest = c.longest < 200 ? c.longest : 200;
    const int shortest = c.shortest < 200 ? c.shortest : 200;
    const float lo = 200.0f - static_cast<float>(longest - 1) / 2.0f;
    const float hi = 200.0f - static_cast<float>(shortest - 1) / 2.0f;
    if (lo == hi) {
      EXPECT_EQ(0, out.status);
      EXPECT_EQ(0.0f, out.position);
      EXPECT_EQ(0.0f, out.width);
    } else {
      EXPECT_EQ(hi < 200.0f ? 2 : 0, out.status);
      EXPECT_EQ(100.0f, out.position);
      EXPECT_EQ(test::FloatBits(1.0f * 10000.0f * (hi - lo) / lo), test::FloatBits(out.width));
    }
  }
}

// Lengths 2 and 3, prices 100, 90, 110 and then the price of the case: where it lands.
TEST_P(TrendReversalTest, PositionAndWidthInsideAndOutside) {
  struct Case {
    float price, factor;
    int status;
    float position;
    float lo, hi;  // the two averages after the fourth price
  } cases[] = {
      {105.0f, 1.0f, 0, 0.0f, 305.0f / 3.0f, 107.5f},
      {101.5f, 1.0f, 0, -75.0f, 100.5f, 105.75f},
      {101.5f, -2.5f, 0, -75.0f, 100.5f, 105.75f},
      {120.0f, 1.0f, 2, 100.0f, 320.0f / 3.0f, 115.0f},
      {30.0f, 0.5f, 1, -100.0f, 70.0f, 230.0f / 3.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "price " << c.price);
    const std::string s = Fresh("INSIDE");
    EXPECT_EQ(0, Call(s, kDay, 930, 100.0f, 2, 3).status);
    EXPECT_EQ(0, Call(s, kDay, 931, 90.0f, 2, 3).status);
    EXPECT_EQ(0, Call(s, kDay, 932, 110.0f, 2, 3).status);  // both averages are 100
    const TrendOut out = Call(s, kDay, 933, c.price, 2, 3, c.factor);
    EXPECT_EQ(c.status, out.status);
    EXPECT_EQ(c.position, out.position);
    EXPECT_EQ(test::FloatBits(c.factor * 10000.0f * (c.hi - c.lo) / c.lo), test::FloatBits(out.width));
  }
}

// Which calls start the series anew: a restart shows as the warm-up zeros of a new series.
TEST_P(TrendReversalTest, SeriesRestartsWhenItsTimeGoesBack) {
  struct Step {
    int date, time;
    const char* symbol;  // the series' symbol in some letter case
    int key2;
    int fast;  // a restart takes the lengths of its call
    bool restarts;
  } steps[] = {
      {kDay, 1000, "es", 1, 2, false},    {kDay, 1000, "ES", 1, 2, false},
      {kDay, 1001, "Es", 1, 5, false},    {kDay, 959, "eS", 1, 2, true},
      {kDay, 1002, "es", 2, 2, true},     {kDay, 1003, "es", 1, 2, false},
      {1240230, 1000, "es", 1, 2, true},  {1240231, 1000, "ES", 1, 2, false},
      {1240301, 1000, "es", 1, 2, false}, {2560101, 1000, "es", 1, 2, true},
      {1240302, 1000, "es", 1, 2, false}, {1240302, 2500, "es", 1, 2, true},
      {1240302, 2400, "es", 1, 2, false}, {1240303, -1, "ES", 1, 2, true},
  };
  const std::string tag = Fresh("");
  float price = 100.0f;
  int callsInSeries[3] = {0, 0, 0};
  for (const Step& st : steps) {
    SCOPED_TRACE(testing::Message() << st.date << " " << st.time << " " << st.symbol);
    const std::string symbol = st.symbol + tag;
    // Two calls per step: warm-up of a fresh series with fast 2 gives zeros for both.
    if (st.restarts) callsInSeries[st.key2] = 0;
    for (int i = 0; i < 2; ++i) {
      price += 10.0f;
      const TrendOut out = Call(symbol, st.date, st.time, price, st.fast, 3, 1.0f, 5, st.key2);
      ++callsInSeries[st.key2];
      if (callsInSeries[st.key2] <= 2) {
        EXPECT_EQ(0, out.status);
      } else {
        EXPECT_EQ(2, out.status) << "a rising price above a ribbon of lengths 2 and 3";
      }
    }
  }
}

TEST_P(TrendReversalTest, NonFinitePricesGiveNoWidthUntilTheyLeaveTheAverages) {
  const std::string s = Fresh("NAN");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (int i = 0; i < 3; ++i) Call(s, kDay, 930 + i, 100.0f, 2, 3);
  TrendOut out = Call(s, kDay, 933, nan, 2, 3);
  EXPECT_EQ(0, out.status);
  EXPECT_EQ(0.0f, out.position);
  EXPECT_EQ(0.0f, out.width);
  out = Call(s, kDay, 934, 100.0f, 2, 3);
  EXPECT_EQ(0, out.status);
  EXPECT_EQ(0.0f, out.width);
  out = Call(s, kDay, 935, 100.0f, 2, 3);  // length 2 is clear of the NaN, length 3 is not
  EXPECT_EQ(0, out.status);
  EXPECT_EQ(0.0f, out.width);
  out = Call(s, kDay, 936, 130.0f, 2, 3);  // both clear: 115 and 110
  EXPECT_EQ(2, out.status);
  EXPECT_EQ(test::FloatBits(10000.0f * 5.0f / 110.0f), test::FloatBits(out.width));
  // Infinities and NaN through the whole measurement: no crash, a definite answer each time.
  const float wild[] = {inf, -inf, 3e38f, -3e38f, nan, inf, 1.0f, -inf, 0.0f};
  int minute = 937;
  for (float p : wild) {
    out = Call(s, kDay, minute++, p, 2, 3, 1e30f);
    EXPECT_LE(-1, out.status);
    EXPECT_GE(2, out.status);
  }
}

TEST_P(TrendReversalTest, VeryLongSymbolIsASymbolLikeAnyOther) {
  const std::string s = Fresh(std::string(100000, 'L').c_str());
  for (int i = 0; i < 2; ++i) EXPECT_EQ(0, Call(s, kDay, 930 + i, 100.0f, 2, 3).status);
  EXPECT_EQ(1, Call(s, kDay, 932, 50.0f, 2, 3).status);
}

// Bit for bit against the model over a long stream of bars for many series at once; a few
// busy series get most of the bars, so their rings fill and wrap.
TEST_P(TrendReversalTest, AgreesWithTheModelOverLongRandomStreams) {
  std::mt19937 rng(GetParam() == test::Backend::kInProcess ? 6201 : 6202);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::string tag = Fresh("");
  constexpr int kSymbols = 60;
  const int keys1[] = {1, 2, 5, 99, -7};
  const int keys2[] = {0, 1, 15, 60};
  struct Clock {
    int day = 0, minute = 0;
    float price = 100.0f;
  };
  std::map<std::tuple<int, int, int>, Clock> clocks;

  TrendModel model;
  for (int n = 0; n < 60000; ++n) {
    const bool busy = uniform(0, 9) < 7;
    const int si = busy ? uniform(0, 2) : uniform(0, kSymbols - 1);
    const int k1 = busy ? 5 : keys1[uniform(0, 4)];
    const int k2 = busy ? uniform(0, 1) : keys2[uniform(0, 3)];
    Clock& c = clocks[{si, k1, k2}];
    std::string symbol = "Sym" + std::to_string(si) + tag;
    if (uniform(0, 3) == 0) symbol[0] = 's';  // the same series in another letter case

    // Time: mostly forward (across day boundaries), sometimes the same bar again, rarely
    // back, rarely a date or time that is refused.
    const int roll = uniform(0, 999);
    if (roll < 930) {
      c.minute += uniform(1, 30);
      if (c.minute >= 1440) c.minute -= 1440, ++c.day;
    } else if (roll >= 980 && roll < 985) {
      c.minute = c.minute >= 200 ? c.minute - uniform(1, 200) : c.minute;
      if (uniform(0, 1) && c.day > 0) --c.day;
    }
    int date = test::HostDateOfDay(c.day);
    int time = test::HostTimeOfMinute(c.minute);
    if (roll >= 985 && roll < 990) date = uniform(0, 1) ? 2560101 : 1240230 + uniform(0, 1);
    if (roll >= 990 && roll < 995) time = uniform(0, 1) ? 2401 + uniform(0, 9000) : -uniform(1, 9);
    if (roll >= 995) date = 899999 + uniform(0, 1);

    // Price: a random walk with steps to zero and below, and rare values beyond all reason.
    c.price += static_cast<float>(uniform(-200, 200)) / 64.0f;
    float price = c.price;
    const int p = uniform(0, 999);
    if (p == 0) price = std::numeric_limits<float>::quiet_NaN();
    if (p == 1) price = std::numeric_limits<float>::infinity() * (uniform(0, 1) ? 1.0f : -1.0f);
    if (p == 2) price = 3e37f;
    if (p > 2 && p < 20) price = -price;
    if (p >= 20 && p < 25) price = 0.0f;

    // Lengths: ordinary ribbons, small and empty spans, fast above slow, lengths of 0 and
    // below (only a new or restarted series takes them; their averages log every push, so
    // only the quiet series get those).
    int fast, slow;
    const int shape = uniform(0, busy ? 17 : 19);
    if (shape < 9) {
      fast = uniform(1, 30);
      slow = fast + uniform(11, 150);
    } else if (shape < 16) {
      fast = uniform(1, 40);
      slow = fast + uniform(0, 12);
    } else if (shape < 18) {
      fast = uniform(2, 60);
      slow = fast - uniform(1, 30);
    } else {
      fast = uniform(-12, 3);
      slow = uniform(-5, 40);
    }
    const float factor = uniform(0, 9) == 0 ? static_cast<float>(uniform(-3, 3)) : 1.5f;

    const TrendOut want = model.Call(symbol.c_str(), date, time, k1, k2, price, factor, fast, slow);
    float position = 7.0f, width = 7.0f;
    const int status = api().VQM_TrendReversal(n, symbol.c_str(), date, time, k1, k2, price, factor,
                                               fast, slow, &position, &width);
    ASSERT_EQ(want.status, status) << "call " << n;
    ASSERT_EQ(test::FloatBits(want.position), test::FloatBits(position)) << "call " << n << " " << position;
    ASSERT_EQ(test::FloatBits(want.width), test::FloatBits(width)) << "call " << n << " " << width;
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(TrendReversalTest);

}  // namespace
}  // namespace vqm
