// The indicator exports with hostile arguments: buy/sell pressure, the regression average,
// the trend reversal, the pattern search and the price normalisation.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "testing/host_double.h"
#include "indicators/rare_avg_model.h"
#include "reliability/bad_input_fixture.h"

namespace vqm {
namespace {

using test::BadInputRow;
using test::HostDouble;
using test::HostOp;
using test::SameFloat;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kErr = 1000000000.0f;

// One bar of the pattern search, as the script's variables hold it.
struct Bar {
  int open = 100, high = 100, low = 100, close = 100, volume = 10;
};

class BadInputIndicatorsTest : public test::BadInputTest {
 protected:
  // The script's key text in a buffer with room for any error text after it.
  struct KeyBuffer {
    explicit KeyBuffer(const std::string& key) : bytes(key.size() + 4096, '\0') {
      memcpy(bytes.data(), key.c_str(), key.size() + 1);
    }
    char* data() { return bytes.data(); }
    std::string text() const { return bytes.data(); }
    std::vector<char> bytes;
  };

  // A fresh instance set up by VQM_BSP on a healthy host (AvgLen 3, VolLen 2, Style 1).
  CBSPSet* FreshInstance(HostDouble& host) {
    const std::string key = Fresh("bsp");
    KeyBuffer buffer(key);
    EXPECT_EQ(0, api().VQM_BSP("s", 1, 2, buffer.data(), &host, 0));
    const int64_t handle = api().VQM_BSPHandle("s", 1, 2, key.c_str());
    EXPECT_NE(0, handle);
    return reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(handle));
  }

  // VQM_BSPCalc on a fresh instance's first bar, against the pressure worked out by hand:
  // the volume average of that bar is its own total.
  void ExpectFirstBarPressure(float up, float down, int style) {
    HostDouble host;
    CBSPSet* instance = FreshInstance(host);
    const float total = up + down;
    const float diff = up - down;
    const float avg = total / 1.0f;
    const float ratio = avg > 0.0f ? total / avg : 1.0f;
    float share;
    if (diff >= 0.0f)
      share = up > 0.0f ? 1.0f - down / up : 1.0f;
    else
      share = down > 0.0f ? (1.0f - up / down) * -1.0f : -1.0f;
    float pressure = 7.0f;
    EXPECT_EQ(0, api().VQM_BSPCalc(instance, up, down, style, &pressure));
    EXPECT_TRUE(SameFloat(ratio * share, pressure)) << pressure;
  }

  float RareAvg(const char* symbol, int regr, int wgt, float value, int date = 1240315,
                int time = 930, int respFac = 60, int diagnostic = 0, int barType = 1,
                int day = 0, int bar = 1) {
    return api().VQM_RareAvg(symbol, regr, wgt, value, date, time, respFac, diagnostic, barType,
                             day, bar);
  }

  // VQM_TrendReversal with both outputs preset to 7, so that clearing shows.
  struct Trend {
    int status;
    float position, width;
  };
  Trend TrendCall(const char* symbol, int date, int time, float price, float factor, int fast,
                  int slow, bool withPosition = true, bool withWidth = true) {
    Trend t{0, 7.0f, 7.0f};
    t.status = api().VQM_TrendReversal(0, symbol, date, time, 1, 2, price, factor, fast, slow,
                                       withPosition ? &t.position : nullptr,
                                       withWidth ? &t.width : nullptr);
    return t;
  }
  void ExpectTrend(const Trend& t, int status, float position, float width) {
    EXPECT_EQ(status, t.status);
    EXPECT_TRUE(SameFloat(position, t.position)) << t.position;
    EXPECT_TRUE(SameFloat(width, t.width)) << t.width;
  }

  int GemAdd(const char* symbol, int date, int time, int divisor, Bar b = Bar(), int mode = 2,
             int nullAt = -1) {
    int* p[5] = {&b.open, &b.high, &b.low, &b.close, &b.volume};
    if (nullAt >= 0) p[nullAt] = nullptr;
    return api().VQM_FindGemAdd(0, symbol, date, time, divisor, p[0], p[1], p[2], p[3], p[4],
                                mode);
  }
  // VQM_FindGemCalc with the outputs preset to 7; outputs[nullAt] passed as null.
  int GemCalc(const char* symbol, int date, int time, float (&out)[4], int nullAt = -1) {
    float* p[4];
    for (int i = 0; i < 4; ++i) {
      out[i] = 7.0f;
      p[i] = i == nullAt ? nullptr : &out[i];
    }
    return api().VQM_FindGemCalc(INT_MIN, symbol, date, time, INT_MAX, p[0], p[1], p[2], p[3]);
  }

  // VQM_F_PrcNorm over 3, -3, 0, INT_MAX and INT_MIN; values[nullAt] passed as null.
  std::vector<int> PrcNorm(float factor, int* result, int nullAt = -1) {
    std::vector<int> v{3, -3, 0, INT_MAX, INT_MIN};
    int* p[5];
    for (int i = 0; i < 5; ++i) p[i] = i == nullAt ? nullptr : &v[static_cast<size_t>(i)];
    *result = api().VQM_F_PrcNorm(factor, p[0], p[1], p[2], p[3], p[4]);
    return v;
  }
};

const std::vector<int> kUnscaled{3, -3, 0, INT_MAX, INT_MIN};

TEST_P(BadInputIndicatorsTest, BuySellPressure) {
  const std::string longText = LongText();
  Run({
      {"VQM_BSP", "host", "null", "-10; keyText: \"VQM_UT64 Error#10 occured - Host object missing\"",
       [&] {
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(-10, api().VQM_BSP("s", 1, 2, b.data(), nullptr, 0));
         EXPECT_EQ("VQM_UT64 Error#10 occured - Host object missing", b.text());
       }},
      {"VQM_BSP", "keyText and host", "null, null", "-10", [&] {
         EXPECT_EQ(-10, api().VQM_BSP("s", 1, 2, nullptr, nullptr, 0));
       }},
      {"VQM_BSP", "keyText", "null", "0 (key \"(null)/...\"); errors are not copied", [&] {
         HostDouble host;
         EXPECT_EQ(0, api().VQM_BSP("s", INT_MIN + 7, 2, nullptr, &host, 0));
         EXPECT_NE(0, api().VQM_BSPHandle("s", INT_MIN + 7, 2, nullptr));
         HostDouble noArray;
         noArray.hasArray = false;
         EXPECT_EQ(-6, api().VQM_BSP("s", INT_MIN + 8, 2, nullptr, &noArray, 0));
       }},
      {"VQM_BSP", "subKey", "null", "-2 (the instance is set up all the same)", [&] {
         HostDouble host;
         const std::string key = Fresh("bsp");
         KeyBuffer b(key);
         EXPECT_EQ(-2, api().VQM_BSP(nullptr, 1, 2, b.data(), &host, 0));
         EXPECT_NE(0, api().VQM_BSPHandle(nullptr, 1, 2, key.c_str()));
       }},
      {"VQM_BSP", "subKey, keyText", "\"\", 100 000 characters", "0 (the key is cut to 1007 characters)",
       [&] {
         HostDouble host;
         const std::string key = Fresh("bsp") + longText;
         KeyBuffer b(key);
         EXPECT_EQ(0, api().VQM_BSP("", 1, 2, b.data(), &host, 0));
         EXPECT_EQ(key, b.text());
         EXPECT_NE(0, api().VQM_BSPHandle("", 1, 2, key.c_str()));
         KeyBuffer c(Fresh("bsp"));
         EXPECT_EQ(0, api().VQM_BSP(longText.c_str(), 1, 2, c.data(), &host, 0));
       }},
      {"VQM_BSP", "keyNum1, keyNum2, notUsed", "INT_MIN, INT_MAX", "0", [&] {
         HostDouble host;
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(0, api().VQM_BSP("s", INT_MIN, INT_MAX, b.data(), &host, INT_MIN));
       }},
      {"VQM_BSP", "host bar number, MaxBarsBack", "INT_MAX, INT_MAX", "0 (the bar index wraps)", [&] {
         HostDouble host;
         host.maxBarsBack = INT_MAX;
         host.barNumber = INT_MAX;
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(0, api().VQM_BSP("s", 1, 2, b.data(), &host, 0));
       }},
      {"VQM_BSP", "arrBSP AvgLen, VolLen, Style", "NaN, +inf, -inf",
       "0 (read as 0, INT_MAX, INT_MIN: no stack of such a length is built)", [&] {
         HostDouble host;
         host.SetParameters(kNaN, kInf, -kInf);
         CBSPSet* instance = FreshInstance(host);
         float pressure = 7.0f;
         EXPECT_EQ(0, api().VQM_BSPCalc(instance, 300.0f, 100.0f, 1, &pressure));
         EXPECT_TRUE(SameFloat(1.0f - 100.0f / 300.0f, pressure)) << pressure;  // ratio 1
       }},
      {"VQM_BSP", "arrBSP element", "a text", "-9 (the conversion fails)", [&] {
         HostDouble host;
         host.array().SetElement(3, test::BstrVariant("many"));
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(-9, api().VQM_BSP("s", 1, 2, b.data(), &host, 0));
       }},
      {"VQM_BSP", "arrBSP shape", "INT_MAX dimensions / 9 elements", "-7 / -8", [&] {
         HostDouble host;
         host.ReshapeArray(INT_MAX, 10);
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(-7, api().VQM_BSP("s", 1, 2, b.data(), &host, 0));
         host.ReshapeArray(1, 9);
         EXPECT_EQ(-8, api().VQM_BSP("s", 1, 2, b.data(), &host, 0));
       }},
      {"VQM_BSP", "host call", "fails (E_FAIL)", "-9", [&] {
         HostDouble host;
         host.Fail(HostOp::kQueryBarNumber, static_cast<HRESULT>(0x80004005));
         KeyBuffer b(Fresh("bsp"));
         EXPECT_EQ(-9, api().VQM_BSP("s", 1, 2, b.data(), &host, 0));
       }},
      {"VQM_BSPHandle", "subKey, keyText", "null, null / 100 000 characters", "0 (no such instance)",
       [&] {
         EXPECT_EQ(0, api().VQM_BSPHandle(nullptr, INT_MIN, INT_MAX, nullptr));
         EXPECT_EQ(0, api().VQM_BSPHandle(longText.c_str(), 1, 2, longText.c_str()));
       }},
      {"VQM_BSPCalc", "instance", "null, -1, a foreign address", "-1, pressure 0", [&] {
         int foreign = 0;
         for (CBSPSet* instance : {static_cast<CBSPSet*>(nullptr),
                                   reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(-1)),
                                   reinterpret_cast<CBSPSet*>(&foreign)}) {
           float pressure = 7.0f;
           EXPECT_EQ(-1, api().VQM_BSPCalc(instance, 1.0f, 1.0f, 1, &pressure));
           EXPECT_EQ(0.0f, pressure);
         }
       }},
      {"VQM_BSPCalc", "pressure", "null", "-1", [&] {
         HostDouble host;
         EXPECT_EQ(-1, api().VQM_BSPCalc(FreshInstance(host), 1.0f, 1.0f, 1, nullptr));
       }},
      {"VQM_BSPCalc", "up, down", "NaN, ±inf, FLT_MAX, negative",
       "0; the pressure as computed (NaN propagates)", [&] {
         const float cases[][2] = {{kNaN, 1.0f},    {1.0f, kNaN},      {kInf, 1.0f},
                                   {1.0f, kInf},    {kInf, kInf},      {-kInf, 5.0f},
                                   {FLT_MAX, FLT_MAX}, {-3.0f, -1.0f}, {0.0f, 0.0f}};
         for (const auto& c : cases) {
           SCOPED_TRACE(std::to_string(c[0]) + " " + std::to_string(c[1]));
           ExpectFirstBarPressure(c[0], c[1], 1);
         }
       }},
      {"VQM_BSPCalc", "style", "INT_MIN, INT_MAX", "0 (no smoothing)", [&] {
         ExpectFirstBarPressure(300.0f, 100.0f, INT_MIN);
         ExpectFirstBarPressure(300.0f, 100.0f, INT_MAX);
       }},
  });
}

TEST_P(BadInputIndicatorsTest, RegressionAverage) {
  const std::string longText = LongText();
  Run({
      {"VQM_RareAvg", "symbol", "null", "the value", [&] {
         EXPECT_EQ(12.5f, RareAvg(nullptr, 10, 0, 12.5f));
       }},
      {"VQM_RareAvg", "symbol", "\"\", 100 000 characters", "the value (first call)", [&] {
         EXPECT_EQ(12.5f, RareAvg("", 10, 0, 12.5f));
         EXPECT_EQ(12.5f, RareAvg(longText.c_str(), 10, 0, 12.5f));
       }},
      {"VQM_RareAvg", "nScopeRegr", "INT_MIN", "the value", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), INT_MIN, 0, 12.5f));
       }},
      {"VQM_RareAvg", "nScopeRegr", "INT_MAX",
       "0 during the warm-up (bar type 1; no short average of that length), else 1000000000", [&] {
         EXPECT_EQ(0.0f, RareAvg(Fresh("ra").c_str(), INT_MAX, 0, 12.5f));
         EXPECT_EQ(kErr, RareAvg(Fresh("ra").c_str(), INT_MAX, 0, 12.5f, 1240315, 930, 60, 0, 2));
       }},
      {"VQM_RareAvg", "nScopeWgt", "INT_MIN", "the default length (first call: the value)", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, INT_MIN, 12.5f));
       }},
      {"VQM_RareAvg", "nScopeWgt", "INT_MAX", "0 after the warm-up (no smoother of that length)", [&] {
         const std::string s = Fresh("ra");
         for (int bar = 1; bar <= 3; ++bar)
           EXPECT_NE(0.0f, RareAvg(s.c_str(), 3, INT_MAX, 10.0f + bar, 1240315, 930, 60, 0, 1, 0, bar));
         EXPECT_EQ(0.0f, RareAvg(s.c_str(), 3, INT_MAX, 14.0f, 1240315, 930, 60, 0, 1, 0, 4));
       }},
      {"VQM_RareAvg", "value", "NaN, +inf, -inf", "the same (first call); NaN throughout a NaN series", [&] {
         EXPECT_TRUE(std::isnan(RareAvg(Fresh("ra").c_str(), 10, 0, kNaN)));
         EXPECT_EQ(kInf, RareAvg(Fresh("ra").c_str(), 10, 0, kInf));
         EXPECT_EQ(-kInf, RareAvg(Fresh("ra").c_str(), 10, 0, -kInf));
         const std::string s = Fresh("ra");
         for (int bar = 1; bar <= 30; ++bar)
           EXPECT_TRUE(std::isnan(RareAvg(s.c_str(), 10, 0, kNaN, 1240315, 930, 60, 0, 1, 0, bar)))
               << bar;
       }},
      {"VQM_RareAvg", "date", "INT_MIN, 0",
       "every call restarts the series: the value (bar type 1), 1000000000 (bar type 2)", [&] {
         for (int date : {INT_MIN, 0}) {
           const std::string s = Fresh("ra");
           for (int bar = 1; bar <= 3; ++bar) {
             EXPECT_EQ(float(bar), RareAvg(s.c_str(), 10, 0, float(bar), date, 930, 60, 0, 1, 0, bar));
             EXPECT_EQ(kErr, RareAvg(s.c_str(), 10, 0, float(bar), date, 930, 60, 0, 2, 0, bar));
           }
         }
       }},
      {"VQM_RareAvg", "date, time, bar number", "INT_MAX, INT_MIN", "the value (first call)", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, INT_MAX, INT_MIN, 60, 0, 1, 0, INT_MAX));
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, INT_MAX, 60, 0, 1, 0, INT_MIN));
       }},
      {"VQM_RareAvg", "nRespFac", "INT_MIN", "response factor 60 (first call: the value)", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, 930, INT_MIN));
       }},
      {"VQM_RareAvg", "nRespFac", "10100 … INT_MAX (more than 100 repeats)", "1000000000, nothing kept", [&] {
         EXPECT_EQ(kErr, RareAvg(Fresh("ra").c_str(), 1, 0, 12.5f, 1240315, 930, 10100));
         EXPECT_EQ(kErr, RareAvg(Fresh("ra").c_str(), 1, 0, 12.5f, 1240315, 930, INT_MAX));
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 1, 0, 12.5f, 1240315, 930, 10099));
       }},
      {"VQM_RareAvg", "nRespFac", "-1818 on a new series", "1000000000 (no point to fit)", [&] {
         EXPECT_EQ(kErr, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, 930, -1818));
       }},
      {"VQM_RareAvg", "bar type", "INT_MIN / INT_MAX", "the value / 1000000000 (first call)", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, 930, 60, 0, INT_MIN));
         EXPECT_EQ(kErr, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, 930, 60, 0, INT_MAX));
       }},
      {"VQM_RareAvg", "day switch, diagnostic", "INT_MIN (with nRespFac 61)", "the value (first call)", [&] {
         EXPECT_EQ(12.5f, RareAvg(Fresh("ra").c_str(), 10, 0, 12.5f, 1240315, 930, 61, INT_MIN, 1, INT_MIN));
       }},
  });
}

TEST_P(BadInputIndicatorsTest, TrendReversal) {
  const std::string longText = LongText();
  Run({
      {"VQM_TrendReversal", "date", "899999, INT_MIN", "-1, outputs 0", [&] {
         for (int date : {899999, INT_MIN})
           ExpectTrend(TrendCall(Fresh("tr").c_str(), date, 930, 100.0f, 1.0f, 10, 120), -1, 0, 0);
       }},
      {"VQM_TrendReversal", "date", "900000, INT_MAX", "0 (first call), outputs 0", [&] {
         for (int date : {900000, INT_MAX})
           ExpectTrend(TrendCall(Fresh("tr").c_str(), date, 930, 100.0f, 1.0f, 10, 120), 0, 0, 0);
       }},
      {"VQM_TrendReversal", "time", "INT_MIN, INT_MAX, 2400, -1", "0 (first call)", [&] {
         for (int time : {INT_MIN, INT_MAX, 2400, -1})
           ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, time, 100.0f, 1.0f, 10, 120), 0, 0, 0);
       }},
      {"VQM_TrendReversal", "symbol", "null", "-2, outputs 0", [&] {
         ExpectTrend(TrendCall(nullptr, 1240315, 930, 100.0f, 1.0f, 10, 120), -2, 0, 0);
       }},
      {"VQM_TrendReversal", "symbol", "\"\", 100 000 characters", "0", [&] {
         ExpectTrend(TrendCall("", 1240315, 930, 100.0f, 1.0f, 10, 120), 0, 0, 0);
         ExpectTrend(TrendCall(longText.c_str(), 1240315, 930, 100.0f, 1.0f, 10, 120), 0, 0, 0);
       }},
      {"VQM_TrendReversal", "position, width", "null", "-3, the other output 0", [&] {
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, 10, 120, false, true), -3, 7, 0);
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, 10, 120, true, false), -3, 0, 7);
         EXPECT_EQ(-3, TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, 10, 120, false, false).status);
       }},
      {"VQM_TrendReversal", "fast, slow", "INT_MIN, INT_MAX / INT_MAX, INT_MIN / 0, 0 / -5, -1",
       "-1 (no average of the ribbon can be built)", [&] {
         const int cases[][2] = {{INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}, {0, 0}, {-5, -1}};
         for (const auto& c : cases)
           ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, c[0], c[1]), -1, 0, 0);
       }},
      {"VQM_TrendReversal", "fast, slow", "1, INT_MAX / 1000000, 1000001",
       "0 (only the lengths up to 1 000 000 are built)", [&] {
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, 1, INT_MAX), 0, 0, 0);
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, 1.0f, 1.0f, 1000000, 1000001), 0, 0, 0);
       }},
      {"VQM_TrendReversal", "price", "NaN, +inf", "0, outputs 0", [&] {
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, kNaN, 1.0f, 10, 120), 0, 0, 0);
         ExpectTrend(TrendCall(Fresh("tr").c_str(), 1240315, 930, kInf, 1.0f, 10, 120), 0, 0, 0);
       }},
      {"VQM_TrendReversal", "width factor", "NaN, +inf", "the status and position as usual; width NaN, +inf", [&] {
         for (float factor : {kNaN, kInf}) {
           const std::string s = Fresh("tr");
           TrendCall(s.c_str(), 1240315, 930, 10.0f, factor, 2, 4);
           TrendCall(s.c_str(), 1240315, 931, 20.0f, factor, 2, 4);
           ExpectTrend(TrendCall(s.c_str(), 1240315, 932, 30.0f, factor, 2, 4), 2, 100.0f, factor);
         }
       }},
  });
}

TEST_P(BadInputIndicatorsTest, PatternSearch) {
  const std::string longText = LongText();
  Run({
      {"VQM_FindGemAdd", "date", "899999, INT_MIN", "-1", [&] {
         EXPECT_EQ(-1, GemAdd(Fresh("gem").c_str(), 899999, 930, 1));
         EXPECT_EQ(-1, GemAdd(Fresh("gem").c_str(), INT_MIN, 930, 1));
       }},
      {"VQM_FindGemAdd", "symbol", "null", "-2", [&] {
         EXPECT_EQ(-2, GemAdd(nullptr, 1240315, 930, 1));
       }},
      {"VQM_FindGemAdd", "divisor", "0, -1, INT_MIN", "-3", [&] {
         for (int divisor : {0, -1, INT_MIN}) EXPECT_EQ(-3, GemAdd(Fresh("gem").c_str(), 1240315, 930, divisor));
       }},
      {"VQM_FindGemAdd", "open, high, low, close, volume", "null", "-4", [&] {
         for (int at = 0; at < 5; ++at)
           EXPECT_EQ(-4, GemAdd(Fresh("gem").c_str(), 1240315, 930, 1, Bar(), 2, at)) << at;
       }},
      {"VQM_FindGemAdd", "symbol", "\"\", 100 000 characters", "1 (a new history)", [&] {
         EXPECT_EQ(1, GemAdd("", 1240315, 930, 1));
         EXPECT_EQ(1, GemAdd(longText.c_str(), 1240315, 930, 1));
       }},
      {"VQM_FindGemAdd", "divisor, mode", "INT_MAX, INT_MIN / INT_MAX", "1 (a new history)", [&] {
         EXPECT_EQ(1, GemAdd(Fresh("gem").c_str(), 1240315, 930, INT_MAX, Bar(), INT_MIN));
         EXPECT_EQ(1, GemAdd(Fresh("gem").c_str(), 1240315, 930, INT_MAX, Bar(), INT_MAX));
       }},
      {"VQM_FindGemAdd", "prices, volume", "INT_MIN, INT_MAX", "the bar count", [&] {
         const std::string s = Fresh("gem");
         EXPECT_EQ(1, GemAdd(s.c_str(), 1240315, 930, 1, Bar{INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN}));
         EXPECT_EQ(2, GemAdd(s.c_str(), 1240315, 931, 1, Bar{INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}));
       }},
      {"VQM_FindGemAdd", "date, time", "INT_MAX, INT_MIN / INT_MAX",
       "the bar count (a refused date leaves the date fields 0, a refused time all fields)", [&] {
         const std::string s = Fresh("gem");
         EXPECT_EQ(1, GemAdd(s.c_str(), INT_MAX, 930, 1));      // 00:00:00 at 09:30
         EXPECT_EQ(2, GemAdd(s.c_str(), 1240315, INT_MIN, 1));  // x 100 wraps to midnight
         EXPECT_EQ(3, GemAdd(s.c_str(), 1240315, INT_MAX, 1));  // refused: the empty value
       }},
      {"VQM_FindGemCalc", "date", "899999, INT_MIN", "-1, outputs 0", [&] {
         float out[4];
         EXPECT_EQ(-1, GemCalc("x", 899999, 930, out));
         for (float o : out) EXPECT_EQ(0.0f, o);
         EXPECT_EQ(-1, GemCalc("x", INT_MIN, 930, out));
         for (float o : out) EXPECT_EQ(0.0f, o);
       }},
      {"VQM_FindGemCalc", "symbol", "null", "-2, outputs 0", [&] {
         float out[4];
         EXPECT_EQ(-2, GemCalc(nullptr, 1240315, 930, out));
         for (float o : out) EXPECT_EQ(0.0f, o);
       }},
      {"VQM_FindGemCalc", "each output", "null", "-3, the other outputs 0", [&] {
         for (int at = 0; at < 4; ++at) {
           float out[4];
           EXPECT_EQ(-3, GemCalc("x", 1240315, 930, out, at));
           for (int i = 0; i < 4; ++i) EXPECT_EQ(i == at ? 7.0f : 0.0f, out[i]) << at << i;
         }
       }},
      {"VQM_FindGemCalc", "date, time", "INT_MAX, INT_MIN (no such bar)", "-1, outputs 0", [&] {
         const std::string s = Fresh("gem");
         for (int time = 930; time <= 932; ++time) EXPECT_EQ(time - 929, GemAdd(s.c_str(), 1240315, time, 1));
         float out[4];
         EXPECT_EQ(-1, GemCalc(s.c_str(), INT_MAX, 932, out));
         EXPECT_EQ(-1, GemCalc(s.c_str(), 1240315, INT_MIN, out));
         for (float o : out) EXPECT_EQ(0.0f, o);
         EXPECT_EQ(2, GemCalc("", 1240315, 932, out));  // the symbol is only tested for null
       }},
  });
}

TEST_P(BadInputIndicatorsTest, PriceNormalisation) {
  Run({
      {"VQM_F_PrcNorm", "each value pointer", "null", "-1, nothing written", [&] {
         for (int at = 0; at < 5; ++at) {
           int result = 0;
           std::vector<int> expected = kUnscaled;
           EXPECT_EQ(expected, PrcNorm(2.0f, &result, at));
           EXPECT_EQ(-1, result);
         }
       }},
      {"VQM_F_PrcNorm", "factor", "NaN, -inf, 0, -0, 1", "0, nothing written", [&] {
         for (float factor : {kNaN, -kInf, 0.0f, -0.0f, 1.0f}) {
           int result = 7;
           EXPECT_EQ(kUnscaled, PrcNorm(factor, &result)) << factor;
           EXPECT_EQ(0, result);
         }
       }},
      {"VQM_F_PrcNorm", "factor × value", "beyond the int range (+inf, FLT_MAX, 2 × INT_MAX)",
       "0; such a value becomes INT_MIN (the processor's answer)", [&] {
         int result = 7;
         EXPECT_EQ((std::vector<int>{INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN}), PrcNorm(kInf, &result));
         EXPECT_EQ((std::vector<int>{INT_MIN, INT_MIN, 0, INT_MIN, INT_MIN}), PrcNorm(FLT_MAX, &result));
         EXPECT_EQ((std::vector<int>{6, -6, 0, INT_MIN, INT_MIN}), PrcNorm(2.0f, &result));
         EXPECT_EQ(0, result);
       }},
      {"VQM_F_PrcNorm", "factor", "FLT_MIN", "0; every value 0", [&] {
         int result = 7;
         EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0}), PrcNorm(FLT_MIN, &result));
         EXPECT_EQ(0, result);
       }},
      {"VQM_F_PrcNorm", "values", "one pointer five times", "0; scaled from the value at entry", [&] {
         int v = 5;
         EXPECT_EQ(0, api().VQM_F_PrcNorm(2.0f, &v, &v, &v, &v, &v));
         EXPECT_EQ(10, v);
       }},
  });
}

VQM_INSTANTIATE_BACKEND_TESTS(BadInputIndicatorsTest);

}  // namespace
}  // namespace vqm
