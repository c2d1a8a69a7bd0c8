#include "support/fresh_log.h"

#include <cstdio>

#include "frame/log_state.h"
#include "frame/settings.h"
#include "testing/fake_env.h"
#include "support/files.h"

namespace vqm::test {

void ResetLogWriter() {
  LogState& s = TheLogState();
  if (s.file != nullptr) fclose(s.file);
  s = LogState();
}

FreshLog::FreshLog(const std::string& hostDirectory, const platform::ClockReading& clock) {
  ResetLogWriter();
  directory_ = FreshTestDirectory(hostDirectory);
  MakeDirectoryPath((directory_ + "/bin").c_str(), 0);
  test::SetExecutablePath(directory_ + "/bin/Host.exe");
  ClearPathCaches();
  test::SetClock([clock] { return clock; });
  char day[16];
  snprintf(day, sizeof day, "%04d%02d%02d", clock.local.year, clock.local.month,
           clock.local.day);
  path_ = std::string("C:/Database/VOVOD/logs/") + day + "/VQM_F1.log";
  RemoveFile(path_);
}

FreshLog::~FreshLog() {
  ResetLogWriter();
  test::SetClock(nullptr);
  test::SetExecutablePath("");
  ClearPathCaches();
}

std::string FreshLog::Content() const {
  std::string s;
  ReadFileBytes(path_, &s);
  return s;
}

}  // namespace vqm::test
