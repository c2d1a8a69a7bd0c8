#include "support/fresh_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "support/environment.h"
#include "support/files.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace vqm::test {
#if !defined(_WIN32)
namespace {

std::string g_runFolder;

void RemoveRunFolder() {
  std::error_code ec;
  std::filesystem::remove_all(g_runFolder, ec);
}

}  // namespace
#endif

void StartFreshRun() {
#if defined(_WIN32)
  const char* platform = getenv("VQM_TEST_PLATFORM");
  if (platform == nullptr || strcmp(platform, "wine") != 0) return;
  RemoveTree("C:/Database");
  RemoveTree("C:/vqmtest");
#else
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vqm-tests.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    perror("mkdtemp");
    abort();
  }
  g_runFolder = pattern;
  atexit(RemoveRunFolder);
  const std::string drives = g_runFolder + "/drives";
  const std::string host = g_runFolder + "/host/bin";
  std::error_code ec;
  std::filesystem::create_directories(drives, ec);
  std::filesystem::create_directories(host, ec);
  SetEnv("VQM_DRIVE_ROOT", drives.c_str());
  SetEnv("VQM_HOST_DIR", host.c_str());
#endif
}

}  // namespace vqm::test
