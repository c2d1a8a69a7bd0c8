#include "indicators/bsp/bsp_manager.h"

#include <gtest/gtest.h>

#include <string>

#include "base/lock_rule.h"
#include "indicators/bsp/log_watch.h"

namespace vqm {
namespace {

TEST(BSPManager, KeysFindTheirInstanceIgnoringCase) {
  ExportLock lock;
  test::LogWatch log(true);
  CBSPManager manager;
  EXPECT_EQ(-1, manager.FindInstance("Chart/ES/1/2"));
  EXPECT_EQ(0, manager.FindOrAddInstance("Chart/ES/1/2"));
  EXPECT_EQ(1, manager.FindOrAddInstance("Chart/NQ/1/2"));
  EXPECT_EQ(0, manager.FindOrAddInstance("CHART/es/1/2"));
  EXPECT_EQ(0, manager.FindInstance("chart/Es/1/2"));
  EXPECT_EQ(-1, manager.FindInstance("Chart/ES/1/"));
  EXPECT_EQ(-1, manager.FindInstance("Chart/ES/1/22"));
  EXPECT_EQ(2, manager.GetSize());
  EXPECT_EQ("Chart/ES/1/2", manager.GetAt(0)->name);
  EXPECT_EQ(-1, manager.GetAt(0)->lastBar);
  EXPECT_EQ(nullptr, manager.GetAt(0)->arrayObj);
  test::ExpectLines(
      {log.Line("BSPMgr", 1, "Added new BSP Instance: ID=Chart/ES/1/2, Idx=0, BSP=" +
                                 test::Hex(manager.GetAt(0)) + ", Mgr=" + test::Hex(&manager)),
       log.Line("BSPMgr", 1, "Added new BSP Instance: ID=Chart/NQ/1/2, Idx=1, BSP=" +
                                 test::Hex(manager.GetAt(1)) + ", Mgr=" + test::Hex(&manager))},
      log.NewLines());
}

TEST(BSPManager, HoldsOnlyItsOwnInstances) {
  ExportLock lock;
  test::LogWatch log(true);
  CBSPManager manager, other;
  CBSPSet* mine = manager.GetAt(manager.FindOrAddInstance("a"));
  CBSPSet* theirs = other.GetAt(other.FindOrAddInstance("a"));
  EXPECT_TRUE(manager.Holds(mine));
  EXPECT_FALSE(manager.Holds(theirs));
  EXPECT_FALSE(manager.Holds(nullptr));
  EXPECT_FALSE(manager.Holds(reinterpret_cast<const char*>(mine) + 8));
}

// Many charts: every key still finds its own instance, in any letter case and in any order,
// whatever order the manager learnt (in turn, as a host calculates its charts; then in
// orders unlike it; one chart again and again), and a key one character off finds none.
TEST(BSPManager, ManyKeys) {
  ExportLock lock;
  test::LogWatch log(true);
  CBSPManager manager;
  const int kKeys = 5000;
  const auto key = [](int i, bool sameBytes) {
    return (sameBytes ? "sym" : "SYM") + std::to_string(i) + (sameBytes ? "/x/1/2" : "/X/1/2");
  };
  for (int i = 0; i < kKeys; ++i) ASSERT_EQ(i, manager.FindOrAddInstance(key(i, true).c_str()));
  const struct {
    int first, step;
    bool sameBytes;
  } rounds[] = {{0, 1, false}, {0, 1, true},  {0, 1, true},        {kKeys - 1, -1, true},
                {0, 2, true},  {1, 2, false}, {7, 0, true},        {5, 7, true},
                {0, 1, true},  {3, 0, false}, {kKeys - 1, -1, false}};
  for (const auto& r : rounds)
    for (int k = 0, i = r.first; k < kKeys; ++k, i = ((i + r.step) % kKeys + kKeys) % kKeys) {
      ASSERT_EQ(i, manager.FindInstance(key(i, r.sameBytes).c_str()))
          << r.first << " " << r.step << " " << i;
      if (k % 97 == 0) {
        ASSERT_EQ(-1, manager.FindInstance((key(i, true) + "0").c_str()));
      }
    }
  EXPECT_EQ(kKeys, manager.GetSize());
}

}  // namespace
}  // namespace vqm
