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

// Many charts: every key still finds its own instance, in any letter case.
TEST(BSPManager, ManyKeys) {
  ExportLock lock;
  test::LogWatch log(true);
  CBSPManager manager;
  const int kKeys = 5000;
  for (int i = 0; i < kKeys; ++i)
    ASSERT_EQ(i, manager.FindOrAddInstance(("sym" + std::to_string(i) + "/x/1/2").c_str()));
  for (int i = 0; i < kKeys; ++i)
    ASSERT_EQ(i, manager.FindInstance(("SYM" + std::to_string(i) + "/X/1/2").c_str()));
  EXPECT_EQ(kKeys, manager.GetSize());
}

}  // namespace
}  // namespace vqm
