#include "reliability/bad_input_fixture.h"

#include <filesystem>
#include <fstream>

#include "frame/settings.h"
#include "platform/platform.h"
#include "testing/fake_env.h"
#include "support/files.h"

namespace vqm::test {
namespace {

constexpr const char* kHostExe = "C:/vqmtest/badinput/host/bin/Host.exe";

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Native(const std::string& path) { return platform::NativePath(path.c_str()); }

// The host's settings file: "<directory>/<executable name without extension>.ini".
std::string SettingsFileOf(const std::string& exe) {
  const std::string dir = DirectoryOf(exe);
  std::string name = exe.substr(dir.size() + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return dir + "/" + name + ".ini";
}

}  // namespace

void BadInputTest::SetUp() {
  BackendTest::SetUp();
  if (HasFatalFailure()) return;
  const std::string program = platform::ExecutablePath();
  std::string exe = program;
  if (inProcess()) {
    test::SetExecutablePath(kHostExe);
    ClearPathCaches();
    exe = kHostExe;
  }
  csvDir_ = DirectoryOf(exe) + "/../CSV";
  MakeDirectoryPath(kFilesDir, 0);
  PrepareFiles();

  // The build tree holds the program, the loaded library and its CSV directory; CTest's
  // own records and the drives (walked from the drive root) are left out, and so are the
  // user profiles, whose folders Wine links to the Unix home directory.
  const std::string build = Native(DirectoryOf(program) + "/..");
  const std::string driveRoot = Native("C:/");
  roots_ = {driveRoot, build};
  pruned_ = {build + "/Testing", build + "/wineprefix", driveRoot, Native("C:/users")};
  for (const char* dir : {"C:/Database/VOVOD/logs", "C:/Database/LoadCol", "C:/Database/RTPM"})
    allowed_.push_back(Native(dir));
  allowed_.push_back(Native(csvDir_));
  allowed_.push_back(Native(SettingsFileOf(exe)));
  for (const std::string& root : roots_)
    ASSERT_TRUE(std::filesystem::is_directory(root)) << root << " cannot be watched";
  before_ = TreeSnapshot::Take(roots_, pruned_);
}

void BadInputTest::TearDown() {
  const TreeSnapshot after = TreeSnapshot::Take(roots_, pruned_);
  for (const std::string& change :
       OutsideAllowed(TreeSnapshot::Changes(before_, after), allowed_))
    ADD_FAILURE() << "touched outside the library's directories: " << change;
  if (inProcess()) {
    test::SetExecutablePath("");
    ClearPathCaches();
  }
  std::string tableFile;
  if (inProcess() && platform::GetEnvironment("VQM_BAD_INPUT_TABLE", &tableFile)) {
    std::ofstream table(tableFile, std::ios::app);
    for (const BadInputRow& r : ran_)
      table << "| `" << r.exportName << "` | " << r.argument << " | " << r.value << " | "
            << r.result << " |\n";
  }
}

void BadInputTest::Run(const std::vector<BadInputRow>& rows) {
  for (const BadInputRow& row : rows) {
    SCOPED_TRACE(row.exportName + ": " + row.argument + " = " + row.value + " -> " + row.result);
    row.check();
    ran_.push_back(row);
  }
}

std::string BadInputTest::Fresh(const char* stem) {
  static int counter = 0;
  return std::string("bi") + stem + std::to_string(++counter);
}

const std::string& BadInputTest::LongText() {
  static const std::string text = [] {
    std::string t(100000, 'A');
    for (size_t i = 0; i < t.size(); i += 7) t[i] = static_cast<char>('a' + i % 26);
    return t;
  }();
  return text;
}

}  // namespace vqm::test
