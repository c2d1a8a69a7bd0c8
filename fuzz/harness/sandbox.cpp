#include "harness/sandbox.h"

#include <ftw.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "frame/settings.h"
#include "platform/platform.h"
#include "testing/fake_env.h"

namespace vqm::fuzz {
namespace {

std::string g_root;

void RemoveSandbox() {
  std::error_code ec;
  if (!g_root.empty()) std::filesystem::remove_all(g_root, ec);
}

bool IsLogFile(const char* path) { return strstr(path, "/Database/VOVOD/logs/") != nullptr; }

bool g_clearDirectories = true;

int ClearEntry(const char* path, const struct stat*, int type, struct FTW* at) {
  if (at->level == 0) return 0;  // the sandbox itself stays
  if (type == FTW_DP) {
    if (g_clearDirectories) rmdir(path);  // fails for the log's, which keep the open log
  } else if (IsLogFile(path)) {
    if (truncate(path, 0) != 0) unlink(path);
  } else {
    unlink(path);
  }
  return 0;
}

}  // namespace

const std::string& SetUpSandbox() {
  if (!g_root.empty()) return g_root;
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vqm-fuzz.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    perror("mkdtemp");
    abort();
  }
  g_root = pattern;
  atexit(RemoveSandbox);
  setenv("VQM_DRIVE_ROOT", g_root.c_str(), 1);
  test::SetExecutablePath("C:/Host/Program/Host.exe");
  ClearPathCaches();
  return g_root;
}

bool WriteLibraryFile(const std::string& path, const uint8_t* data, size_t size) {
  const std::filesystem::path native = platform::NativePath(path.c_str());
  std::error_code ec;
  std::filesystem::create_directories(native.parent_path(), ec);
  FILE* f = fopen(native.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = size == 0 || fwrite(data, 1, size, f) == size;
  return fclose(f) == 0 && written;
}

void ClearSandbox(bool directories) {
  g_clearDirectories = directories;
  if (!g_root.empty()) nftw(g_root.c_str(), ClearEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void SetBlockSizeVariable(int selector, int smallSize) {
  switch (selector) {
    case 0: unsetenv("BGETLRAM"); break;
    case 1: setenv("BGETLRAM", "", 1); break;
    case 2: setenv("BGETLRAM", "lots", 1); break;
    case 3: setenv("BGETLRAM", "-5", 1); break;
    case 4: setenv("BGETLRAM", "1009", 1); break;
    case 5: setenv("BGETLRAM", "1010", 1); break;
    case 6: setenv("BGETLRAM", "1011", 1); break;
    case 7: setenv("BGETLRAM", "99999999999", 1); break;   // beyond the long of Windows
    case 8: setenv("BGETLRAM", "3000000000", 1); break;    // beyond any block
    default: setenv("BGETLRAM", std::to_string(smallSize).c_str(), 1); break;
  }
}

}  // namespace vqm::fuzz
