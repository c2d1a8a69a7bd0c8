// The shipped library carries no test code: none of the doubles, hooks or helpers of
// testing/ and tests/ (namespace vqm::test) is linked into it.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/library_under_test.h"

namespace vqm {
namespace {

TEST(ShippedLibrary, HoldsNoTestingSymbol) {
  std::string bytes;
  ASSERT_TRUE(test::ReadFileBytes(test::LibraryPath(), &bytes)) << test::LibraryPath();
  // The scan must be able to see symbol names at all: a class of the library is named.
  ASSERT_NE(std::string::npos, bytes.find("CRareAvgManager"))
      << "the library carries no symbol names, so the scan below proves nothing";
  for (const char* testing : {"N3vqm4test", "_ZN3vqm4test", "FakeEnv", "RecordingMidiOut",
                              "HostDouble", "SuiteEnv"})
    EXPECT_EQ(std::string::npos, bytes.find(testing)) << testing;
}

}  // namespace
}  // namespace vqm
