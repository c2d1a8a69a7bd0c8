// The series' point list and restarts, and the manager's lookup by its six keys.
#include "indicators/rare_avg_series.h"

#include <gtest/gtest.h>

#include <string>

#include "base/lock_rule.h"
#include "indicators/rare_avg_manager.h"

namespace vqm {
namespace {

TEST(RareAvgSeries, ResetKeepsBarNumberLagAndKeys) {
  ExportLock lock;
  CRareAvgSym s;
  s.regrLength = 3;
  s.barType = 1;
  for (int i = 0; i < 5; ++i) {
    s.AddPoint(1240315, 1.0f + i);
    float result = 0.0f;
    ASSERT_EQ(0, s.Compute(3, 2, 60, &result));
  }
  s.lastBar = 17;
  ASSERT_NE(nullptr, s.shortAverage.items);
  s.Reset();
  EXPECT_EQ(0, s.PointCount());
  EXPECT_EQ(-1, s.lastIndex);
  EXPECT_EQ(0, s.lastDate);
  EXPECT_EQ(17, s.lastBar);
  EXPECT_EQ(1, s.lag);  // set by the computation, kept by the reset
  EXPECT_EQ(3, s.regrLength);
  EXPECT_EQ(nullptr, s.shortAverage.items);
  EXPECT_EQ(nullptr, s.changeAverage.items);
  EXPECT_EQ(nullptr, s.resultSmoother.items);
}

TEST(RareAvgSeries, AddPointRestartsOnTheFirstPointAndWhenTheDateGoesBack) {
  const struct {
    int date;
    int points;  // held afterwards
  } steps[] = {{1240315, 1}, {1240315, 2}, {1240316, 3}, {1240314, 1}, {1240314, 2},
               {0, 1},       {0, 1},       {-5, 1},      {1240101, 1}, {1240101, 2}};
  CRareAvgSym s;
  for (const auto& step : steps) {
    s.AddPoint(step.date, 2.0f);
    EXPECT_EQ(step.points, s.PointCount()) << step.date;
    EXPECT_EQ(step.points - 1, s.lastIndex);
    EXPECT_EQ(step.date, s.lastDate);
  }
}

TEST(RareAvgSeries, HoldsAsManyPointsAsItReceives) {
  CRareAvgSym s;
  for (int i = 0; i < 300000; ++i) s.AddPoint(1240315, static_cast<float>(i));
  ASSERT_EQ(300000, s.PointCount());
  for (int i : {0, 15, 16, 17, 1023, 1024, 299999})
    EXPECT_EQ(static_cast<float>(i), s.PointAt(i).raw) << i;
}

TEST(RareAvgManager, SixKeysIdentifyASeries) {
  ExportLock lock;
  CRareAvgManager manager;
  const RareAvgKeys base{"Es-Mini", 10, 5, 60, 1, 0};
  CRareAvgSym* created = manager.Create(base);
  ASSERT_NE(nullptr, created);
  EXPECT_EQ("Es-Mini", created->symbol);
  EXPECT_EQ(-1, created->lastBar);
  EXPECT_EQ(3, created->lag);
  const struct {
    RareAvgKeys keys;
    bool same;
  } cases[] = {
      {{"ES-MINI", 10, 5, 60, 1, 0}, true},  {{"es-mini", 10, 5, 60, 1, 0}, true},
      {{"Es-Min", 10, 5, 60, 1, 0}, false},  {{"Es-Mini ", 10, 5, 60, 1, 0}, false},
      {{"", 10, 5, 60, 1, 0}, false},        {{"Es-Mini", 11, 5, 60, 1, 0}, false},
      {{"Es-Mini", 10, 6, 60, 1, 0}, false}, {{"Es-Mini", 10, 5, 160, 1, 0}, false},
      {{"Es-Mini", 10, 5, 60, 2, 0}, false}, {{"Es-Mini", 10, 5, 60, 1, 1}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.same ? created : nullptr, manager.Find(c.keys)) << c.keys.symbol;
  EXPECT_EQ(1, manager.GetSize());
}

TEST(RareAvgManager, EveryOneOfManySeriesIsFoundInCreationOrder) {
  ExportLock lock;
  CRareAvgManager manager;
  const int n = 10000;
  for (int i = 0; i < n; ++i) {
    const std::string symbol = "s" + std::to_string(i % 100);
    ASSERT_NE(nullptr, manager.Create(RareAvgKeys{symbol.c_str(), i / 100, 5, 60, i % 3, 0}));
  }
  ASSERT_EQ(n, manager.GetSize());
  // In turn (the manager learns the order), again in turn (it follows what it learnt), then in
  // orders unlike it, and one series again and again: every series is found, whatever the
  // manager expects next, with the symbols' very bytes and in other case.
  const struct {
    int first, step;
    bool sameBytes;
  } rounds[] = {{0, 1, false}, {0, 1, false}, {n - 1, -1, false}, {0, 2, false},
                {1, 2, false}, {0, 1, false},  {5, 7, false},      {0, 1, true},
                {0, 1, true},  {7, 0, true},   {n - 1, -1, true},  {3, 0, false}};
  for (const auto& r : rounds)
    for (int k = 0, i = r.first; k < n; ++k, i = ((i + r.step) % n + n) % n) {
      const std::string symbol = (r.sameBytes ? "s" : "S") + std::to_string(i % 100);
      ASSERT_EQ(manager.GetAt(i),
                manager.Find(RareAvgKeys{symbol.c_str(), i / 100, 5, 60, i % 3, 0}))
          << r.first << " " << r.step << " " << i;
    }
  EXPECT_EQ(nullptr, manager.Find(RareAvgKeys{"s1", 0, 5, 60, 0, 0}));  // bar type 1 for s1
  EXPECT_EQ("s7", manager.GetAt(4207)->symbol);
}

}  // namespace
}  // namespace vqm
