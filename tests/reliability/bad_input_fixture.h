// The bad-input tables: every export called with the hostile values of its arguments, through
// both backends. A table is a list of rows (export, argument, value, the documented result)
// whose checks call the export and compare. Around each test the fixture snapshots the drive
// root and the build tree of the test program, and fails the test if any file outside the
// library's own directories was created, removed or rewritten:
//   C:/Database/VOVOD/logs, C:/Database/LoadCol, C:/Database/RTPM, the CSV directory beside
//   the host's base directory and the host's settings file.
// The exports linked into the test binary see a host at "C:/vqmtest/badinput/host/bin/Host.exe";
// the loaded library sees the test program itself.
//
// With VQM_BAD_INPUT_TABLE naming a file, the rows of the in-process runs are appended to it
// as a Markdown table (the table README.md shows).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reliability/tree_snapshot.h"
#include "support/backend_test.h"

namespace vqm::test {

struct BadInputRow {
  std::string exportName;
  std::string argument;
  std::string value;
  std::string result;
  std::function<void()> check;  // calls the export and EXPECTs the result
};

class BadInputTest : public BackendTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the files the calls read; runs before the first snapshot, so that the test's own
  // files do not count as touched.
  virtual void PrepareFiles() {}

  void Run(const std::vector<BadInputRow>& rows);

  // A symbol or key no earlier call of this process used: "bi<stem><n>".
  static std::string Fresh(const char* stem);
  // 100 000 characters, no terminator among them.
  static const std::string& LongText();

  // Library paths of the test's own files (read, never written by the library).
  static constexpr const char* kFilesDir = "C:/vqmtest/badinput/files";
  // The CSV directory this backend's bar exports write into.
  std::string csvDir_;

 private:
  std::vector<std::string> roots_, pruned_, allowed_;
  TreeSnapshot before_;
  std::vector<BadInputRow> ran_;
};

}  // namespace vqm::test
