// The series API against the per-bar exports: for every indicator, a random stream of bars
// fed bar by bar and in batches of random sizes must give, bit for bit, what the exports
// give for the same parameters and bars; a reset series gives the same again; a freed or
// foreign handle is refused. One table of indicators, run against the library linked in and
// the built library loaded by path.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "indicators/bar_stream_model.h"
#include "testing/host_double.h"
#include "series/series_export_list.h"
#include "support/float_bits.h"
#include "support/library_under_test.h"
#include "vqm/series.h"

namespace vqm::test {
namespace {

struct SeriesApi {
#define VQM_SERIES_POINTER(name) decltype(&::name) name = nullptr;
  VQM_SERIES_EXPORT_LIST(VQM_SERIES_POINTER)
#undef VQM_SERIES_POINTER
};

const SeriesApi& SeriesApiOf(Backend backend) {
  static const SeriesApi linked = [] {
    SeriesApi a;
#define VQM_SERIES_LINKED(name) a.name = &::name;
    VQM_SERIES_EXPORT_LIST(VQM_SERIES_LINKED)
#undef VQM_SERIES_LINKED
    return a;
  }();
  static const SeriesApi loaded = [] {
    SeriesApi a;
#define VQM_SERIES_LOADED(name) \
  a.name = reinterpret_cast<decltype(a.name)>(SharedLibrary().Resolve(#name));
    VQM_SERIES_EXPORT_LIST(VQM_SERIES_LOADED)
#undef VQM_SERIES_LOADED
    return a;
  }();
  return backend == Backend::kInProcess ? linked : loaded;
}

using Outputs = std::vector<uint32_t>;  // every output of every bar, as bits
void Put(Outputs& o, float f) { o.push_back(FloatBits(f)); }
void Put(Outputs& o, int i) { o.push_back(static_cast<uint32_t>(i)); }

// A symbol no other test uses, so that the exports start fresh series.
std::string FreshSymbol(const char* stem) {
  static int counter = 0;
  return std::string("SERIES_") + stem + "_" + std::to_string(++counter);
}

// Bars of a session: several per day, time ascending; now and then the stream goes back
// a day (which restarts the date-keyed indicators) or repeats a bar.
struct Bar {
  int date, time, barNumber;
  float value, up, down;
  int ohlcv[5];
};

std::vector<Bar> RandomBars(uint32_t seed, int count, bool goesBack) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> step(-1.5f, 1.5f);
  std::uniform_int_distribution<int> ticks(0, 400);
  std::uniform_int_distribution<int> percent(0, 99);
  std::vector<Bar> bars;
  int day = 0, minute = 570, barNumber = 1;
  float price = 100.0f;
  for (int i = 0; i < count; ++i) {
    const int roll = percent(rng);
    if (roll < 8 && minute < 900) {
      // repeated bar: same date-time and bar number, a new value
    } else if (roll < 10 && goesBack && day > 0) {
      --day;
      minute = 570;
      ++barNumber;
    } else if (minute >= 960 || roll < 15) {
      ++day;
      minute = 570;
      ++barNumber;
    } else {
      minute += 5;
      ++barNumber;
    }
    price += step(rng);
    Bar b{HostDateOfDay(day), HostTimeOfMinute(minute), barNumber, price, 0, 0, {}};
    b.up = static_cast<float>(ticks(rng) / 3 * 3);
    b.down = static_cast<float>(ticks(rng) / 4 * 4);
    const int close = static_cast<int>(price * 100.0f);
    b.ohlcv[0] = close - ticks(rng) / 10;
    b.ohlcv[1] = close + ticks(rng) / 4;
    b.ohlcv[2] = close - ticks(rng) / 4;
    b.ohlcv[3] = close;
    b.ohlcv[4] = ticks(rng) * 10;
    bars.push_back(b);
  }
  return bars;
}

enum class Mode { kStream, kBatch };

// One indicator with its parameters: the run through the exports, and through a series
// created with the API and fed bar by bar or in batches (pushed up to `end`, from `begin`).
struct Case {
  const char* name;
  bool goesBack;
  std::function<Outputs(const Exports&, const std::vector<Bar>&)> viaExports;
  std::function<int(const SeriesApi&, vqm_series**)> create;
  // Pushes bars [begin, end) and appends their outputs; returns the API's status.
  std::function<int(const SeriesApi&, vqm_series*, const std::vector<Bar>&, size_t, size_t, Mode,
                    Outputs&)>
      push;
};

Case RareAvgCase(const char* name, int regr, int wgt, int respFac, int barType, int dayKey) {
  Case c{name, true, nullptr, nullptr, nullptr};
  c.viaExports = [=](const Exports& x, const std::vector<Bar>& bars) {
    const std::string symbol = FreshSymbol("RA");
    Outputs o;
    for (const Bar& b : bars)
      Put(o, x.VQM_RareAvg(symbol.c_str(), regr, wgt, b.value, b.date, b.time, respFac, 0, barType,
                           dayKey, b.barNumber));
    return o;
  };
  c.create = [=](const SeriesApi& a, vqm_series** h) {
    return a.vqm_rare_avg_create(regr, wgt, respFac, barType, dayKey, h);
  };
  c.push = [](const SeriesApi& a, vqm_series* h, const std::vector<Bar>& bars, size_t begin,
              size_t end, Mode mode, Outputs& o) {
    std::vector<float> result(end - begin);
    if (mode == Mode::kStream) {
      for (size_t i = begin; i < end; ++i) {
        const int rc = a.vqm_rare_avg_push(h, bars[i].date, bars[i].time, bars[i].barNumber,
                                           bars[i].value, &result[i - begin]);
        if (rc != VQM_OK) return rc;
      }
    } else {
      std::vector<int> date, time, bar;
      std::vector<float> value;
      for (size_t i = begin; i < end; ++i) {
        date.push_back(bars[i].date);
        time.push_back(bars[i].time);
        bar.push_back(bars[i].barNumber);
        value.push_back(bars[i].value);
      }
      const int rc = a.vqm_rare_avg_push_n(h, end - begin, date.data(), time.data(), bar.data(),
                                           value.data(), result.data());
      if (rc != VQM_OK) return rc;
    }
    for (float r : result) Put(o, r);
    return VQM_OK;
  };
  return c;
}

Case TrendReversalCase(const char* name, int fast, int slow, float factor) {
  Case c{name, true, nullptr, nullptr, nullptr};
  c.viaExports = [=](const Exports& x, const std::vector<Bar>& bars) {
    const std::string symbol = FreshSymbol("TR");
    Outputs o;
    for (const Bar& b : bars) {
      float position = -1, width = -1;
      Put(o, x.VQM_TrendReversal(0, symbol.c_str(), b.date, b.time, 7, 0, b.value, factor, fast,
                                 slow, &position, &width));
      Put(o, position);
      Put(o, width);
    }
    return o;
  };
  c.create = [=](const SeriesApi& a, vqm_series** h) {
    return a.vqm_trend_reversal_create(fast, slow, factor, h);
  };
  c.push = [](const SeriesApi& a, vqm_series* h, const std::vector<Bar>& bars, size_t begin,
              size_t end, Mode mode, Outputs& o) {
    const size_t n = end - begin;
    std::vector<int> status(n);
    std::vector<float> position(n), width(n);
    if (mode == Mode::kStream) {
      for (size_t i = begin; i < end; ++i) {
        const int rc = a.vqm_trend_reversal_push(h, bars[i].date, bars[i].time, bars[i].value,
                                                 &status[i - begin], &position[i - begin],
                                                 &width[i - begin]);
        if (rc != VQM_OK) return rc;
      }
    } else {
      std::vector<int> date, time;
      std::vector<float> price;
      for (size_t i = begin; i < end; ++i) {
        date.push_back(bars[i].date);
        time.push_back(bars[i].time);
        price.push_back(bars[i].value);
      }
      const int rc = a.vqm_trend_reversal_push_n(h, n, date.data(), time.data(), price.data(),
                                                 status.data(), position.data(), width.data());
      if (rc != VQM_OK) return rc;
    }
    for (size_t i = 0; i < n; ++i) {
      Put(o, status[i]);
      Put(o, position[i]);
      Put(o, width[i]);
    }
    return VQM_OK;
  };
  return c;
}

Case BspCase(const char* name, int avgLen, int volLen, int style) {
  Case c{name, false, nullptr, nullptr, nullptr};
  c.viaExports = [=](const Exports& x, const std::vector<Bar>& bars) {
    const std::string key = FreshSymbol("BSP");
    HostDouble host;
    host.SetParameters(static_cast<float>(avgLen), static_cast<float>(volLen),
                       static_cast<float>(style));
    std::vector<char> keyText(key.begin(), key.end());
    keyText.resize(4096, 0);
    Outputs o;
    if (x.VQM_BSP("sub", 1, 2, keyText.data(), &host, 0) != 0) return o;
    CBSPSet* instance = reinterpret_cast<CBSPSet*>(
        static_cast<intptr_t>(x.VQM_BSPHandle("sub", 1, 2, key.c_str())));
    for (const Bar& b : bars) {
      float pressure = -7;
      x.VQM_BSPCalc(instance, b.up, b.down, style, &pressure);
      Put(o, pressure);
    }
    return o;
  };
  c.create = [=](const SeriesApi& a, vqm_series** h) {
    return a.vqm_bsp_create(avgLen, volLen, style, h);
  };
  c.push = [](const SeriesApi& a, vqm_series* h, const std::vector<Bar>& bars, size_t begin,
              size_t end, Mode mode, Outputs& o) {
    std::vector<float> up, down, pressure(end - begin);
    for (size_t i = begin; i < end; ++i) {
      up.push_back(bars[i].up);
      down.push_back(bars[i].down);
    }
    if (mode == Mode::kStream) {
      for (size_t i = 0; i < up.size(); ++i) {
        const int rc = a.vqm_bsp_push(h, up[i], down[i], &pressure[i]);
        if (rc != VQM_OK) return rc;
      }
    } else {
      const int rc = a.vqm_bsp_push_n(h, up.size(), up.data(), down.data(), pressure.data());
      if (rc != VQM_OK) return rc;
    }
    for (float p : pressure) Put(o, p);
    return VQM_OK;
  };
  return c;
}

Case PatternSearchCase(const char* name, int mode, int divisor) {
  Case c{name, false, nullptr, nullptr, nullptr};
  c.viaExports = [=](const Exports& x, const std::vector<Bar>& bars) {
    const std::string symbol = FreshSymbol("FG");
    Outputs o;
    for (const Bar& b : bars) {
      int v[5];
      std::memcpy(v, b.ohlcv, sizeof v);
      x.VQM_FindGemAdd(0, symbol.c_str(), b.date, b.time, divisor, &v[0], &v[1], &v[2], &v[3],
                       &v[4], mode);
      float e[4] = {-1, -1, -1, -1};
      Put(o, x.VQM_FindGemCalc(0, symbol.c_str(), b.date, b.time, 0, &e[0], &e[1], &e[2], &e[3]));
      for (float f : e) Put(o, f);
    }
    return o;
  };
  c.create = [=](const SeriesApi& a, vqm_series** h) {
    return a.vqm_pattern_search_create(mode, divisor, h);
  };
  c.push = [](const SeriesApi& a, vqm_series* h, const std::vector<Bar>& bars, size_t begin,
              size_t end, Mode m, Outputs& o) {
    const size_t n = end - begin;
    std::vector<int> status(n);
    std::vector<float> e(4 * n);
    if (m == Mode::kStream) {
      for (size_t i = begin; i < end; ++i) {
        const Bar& b = bars[i];
        const int rc = a.vqm_pattern_search_push(h, b.date, b.time, b.ohlcv[0], b.ohlcv[1],
                                                 b.ohlcv[2], b.ohlcv[3], b.ohlcv[4],
                                                 &status[i - begin], &e[4 * (i - begin)]);
        if (rc != VQM_OK) return rc;
      }
    } else {
      std::vector<int> col[7];
      for (size_t i = begin; i < end; ++i) {
        col[0].push_back(bars[i].date);
        col[1].push_back(bars[i].time);
        for (int k = 0; k < 5; ++k) col[2 + k].push_back(bars[i].ohlcv[k]);
      }
      const int rc = a.vqm_pattern_search_push_n(h, n, col[0].data(), col[1].data(), col[2].data(),
                                                 col[3].data(), col[4].data(), col[5].data(),
                                                 col[6].data(), status.data(), e.data());
      if (rc != VQM_OK) return rc;
    }
    for (size_t i = 0; i < n; ++i) {
      Put(o, status[i]);
      for (int k = 0; k < 4; ++k) Put(o, e[4 * i + k]);
    }
    return VQM_OK;
  };
  return c;
}

Case PriceNormCase(const char* name, float factor) {
  Case c{name, false, nullptr, nullptr, nullptr};
  c.viaExports = [=](const Exports& x, const std::vector<Bar>& bars) {
    Outputs o;
    for (const Bar& b : bars) {
      int v[5];
      std::memcpy(v, b.ohlcv, sizeof v);
      x.VQM_F_PrcNorm(factor, &v[0], &v[1], &v[2], &v[3], &v[4]);
      for (int k : v) Put(o, k);
    }
    return o;
  };
  c.create = [=](const SeriesApi& a, vqm_series** h) { return a.vqm_price_norm_create(factor, h); };
  c.push = [](const SeriesApi& a, vqm_series* h, const std::vector<Bar>& bars, size_t begin,
              size_t end, Mode m, Outputs& o) {
    std::vector<int> in, out(5 * (end - begin));
    for (size_t i = begin; i < end; ++i) in.insert(in.end(), bars[i].ohlcv, bars[i].ohlcv + 5);
    if (m == Mode::kStream) {
      for (size_t i = 0; i < end - begin; ++i) {
        const int rc = a.vqm_price_norm_push(h, &in[5 * i], &out[5 * i]);
        if (rc != VQM_OK) return rc;
      }
    } else {
      const int rc = a.vqm_price_norm_push_n(h, end - begin, in.data(), out.data());
      if (rc != VQM_OK) return rc;
    }
    for (int v : out) Put(o, v);
    return VQM_OK;
  };
  return c;
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      RareAvgCase("RareAvgIntraday", 10, 0, 40, 1, 0),
      RareAvgCase("RareAvgRepeatedDaily", 20, 0, 260, 2, 1),
      RareAvgCase("RareAvgStraightLineFit", 8, 3, -1818, 1, 1),
      TrendReversalCase("TrendReversal", 5, 30, 1.5f),
      TrendReversalCase("TrendReversalOneAverage", 4, 4, 1.0f),
      BspCase("BspExponential", 5, 3, 1),
      BspCase("BspSimpleEveryBar", 4, 6, 4),
      BspCase("BspNoSmoothing", 3, 2, 7),
      PatternSearchCase("PatternSearchSameDay", 12, 100),
      PatternSearchCase("PatternSearchAcrossDaysBasisPoints", -1020, 1),
      PriceNormCase("PriceNormHalf", 0.37f),
      PriceNormCase("PriceNormUnchanged", 1.0f),
  };
  return cases;
}

using Param = std::tuple<size_t, Backend>;

class SeriesApiTest : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    if (backend() == Backend::kLoadedLibrary) {
      ASSERT_TRUE(SharedLibrary().ok()) << SharedLibrary().error();
    }
  }
  Backend backend() const { return std::get<1>(GetParam()); }
  const Case& indicator() const { return Cases()[std::get<0>(GetParam())]; }
  const SeriesApi& api() const { return SeriesApiOf(backend()); }
};

// Bar by bar, and in batches of random sizes (empty ones included), as the exports give.
TEST_P(SeriesApiTest, AgreesBitForBitWithTheExportsOverARandomStream) {
  const Case& c = indicator();
  const std::vector<Bar> bars = RandomBars(20261208u + std::get<0>(GetParam()), 600, c.goesBack);
  const Outputs expected = c.viaExports(ExportsOf(backend()), bars);
  ASSERT_FALSE(expected.empty());

  vqm_series* h = nullptr;
  ASSERT_EQ(VQM_OK, c.create(api(), &h));
  ASSERT_NE(nullptr, h);
  Outputs streamed;
  ASSERT_EQ(VQM_OK, c.push(api(), h, bars, 0, bars.size(), Mode::kStream, streamed));
  EXPECT_EQ(expected, streamed);

  // A reset series is the series just created.
  ASSERT_EQ(VQM_OK, api().vqm_series_reset(h));
  std::mt19937 rng(7);
  std::uniform_int_distribution<size_t> chunk(0, 90);
  Outputs batched;
  for (size_t begin = 0; begin < bars.size();) {
    const size_t end = std::min(bars.size(), begin + chunk(rng));
    ASSERT_EQ(VQM_OK, c.push(api(), h, bars, begin, end, Mode::kBatch, batched));
    begin = end;
  }
  EXPECT_EQ(expected, batched);

  // Three series pushed in turn, bar by bar, as a research loop pushes them, and the middle
  // one freed and created again half way (perhaps at the same address): the registry follows
  // the order and asks ahead, and the others still give the exports' outputs.
  vqm_series* turn[3] = {};
  for (vqm_series*& t : turn) ASSERT_EQ(VQM_OK, c.create(api(), &t));
  Outputs inTurn[3];
  for (size_t i = 0; i < bars.size(); ++i) {
    if (i == bars.size() / 2) {
      ASSERT_EQ(VQM_OK, api().vqm_series_free(turn[1]));
      ASSERT_EQ(VQM_OK, c.create(api(), &turn[1]));
    }
    for (int k = 0; k < 3; ++k)
      ASSERT_EQ(VQM_OK, c.push(api(), turn[k], bars, i, i + 1, Mode::kStream, inTurn[k]));
  }
  EXPECT_EQ(expected, inTurn[0]);
  EXPECT_EQ(expected, inTurn[2]);
  for (vqm_series* t : turn) EXPECT_EQ(VQM_OK, api().vqm_series_free(t));

  // A dead handle is refused, by every function, and never read; still so once a new series
  // of the indicator has taken the freed one's place (and perhaps its memory).
  ASSERT_EQ(VQM_OK, api().vqm_series_free(h));
  vqm_series* successor = nullptr;
  ASSERT_EQ(VQM_OK, c.create(api(), &successor));
  Outputs none;
  EXPECT_EQ(VQM_E_HANDLE, c.push(api(), h, bars, 0, 1, Mode::kStream, none));
  EXPECT_EQ(VQM_E_HANDLE, c.push(api(), h, bars, 0, 1, Mode::kBatch, none));
  EXPECT_EQ(VQM_E_HANDLE, api().vqm_series_reset(h));
  EXPECT_EQ(VQM_E_HANDLE, api().vqm_series_free(h));
  Outputs fromSuccessor;
  ASSERT_EQ(VQM_OK, c.push(api(), successor, bars, 0, bars.size(), Mode::kBatch, fromSuccessor));
  EXPECT_EQ(expected, fromSuccessor);
  EXPECT_EQ(VQM_OK, api().vqm_series_free(successor));
  // So is a live series of another indicator.
  vqm_series* other = nullptr;
  ASSERT_EQ(VQM_OK, api().vqm_price_norm_create(2.0f, &other));
  if (std::string(c.name).compare(0, 9, "PriceNorm") != 0) {
    EXPECT_EQ(VQM_E_HANDLE, c.push(api(), other, bars, 0, 1, Mode::kStream, none));
  }
  EXPECT_EQ(VQM_OK, api().vqm_series_free(other));
}

// What the API refuses, and with which status: parameters that the exports would answer with
// a log line on every bar, dates they would log as invalid, null arrays and outputs.
class SeriesApiRefusalTest : public ::testing::TestWithParam<Backend> {};

TEST_P(SeriesApiRefusalTest, RefusesWithItsStatus) {
  if (GetParam() == Backend::kLoadedLibrary) {
    ASSERT_TRUE(SharedLibrary().ok()) << SharedLibrary().error();
  }
  const SeriesApi& a = SeriesApiOf(GetParam());
  vqm_series* s = nullptr;
  vqm_series* trend = nullptr;
  vqm_series* search = nullptr;
  ASSERT_EQ(VQM_OK, a.vqm_trend_reversal_create(3, 9, 1.0f, &trend));
  ASSERT_EQ(VQM_OK, a.vqm_pattern_search_create(20, 100, &search));
  int status = 0;
  float f[4] = {};
  const int ok[5] = {1, 2, 3, 4, 5};
  struct Row {
    const char* what;
    std::function<int()> call;
    int expected;
  } rows[] = {
      {"regr above a stack's length", [&] { return a.vqm_rare_avg_create(1000001, 0, 60, 1, 0, &s); }, VQM_E_PARAMETER},
      {"wgt above a stack's length", [&] { return a.vqm_rare_avg_create(20, 1000001, 60, 1, 0, &s); }, VQM_E_PARAMETER},
      {"repeat count above 100", [&] { return a.vqm_rare_avg_create(20, 0, 10160, 1, 0, &s); }, VQM_E_PARAMETER},
      {"no handle output", [&] { return a.vqm_rare_avg_create(20, 0, 60, 1, 0, nullptr); }, VQM_E_ARGUMENT},
      {"fast 0", [&] { return a.vqm_trend_reversal_create(0, 10, 1.0f, &s); }, VQM_E_PARAMETER},
      {"slow below fast", [&] { return a.vqm_trend_reversal_create(10, 9, 1.0f, &s); }, VQM_E_PARAMETER},
      {"slow above a stack's length", [&] { return a.vqm_trend_reversal_create(1, 1000001, 1.0f, &s); }, VQM_E_PARAMETER},
      {"avg_len 0", [&] { return a.vqm_bsp_create(0, 5, 1, &s); }, VQM_E_PARAMETER},
      {"vol_len above a stack's length", [&] { return a.vqm_bsp_create(5, 1000001, 1, &s); }, VQM_E_PARAMETER},
      {"divisor 0", [&] { return a.vqm_pattern_search_create(20, 0, &s); }, VQM_E_PARAMETER},
      {"date before 1990", [&] { return a.vqm_trend_reversal_push(trend, 899999, 930, 1.0f, &status, f, f + 1); }, VQM_E_DATE},
      {"time past 24:00", [&] { return a.vqm_trend_reversal_push(trend, 1240304, 2401, 1.0f, &status, f, f + 1); }, VQM_E_DATE},
      {"year past 2155", [&] { return a.vqm_pattern_search_push(search, 2560101, 930, 1, 2, 0, 1, 5, &status, f); }, VQM_E_DATE},
      {"31 February", [&] { return a.vqm_pattern_search_push(search, 1240231, 930, 1, 2, 0, 1, 5, &status, f); }, VQM_OK},
      {"no outputs", [&] { return a.vqm_trend_reversal_push(trend, 1240304, 930, 1.0f, nullptr, f, f); }, VQM_E_ARGUMENT},
      {"null arrays of n bars", [&] { return a.vqm_trend_reversal_push_n(trend, 1, nullptr, nullptr, nullptr, &status, f, f); }, VQM_E_ARGUMENT},
      {"zero bars, null arrays", [&] { return a.vqm_trend_reversal_push_n(trend, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr); }, VQM_OK},
      {"null handle", [&] { return a.vqm_price_norm_push(nullptr, ok, nullptr); }, VQM_E_HANDLE},
      {"address of no series", [&] { return a.vqm_series_reset(reinterpret_cast<vqm_series*>(&status)); }, VQM_E_HANDLE},
      {"free of null", [&] { return a.vqm_series_free(nullptr); }, VQM_OK},
  };
  for (const Row& row : rows) {
    s = nullptr;
    EXPECT_EQ(row.expected, row.call()) << row.what;
    EXPECT_EQ(nullptr, s) << row.what << ": a refused create hands out no handle";
  }
  EXPECT_STREQ("unknown status", a.vqm_error_text(12345));
  EXPECT_STRNE(a.vqm_error_text(VQM_E_DATE), a.vqm_error_text(VQM_E_PARAMETER));
  EXPECT_EQ(VQM_OK, a.vqm_series_free(trend));
  EXPECT_EQ(VQM_OK, a.vqm_series_free(search));
}

// Four threads each push three series of their own in turn, bar by bar, one of them freed and
// created again half way: their orders mix in the registry, which links the series' entries
// as they come and go while others are freed and created (without a lock).
// Every series kept from the start still gives the exports' outputs.
class ThreadedSeriesApiTest : public ::testing::TestWithParam<Backend> {};

TEST_P(ThreadedSeriesApiTest, SeriesPushedInTurnOnSeveralThreadsGiveTheExportsOutputs) {
  if (GetParam() == Backend::kLoadedLibrary) {
    ASSERT_TRUE(SharedLibrary().ok()) << SharedLibrary().error();
  }
  const SeriesApi& a = SeriesApiOf(GetParam());
  constexpr size_t kThreads = 4, kInTurn = 3;
  const std::vector<Case>& cases = Cases();
  // Series k of thread t: every indicator of the table on some thread.
  const auto caseIndex = [&](size_t t, size_t k) { return (t + kThreads * k) % cases.size(); };
  const auto caseOf = [&](size_t t, size_t k) -> const Case& { return cases[caseIndex(t, k)]; };
  std::vector<std::vector<Bar>> bars(cases.size());
  std::vector<Outputs> expected(cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    bars[i] = RandomBars(20261209u + static_cast<uint32_t>(i), 300, cases[i].goesBack);
    expected[i] = cases[i].viaExports(ExportsOf(GetParam()), bars[i]);
  }
  std::vector<Outputs> got(kThreads * kInTurn);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      vqm_series* turn[kInTurn] = {};
      for (size_t k = 0; k < kInTurn; ++k)
        if (caseOf(t, k).create(a, &turn[k]) != VQM_OK) ++failures[t];
      for (size_t i = 0; i < 300 && failures[t] == 0; ++i) {
        if (i == 150) {
          if (a.vqm_series_free(turn[1]) != VQM_OK || caseOf(t, 1).create(a, &turn[1]) != VQM_OK)
            ++failures[t];
        }
        for (size_t k = 0; k < kInTurn; ++k)
          if (caseOf(t, k).push(a, turn[k], bars[caseIndex(t, k)], i, i + 1, Mode::kStream,
                                got[t * kInTurn + k]) != VQM_OK)
            ++failures[t];
      }
      for (vqm_series* s : turn)
        if (a.vqm_series_free(s) != VQM_OK) ++failures[t];
    });
  for (std::thread& th : threads) th.join();
  for (size_t t = 0; t < kThreads; ++t) {
    EXPECT_EQ(0, failures[t]) << "thread " << t;
    for (size_t k : {size_t{0}, size_t{2}})
      EXPECT_EQ(expected[caseIndex(t, k)], got[t * kInTurn + k])
          << caseOf(t, k).name << " on thread " << t;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ThreadedSeriesApiTest,
                         ::testing::Values(Backend::kInProcess, Backend::kLoadedLibrary),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return BackendName(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(Backends, SeriesApiRefusalTest,
                         ::testing::Values(Backend::kInProcess, Backend::kLoadedLibrary),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return BackendName(info.param);
                         });

INSTANTIATE_TEST_SUITE_P(
    Indicators, SeriesApiTest,
    ::testing::Combine(::testing::Range<size_t>(0, Cases().size()),
                       ::testing::Values(Backend::kInProcess, Backend::kLoadedLibrary)),
    [](const ::testing::TestParamInfo<Param>& info) {
      return std::string(Cases()[std::get<0>(info.param)].name) + "_" +
             BackendName(std::get<1>(info.param));
    });

}  // namespace
}  // namespace vqm::test
