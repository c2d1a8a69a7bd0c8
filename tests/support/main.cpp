#include <gtest/gtest.h>

#include <cstdio>

#include "support/library_under_test.h"
#include "testing/fake_env.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Installed before any test installs an Env of its own, so that one restores it.
  vqm::test::SuiteEnv();
  printf("Testing on %s; library under test: %s\n",
         vqm::test::OnWindows() ? "Windows (Wine)" : "POSIX", vqm::test::LibraryPath().c_str());
  return RUN_ALL_TESTS();
}
