// Parameterised fixture for tests that call exports: each runs once against the exports
// linked into the test binary and once against the built library loaded by path.
//
//   class MyExportTest : public vqm::test::BackendTest {};
//   TEST_P(MyExportTest, Case) { EXPECT_EQ(0, api().VQM_OnCreate()); }
//   VQM_INSTANTIATE_BACKEND_TESTS(MyExportTest);
#pragma once

#include <gtest/gtest.h>

#include "support/library_under_test.h"

namespace vqm::test {

class BackendTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam() == Backend::kLoadedLibrary) {
      ASSERT_TRUE(SharedLibrary().ok()) << SharedLibrary().error();
    }
  }
  const Exports& api() const { return ExportsOf(GetParam()); }
  bool inProcess() const { return GetParam() == Backend::kInProcess; }
};

}  // namespace vqm::test

#define VQM_INSTANTIATE_BACKEND_TESTS(Fixture)                                            \
  INSTANTIATE_TEST_SUITE_P(                                                               \
      Backends, Fixture,                                                                  \
      ::testing::Values(::vqm::test::Backend::kInProcess,                                 \
                        ::vqm::test::Backend::kLoadedLibrary),                            \
      [](const ::testing::TestParamInfo<::vqm::test::Backend>& info) {                    \
        return ::vqm::test::BackendName(info.param);                                      \
      })
