#include <gtest/gtest.h>

#include "support/backend_test.h"

namespace vqm {
namespace {

class LifecycleTest : public test::BackendTest {};

TEST_P(LifecycleTest, OnCreateAndOnDestroyReturnZero) {
  EXPECT_EQ(0, api().VQM_OnCreate());
  EXPECT_EQ(0, api().VQM_OnDestroy());
  EXPECT_EQ(0, api().VQM_OnCreate());
}

TEST_P(LifecycleTest, OneFunctionUnderTwoNames) {
  EXPECT_EQ(reinterpret_cast<void*>(api().VQM_OnCreate),
            reinterpret_cast<void*>(api().VQM_OnDestroy));
}

VQM_INSTANTIATE_BACKEND_TESTS(LifecycleTest);

TEST(LoadedLibrary, LoadsResolvesAndUnloadsRepeatedly) {
  for (int i = 0; i < 3; ++i) {
    test::LoadedLibrary library;
    ASSERT_TRUE(library.ok()) << library.error();
    EXPECT_EQ(0, library.exports().VQM_OnCreate());
    EXPECT_EQ(nullptr, library.Resolve("VQM_NoSuchExport"));
  }
}

}  // namespace
}  // namespace vqm
