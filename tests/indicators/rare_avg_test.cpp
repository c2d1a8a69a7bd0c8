// The regression average's worked examples, its log lines and its exception frame.
#include "indicators/rare_avg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "base/log.h"
#include "base/log_state.h"
#include "indicators/rare_avg_manager.h"
#include "indicators/rare_avg_model.h"
#include "support/backend_test.h"
#include "support/files.h"

namespace vqm {
namespace {

using test::RareAvgModel;
using test::RareAvgModelCall;
using test::SameFloat;

constexpr float kErr = 1000000000.0f;

// The lines holding `needle` in every log file the two backends may be writing to: the
// in-process log and the day's log (and the previous day's, should the run cross midnight).
std::vector<std::string> LogLinesWith(const std::string& needle) {
  std::vector<std::string> paths;
  if (TheLogState().openedPath[0] != 0) paths.push_back(TheLogState().openedPath);
  const time_t now = time(nullptr);
  for (time_t t : {now, now - 86400}) {
    const tm* local = localtime(&t);
    char path[100];
    snprintf(path, sizeof path, "C:/Database/VOVOD/logs/%04d%02d%02d/VQM_F1.log",
             local->tm_year + 1900, local->tm_mon + 1, local->tm_mday);
    if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
  }
  std::vector<std::string> lines;
  for (const std::string& path : paths) {
    std::string content;
    if (!test::ReadFileBytes(path, &content)) continue;
    for (size_t at = content.find(needle); at != std::string::npos;
         at = content.find(needle, at + 1)) {
      const size_t begin = content.rfind('\n', at) + 1;  // npos + 1 is 0
      const size_t end = content.find('\n', at);
      lines.push_back(content.substr(begin, end == std::string::npos ? end : end + 1 - begin));
      at = end == std::string::npos ? content.size() : end;
    }
  }
  return lines;
}

// ---- worked examples ----

enum class Want { kModel, kValue, kError, kExact };

struct Step {
  const char* sym;  // appended to the scenario's own prefix
  int regr, wgt;
  float value;
  int date, respFac, barType, day, bar;
  Want want;
  float exact;
};

Step S(const char* sym, int regr, int wgt, float value, int date, int respFac, int barType, int day,
       int bar, Want want = Want::kModel, float exact = 0.0f) {
  return Step{sym, regr, wgt, value, date, respFac, barType, day, bar, want, exact};
}

// Calls of one intraday (or, with barType 2, other) series with regression length 10 and
// values 10, 20, 30, ... on bars 1, 2, 3, ...
std::vector<Step> Ramp(int barType, int n, std::vector<Want> wants, std::vector<float> exact) {
  std::vector<Step> steps;
  for (int i = 0; i < n; ++i)
    steps.push_back(
        S("r", 10, 0, 10.0f * (i + 1), 1240315, 0, barType, 0, i + 1, wants[i], exact[i]));
  return steps;
}

struct Scenario {
  const char* name;
  std::vector<Step> steps;
  // In-process checks of the series afterwards (prefix of the scenario's symbols).
  std::function<void(const std::string&)> check;
};

const CRareAvgSym* SeriesOf(const std::string& symbol, int regr, int wgt, int respFac, int barType,
                            int day) {
  ExportLock lock;
  return g_RareAvgMgr.Find(RareAvgKeys{symbol.c_str(), regr, wgt, respFac, barType, day});
}

int CountSeries(const std::string& prefix) {
  int n = 0;
  for (int i = 0; i < g_RareAvgMgr.GetSize(); ++i)
    n += g_RareAvgMgr.GetAt(i)->symbol.compare(0, prefix.size(), prefix) == 0;
  return n;
}

std::vector<Step> Bars(const char* sym, int regr, int barType, int n, int respFac = 60) {
  std::vector<Step> steps;
  for (int i = 1; i <= n; ++i)
    steps.push_back(S(sym, regr, 0, 100.0f + static_cast<float>((i * 37) % 11) - i * 0.5f, 1240315,
                      respFac, barType, 0, i));
  return steps;
}

std::vector<Step> Join(std::vector<Step> a, const std::vector<Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Want M = Want::kModel, V = Want::kValue, E = Want::kError, X = Want::kExact;

std::vector<Scenario> WorkedExamples() {
  return {
      {"RegressionLengthOneOrLessReturnsTheValue",
       {S("a", 1, 0, 5.0f, 1240315, 60, 1, 0, 1, V), S("a", 1, 0, 7.5f, 1240315, 60, 1, 0, 2, V),
        S("a", 1, 0, -3.0f, 1240316, 60, 1, 0, 3, V), S("a", 1, 0, 0.0f, 1240316, 60, 1, 0, 4, V),
        S("b", 0, 9, 4.0f, 1240315, 60, 2, 0, 1, V), S("c", -7, 0, 2.0f, 0, 60, 2, 0, 1, V)},
       nullptr},
      // h = 4: five warm-up calls (the first is the value itself), the transition at the
      // sixth, then the smoothed fits; the ramp is fitted exactly.
      {"IntradayWarmUpTransitionRunning",
       Ramp(1, 8, {X, X, X, X, X, X, X, M},
            {10.0f, 50.0f / 3.0f, 140.0f / 6.0f, 30.0f, 40.0f, 50.0f, 500.0f / 9.0f, 0}),
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "r", 10, 5, 0, 1, 0);
         ASSERT_NE(nullptr, s);
         EXPECT_EQ(3, s->lag);
         EXPECT_EQ(8, s->PointCount());
       }},
      {"OtherBarTypesFailDuringTheWarmUp",
       Ramp(2, 7, {E, E, E, E, E, X, X}, {0, 0, 0, 0, 0, 50.0f, 500.0f / 9.0f}), nullptr},
      {"ShortRegressionSetsTheLagToTheHalfLength",
       {S("a", 3, 0, 1.0f, 1240315, 0, 1, 0, 1, V), S("a", 3, 0, 2.0f, 1240315, 0, 1, 0, 2, V),
        S("a", 3, 0, 4.0f, 1240315, 0, 1, 0, 3), S("a", 3, 0, 3.0f, 1240315, 0, 1, 0, 4)},
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "a", 3, 2, 0, 1, 0);
         ASSERT_NE(nullptr, s);
         EXPECT_EQ(1, s->lag);
       }},
      // 20 / 3 = 6: nScopeWgt 0 and 6 reach one series; a new series would fail its warm-up.
      {"DefaultSmootherLengthIsAKey",
       Join(Bars("a", 20, 2, 13), {S("a", 20, 6, 101.0f, 1240315, 60, 2, 0, 14),
                                   S("a", 20, -3, 102.0f, 1240315, 60, 2, 0, 15)}),
       [](const std::string& prefix) { EXPECT_EQ(1, CountSeries(prefix)); }},
      {"SameBarNumberReplacesTheNewestPoint",
       Join(Bars("a", 10, 2, 9), {S("a", 10, 0, 97.0f, 1240315, 60, 2, 0, 9),
                                  S("a", 10, 0, 97.0f, 1240315, 60, 2, 0, 9)}),
       [](const std::string& prefix) {
         EXPECT_EQ(9, SeriesOf(prefix + "a", 10, 5, 60, 2, 0)->PointCount());
       }},
      {"NegativeDateReplacesWhateverTheBarNumber",
       Join(Bars("a", 10, 1, 9), {S("a", 10, 0, 95.0f, -1240315, 60, 1, 0, 10)}),
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "a", 10, 5, 60, 1, 0);
         EXPECT_EQ(9, s->PointCount());
         EXPECT_EQ(1240315, s->lastDate);
         EXPECT_EQ(10, s->lastBar);
       }},
      {"LowerBarNumberIsANewBar",
       Join(Bars("a", 10, 2, 9), {S("a", 10, 0, 95.0f, 1240315, 60, 2, 0, 3)}),
       [](const std::string& prefix) {
         EXPECT_EQ(10, SeriesOf(prefix + "a", 10, 5, 60, 2, 0)->PointCount());
       }},
      {"AnotherKeyMakesASecondSeriesAndTheFirstContinues",
       Join(Join(Bars("a", 10, 2, 9), Bars("a", 12, 2, 3)),
            {S("a", 10, 0, 99.0f, 1240315, 60, 2, 0, 10)}),
       [](const std::string& prefix) {
         EXPECT_EQ(2, CountSeries(prefix));
         EXPECT_EQ(10, SeriesOf(prefix + "a", 10, 5, 60, 2, 0)->PointCount());
         EXPECT_EQ(3, SeriesOf(prefix + "a", 12, 6, 60, 2, 0)->PointCount());
       }},
      // A failed computation ends the call: during the warm-up of a series of bar type 2
      // only the first of the repeated points is added.
      {"RepeatCountAddsAndReplacesThatManyPoints",
       Join(Join(Bars("a", 10, 1, 5, 260), {S("a", 10, 0, 90.0f, 1240315, 260, 1, 0, 5)}),
            Join(Bars("b", 10, 2, 5, 260), {S("b", 10, 0, 90.0f, 1240315, 260, 2, 0, 5, E)})),
       [](const std::string& prefix) {
         EXPECT_EQ(10, SeriesOf(prefix + "a", 10, 5, 260, 1, 0)->PointCount());
         EXPECT_EQ(4, SeriesOf(prefix + "b", 10, 5, 260, 2, 0)->PointCount());
       }},
      // A computation that failed after the first of two repeated points leaves one point
      // for a replace of two: the newest index stays in step with the points.
      {"ReplaceOfMorePointsThanHeld",
       Join({S("a", 10, 0, 5.0f, 1240315, 260, 2, 0, 1, E),
             S("a", 10, 0, 6.0f, 1240315, 260, 2, 0, 1, E)},
            Bars("a", 10, 2, 20, 260)),
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "a", 10, 5, 260, 2, 0);
         EXPECT_EQ(s->PointCount() - 1, s->lastIndex);
       }},
      {"ResponseFactorZeroFitsTheRawValues", Bars("a", 10, 2, 40, 0),
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "a", 10, 5, 0, 2, 0);
         for (int i = 0; i < s->PointCount(); ++i)
           EXPECT_EQ(test::FloatBits(s->PointAt(i).raw), test::FloatBits(s->PointAt(i).adjusted))
               << i;
       }},
      {"ResponseFactorAdjustsFromTheSixthChange", Bars("a", 10, 2, 40, 99),
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "a", 10, 5, 99, 2, 0);
         // Changes are measured from the transition call (index 5); the sixth is index 10.
         for (int i = 0; i < 10; ++i)
           EXPECT_EQ(test::FloatBits(s->PointAt(i).raw), test::FloatBits(s->PointAt(i).adjusted))
               << i;
         int adjusted = 0;
         for (int i = 10; i < s->PointCount(); ++i)
           adjusted += s->PointAt(i).raw != s->PointAt(i).adjusted;
         EXPECT_GT(adjusted, 20);
       }},
      {"DateGoingBackRestartsTheSeries",
       Join(Join(Bars("a", 10, 1, 9), Bars("b", 10, 2, 9)),
            {S("a", 10, 0, 90.0f, 1240314, 60, 1, 0, 10, V),
             S("b", 10, 0, 90.0f, 1240314, 60, 2, 0, 10, E)}),
       [](const std::string& prefix) {
         EXPECT_EQ(1, SeriesOf(prefix + "a", 10, 5, 60, 1, 0)->PointCount());
         EXPECT_EQ(1, SeriesOf(prefix + "b", 10, 5, 60, 2, 0)->PointCount());
       }},
      {"DateZeroRestartsOnEveryCall",
       {S("a", 10, 0, 1.0f, 0, 60, 1, 0, 1, V), S("a", 10, 0, 2.0f, 0, 60, 1, 0, 2, V),
        S("a", 10, 0, 3.0f, 0, 60, 1, 0, 3, V), S("b", 10, 0, 1.0f, 0, 60, 2, 0, 1, E),
        S("b", 10, 0, 2.0f, 0, 60, 2, 0, 2, E)},
       nullptr},
      {"IntradaySeriesRestartsEachDayUnlessContinuous",
       Join(Join(Bars("a", 10, 1, 9), Bars("c", 10, 1, 9)),
            {S("a", 10, 0, 90.0f, 1240316, 60, 1, 0, 10, V),
             S("c", 10, 0, 90.0f, 1240316, 60, 1, 0, 10, V)}),
       nullptr},
      {"DayContinuityKeepsTheSeriesAcrossDates",
       {S("a", 10, 0, 1.0f, 1240315, 0, 1, 1, 1, V),
        S("a", 10, 0, 2.0f, 1240316, 0, 1, 1, 2, X, 5.0f / 3.0f)},
       nullptr},
      {"SymbolsDifferingInCaseAreOneSeries",
       Join(Bars("abc", 10, 2, 9), {S("ABC", 10, 0, 90.0f, 1240315, 60, 2, 0, 10),
                                    S("aBc", 10, 0, 91.0f, 1240315, 60, 2, 0, 11),
                                    S("abc", 10, 0, 91.0f, 1240315, 60, 1, 0, 12, V),
                                    S("abc", 10, 0, 91.0f, 1240315, 61, 2, 0, 12, E),
                                    S("abc ", 10, 0, 91.0f, 1240315, 60, 2, 0, 12, E)}),
       [](const std::string& prefix) {
         EXPECT_EQ(4, CountSeries(prefix));
         EXPECT_EQ(11, SeriesOf(prefix + "ABC", 10, 5, 60, 2, 0)->PointCount());
       }},
      {"DiagnosticCodes",
       {S("a", 10, 0, 10.0f, 1240315, -1818, 2, 0, 1, E),
        S("a", 10, 0, 20.0f, 1240315, -1818, 2, 0, 2, X, 10.0f),
        S("a", 10, 0, 30.0f, 1240315, -1818, 2, 0, 3, X, 20.0f),
        S("b", 10, 0, 10.0f, 1240315, -1819, 2, 0, 1, E),
        S("b", 10, 0, 20.0f, 1240315, -1819, 2, 0, 2, E),
        S("b", 10, 0, 30.0f, 1240315, -1819, 2, 0, 3, X, 20.0f),
        S("b", 10, 0, 50.0f, 1240315, -1819, 2, 0, 4, X, 30.0f),
        S("c", 10, 0, 10.0f, 1240315, -1820, 2, 0, 1, V),
        S("c", 10, 0, -4.5f, 1240315, -1820, 2, 0, 2, V)},
       [](const std::string& prefix) {
         const CRareAvgSym* s = SeriesOf(prefix + "c", 10, 5, -1820, 2, 0);
         EXPECT_EQ(nullptr, s->shortAverage.items);  // no stack touched
         EXPECT_EQ(nullptr, s->changeAverage.items);
         EXPECT_EQ(nullptr, s->resultSmoother.items);
       }},
      {"OtherNegativeFactorsMeanSixty", Join(Bars("a", 10, 2, 30, -1), Bars("b", 10, 2, 30, -1821)),
       nullptr},
      {"ValuesOfZeroAreNotMeasuredAsChanges",
       Join(Bars("a", 10, 2, 12),
            {S("a", 10, 0, 0.0f, 1240315, 60, 2, 0, 13), S("a", 10, 0, 0.0f, 1240315, 60, 2, 0, 14),
             S("a", 10, 0, 5.0f, 1240315, 60, 2, 0, 15)}),
       nullptr},
      {"UnusualInputsStayDefined",
       {S("a", 10, 0, std::numeric_limits<float>::quiet_NaN(), 1240315, 60, 1, 0, 1),
        S("a", 10, 0, std::numeric_limits<float>::infinity(), 1240315, 60, 1, 0, 2),
        S("b", 10, 0, 3.0f, INT_MIN, 60, 1, 0, 1, V), S("b", 10, 0, 4.0f, INT_MIN, 60, 1, 0, 2, V),
        S("c", INT_MAX, 0, 3.0f, 1240315, 60, 1, 0, 1),
        S("c", INT_MAX, 0, 4.0f, 1240315, 60, 1, 0, 2),
        S("d", 10, INT_MAX, 3.0f, 1240315, 60, 1, 0, 1), S("e", 2, 0, 1.0f, 1240315, 60, 1, 0, 1),
        S("e", 2, 0, 2.0f, 1240315, 60, 1, 0, 2), S("e", 2, 0, 4.0f, 1240315, 60, 1, 0, 3),
        S("e", 2, 0, 3.0f, 1240315, 60, 1, 0, 4)},
       nullptr},
  };
}

class RareAvgTest : public test::BackendTest {
 protected:
  float Call(const RareAvgModelCall& c) {
    return api().VQM_RareAvg(c.symbol, c.regr, c.wgt, c.value, c.date, c.time, c.respFac,
                             c.diagnostic, c.barType, c.day, c.bar);
  }
};

TEST_P(RareAvgTest, WorkedExamples) {
  for (const Scenario& scenario : WorkedExamples()) {
    SCOPED_TRACE(scenario.name);
    const std::string prefix = test::UniqueSymbolPrefix(scenario.name);
    RareAvgModel model;
    for (size_t i = 0; i < scenario.steps.size(); ++i) {
      const Step& s = scenario.steps[i];
      const std::string symbol = prefix + s.sym;
      const RareAvgModelCall c{symbol.c_str(), s.regr, s.wgt,     s.value, s.date, 930,
                               s.respFac,      0,      s.barType, s.day,   s.bar};
      const float want = model.Call(c);
      const float got = Call(c);
      EXPECT_TRUE(SameFloat(want, got))
          << "step " << i << ": model " << want << ", library " << got;
      float expected = want;
      if (s.want == Want::kValue) expected = s.value;
      if (s.want == Want::kError) expected = kErr;
      if (s.want == Want::kExact) expected = s.exact;
      EXPECT_TRUE(SameFloat(expected, got)) << "step " << i << ": " << got << " != " << expected;
      EXPECT_TRUE(SameFloat(expected, want)) << "model, step " << i;
    }
    if (scenario.check && inProcess()) scenario.check(prefix);
  }
}

TEST_P(RareAvgTest, NullSymbolPassesTheValueThrough) {
  const int before = inProcess() ? g_RareAvgMgr.GetSize() : 0;
  for (int bar = 1; bar <= 3; ++bar)
    EXPECT_EQ(2.5f * bar,
              api().VQM_RareAvg(nullptr, 10, 0, 2.5f * bar, 1240315, 930, 60, 0, 2, 0, bar));
  if (inProcess()) {
    EXPECT_EQ(before, g_RareAvgMgr.GetSize());
  }
}

TEST_P(RareAvgTest, FirstCallLogsTheNewSeries) {
  const std::string symbol = test::UniqueSymbolPrefix("Init") + "Es";
  api().VQM_RareAvg(symbol.c_str(), 14, 0, 1.0f, 1240315, 930, 60, 0, 1, 0, 1);
  api().VQM_RareAvg(symbol.c_str(), 14, 0, 1.0f, 1240315, 930, 60, 0, 1, 0, 2);
  const std::vector<std::string> lines = LogLinesWith("Sym=" + symbol + ",");
  ASSERT_EQ(1u, lines.size()) << "logged once";
  std::smatch m;
  const std::regex layout("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\da\\|RareAvg: Initializing Sym=" +
                          symbol + ", BarType=1, Len=14 \\(([0-9A-F]{16})\\)\r\n");
  ASSERT_TRUE(std::regex_match(lines[0], m, layout)) << lines[0];
  if (inProcess()) {
    ExportLock lock;
    char address[20];
    snprintf(address, sizeof address, PTR_FMT,
             PtrArg(g_RareAvgMgr.Find(RareAvgKeys{symbol.c_str(), 14, 4, 60, 1, 0})));
    EXPECT_EQ(address, m[1].str());
  }
}

TEST_P(RareAvgTest, ResponseFactor61WritesTheDiagnosticLine) {
  const std::string symbol = test::UniqueSymbolPrefix("Diag") + "nq";
  RareAvgModel model;
  std::vector<std::string> lines;
  for (int bar = 1; bar <= 14; ++bar) {
    const int respFac = bar < 12 ? 261 : 61;  // factor 61 with and without a repeat count
    const int date = bar == 13 ? -1240315 : 1240315;
    const RareAvgModelCall c{
        symbol.c_str(), 10, 0, 100.0f + bar * 1.25f, date, 1000 + bar, respFac, bar - 7, 1, 3, bar};
    if (bar == 12) {
      // A failed computation writes no line: a new series with bar type 2 fails its warm-up.
      EXPECT_EQ(kErr,
                api().VQM_RareAvg(symbol.c_str(), 10, 0, 1.0f, 1240315, 1000, 61, 0, 2, 3, 1));
    }
    EXPECT_TRUE(SameFloat(model.Call(c), Call(c)));
    lines.push_back(model.diagnosticLine());
  }
  EXPECT_NE(std::string::npos, lines[0].find(", Bar=    2"));  // two points per call
  EXPECT_NE(std::string::npos, lines[10].find(", Bar=   22"));
  EXPECT_NE(std::string::npos, lines[11].find(", Bar=    1"));  // 61 is another series than 261
  EXPECT_NE(std::string::npos, lines[12].find(", Bar=    1"));  // the negative date replaced
  EXPECT_NE(std::string::npos, lines[13].find(", Bar=    2"));
  // The model's lines, in order, and no line for the failed call.
  const std::vector<std::string> logged = LogLinesWith("RareAvg(nScopeRegr,nScopeWgt,");
  size_t next = 0;
  for (const std::string& line : lines) {
    while (next < logged.size() && logged[next].find("|" + line + "\r\n") == std::string::npos)
      ++next;
    ASSERT_LT(next, logged.size()) << line;
    ++next;
  }
  for (const std::string& line : logged)
    EXPECT_EQ(std::string::npos, line.find("    1.00000f,1240315,1000,"));
}

// A call may add at most 100 points: a larger repeat count would hold the host's thread for
// seconds and take a gigabyte per call, so it is refused before any series is touched.
TEST_P(RareAvgTest, RepeatCountsAboveAHundredAreRefused) {
  const std::string symbol = test::UniqueSymbolPrefix("Repeat") + "es";
  for (int respFac : {10100, 99999, INT_MAX})
    EXPECT_EQ(kErr, api().VQM_RareAvg(symbol.c_str(), 1, 0, 5.0f, 1240315, 930, respFac, 0, 1,
                                      0, 1))
        << respFac;
  EXPECT_EQ(5.0f, api().VQM_RareAvg(symbol.c_str(), 1, 0, 5.0f, 1240315, 930, 10099, 0, 1, 0, 1));
  if (inProcess()) {
    for (int respFac : {10100, 99999, INT_MAX})
      EXPECT_EQ(nullptr, SeriesOf(symbol, 1, 2, respFac, 1, 0)) << respFac;
    const CRareAvgSym* s = SeriesOf(symbol, 1, 2, 10099, 1, 0);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(100, s->PointCount());
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(RareAvgTest);

// ---- in process: the smoother length, the stages and the exception frame ----

TEST(RareAvgScopeWgt, DefaultFromTheRegressionLength) {
  const struct {
    int regr, wgt, effective;
  } cases[] = {{20, 0, 6},    {12, 0, 6}, {13, 0, 4}, {3, 0, 2},  {1, -5, 2},
               {200, -1, 66}, {10, 7, 7}, {10, 1, 1}, {-9, 0, 2}, {INT_MAX, 0, 715827882}};
  for (const auto& c : cases)
    EXPECT_EQ(c.effective, EffectiveScopeWgt(c.regr, c.wgt)) << c.regr << "," << c.wgt;
}

TEST(RareAvgStages, EachStepRecordsTheStageItReached) {
  const std::string symbol = test::UniqueSymbolPrefix("Stage") + "cl";
  const struct {
    const char* symbol;
    int barType, date;
    float value, result;
    int stage;
  } cases[] = {
      {nullptr, 1, 1240315, 5.0f, 5.0f, 2},          // no symbol: after the smoother length
      {symbol.c_str(), 2, -1240315, 5.0f, kErr, 5},  // a failed computation
      {symbol.c_str(), 1, 1240315, 5.0f, 5.0f, 6},   // the end of a call
  };
  ExportLock lock(platform::LibraryLock());
  for (const auto& c : cases) {
    RareAvgTrace trace{-1, c.symbol, c.value, c.date, 930};
    const RareAvgArgs args{c.symbol, 10, 0, c.value, c.date, 930, 60, 0, c.barType, 0, 1};
    EXPECT_EQ(c.result, RareAvgCall(args, trace));
    EXPECT_EQ(c.stage, trace.stage);
    EXPECT_EQ(1240315, trace.date);
  }
}

class RareAvgGuardTest : public ::testing::Test {
 protected:
  // The log line written for an exception thrown by `raise` at stage 5.
  static std::string LineFor(const std::function<void()>& raise, float* result) {
    const std::string symbol = test::UniqueSymbolPrefix("Guard") + "gc";
    RareAvgTrace trace{0, nullptr, 1.25f, 1240315, 930};
    trace.symbol = symbol.c_str();
    *result = GuardRareAvg(trace, [&] {
      trace.stage = 5;
      raise();
      return 7.0f;
    });
    const std::vector<std::string> lines = LogLinesWith("(Sym=" + symbol + ",");
    return lines.size() == 1 ? lines[0] : "";
  }
  static std::string Text(const std::string& line) {
    const size_t bar = line.find('|', 17);
    return line.substr(0, 17) + line.substr(bar + 1);
  }
};

TEST_F(RareAvgGuardTest, ExceptionsBecomeTheLoggedInternalErrors) {
  float result = 0.0f;
  const std::string framework = LineFor([] { ThrowSimpleException("disk full"); }, &result);
  EXPECT_EQ(kErr, result);
  ASSERT_FALSE(framework.empty());
  EXPECT_EQ(std::regex_replace(Text(framework), std::regex("Sym=[^,]*"), "Sym=S"),
            "RareAvg         |RareAvg: Internal Error1 occured Stage=5 (Sym=S, Val=1.250000, "
            "Date=1240315, Time=930, Err=disk full)\r\n");

  const std::string other = LineFor([] { throw 42; }, &result);
  EXPECT_EQ(kErr, result);
  EXPECT_EQ(std::regex_replace(Text(other), std::regex("Sym=[^,]*"), "Sym=S"),
            "RareAvg         |RareAvg: Internal Error2 occured Stage=5 (Sym=S, Val=1.250000, "
            "Date=1240315, Time=930)\r\n");

  const std::string memory = LineFor([] { throw std::bad_alloc(); }, &result);
  EXPECT_NE(std::string::npos, memory.find("Error1 occured Stage=5 ")) << memory;
  EXPECT_NE(std::string::npos, memory.find(", Err=Out of memory.)")) << memory;

  // The message is fetched into 1000 characters: at most 999 of it are logged.
  const std::string longLine =
      LineFor([] { ThrowSimpleException(std::string(1500, 'x')); }, &result);
  EXPECT_NE(std::string::npos, longLine.find("Err=" + std::string(999, 'x') + ")\r\n"));
}

}  // namespace
}  // namespace vqm
