#include "indicators/trend_reversal_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/lock_rule.h"

namespace vqm {
namespace {

std::unique_ptr<CTrendRevSym> MakeSeries(const std::string& symbol, int key1, int key2) {
  std::unique_ptr<CTrendRevSym> s(new CTrendRevSym);
  s->symbol = symbol;
  s->barKey1 = key1;
  s->barKey2 = key2;
  return s;
}

// The index finds what a scan of the array would find, for many series and after
// replacements; texts that differ in length or keys are other series.
TEST(CTrendRevMgr, IndexFindsWhatTheArrayHolds) {
  ExportLock lock;
  CTrendRevMgr mgr;
  constexpr int kSeries = 20000;
  for (int i = 0; i < kSeries; ++i) {
    std::unique_ptr<CTrendRevSym> s = MakeSeries("Sym" + std::to_string(i / 4), i % 4, -i % 3);
    ASSERT_EQ(i, mgr.Append(s));
    ASSERT_EQ(nullptr, s.get()) << "the manager took it";
  }
  for (int i = 0; i < kSeries; i += 7) {
    const std::string upper = "SYM" + std::to_string(i / 4);
    EXPECT_EQ(i, mgr.Find(upper.c_str(), i % 4, -i % 3));
    EXPECT_EQ(-1, mgr.Find((upper + " ").c_str(), i % 4, -i % 3));
    EXPECT_EQ(-1, mgr.Find(upper.substr(0, upper.size() - 1).append("x").c_str(), i % 4, -i % 3));
    EXPECT_EQ(-1, mgr.Find(upper.c_str(), i % 4 + 4, -i % 3));
  }
  EXPECT_EQ(-1, mgr.Find("", 0, 0));

  // Found in turn, as a portfolio calls them, then in another order: the series called after
  // the one found last is tried first, and taken only on its very keys.
  for (int round = 0; round < 3; ++round)
    for (int k = 0; k < 12; ++k) {
      const int i = round < 2 ? k : 11 - k;
      EXPECT_EQ(i, mgr.Find(("Sym" + std::to_string(i / 4)).c_str(), i % 4, -i % 3)) << round;
    }

  // A fresh series in the slot of the old one: same index, the new object.
  for (int i = 0; i < kSeries; i += 1000) {
    std::unique_ptr<CTrendRevSym> fresh = MakeSeries("sYm" + std::to_string(i / 4), i % 4, -i % 3);
    CTrendRevSym* raw = fresh.get();
    mgr.Replace(i, std::move(fresh));
    EXPECT_EQ(i, mgr.Find(("SYM" + std::to_string(i / 4)).c_str(), i % 4, -i % 3));
    EXPECT_EQ(raw, mgr.GetAt(i));
  }
  EXPECT_EQ(kSeries, mgr.GetSize());
}

TEST(CTrendRevMgr, EmptySymbolIsASymbolLikeAnyOther) {
  ExportLock lock;
  CTrendRevMgr mgr;
  std::unique_ptr<CTrendRevSym> s = MakeSeries("", 99, 0);
  mgr.Append(s);
  EXPECT_EQ(0, mgr.Find("", 99, 0));
  EXPECT_EQ(-1, mgr.Find("", 99, 1));
}

}  // namespace
}  // namespace vqm
