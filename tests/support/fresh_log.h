// The log writer seen afresh by a test: its state as at load, a host executable in a fresh
// test directory (so the settings file is new) and the clock stopped at a chosen moment, so
// that the day's log file and every time prefix are known. Everything is put back when the
// object goes.
#pragma once

#include <string>

#include "platform/platform.h"

namespace vqm::test {

// Puts the log writer's state back as at load, closing its file if one is open.
void ResetLogWriter();

class FreshLog {
 public:
  // hostDirectory: a name for FreshTestDirectory; the host executable is "<dir>/bin/Host.exe".
  FreshLog(const std::string& hostDirectory, const platform::ClockReading& clock);
  ~FreshLog();
  FreshLog(const FreshLog&) = delete;
  FreshLog& operator=(const FreshLog&) = delete;

  // "C:/Database/VOVOD/logs/YYYYMMDD/VQM_F1.log" of the stopped clock's day.
  const std::string& path() const { return path_; }
  // The test directory holding the host executable's folder.
  const std::string& directory() const { return directory_; }
  // The whole log file as written so far.
  std::string Content() const;

 private:
  std::string directory_;
  std::string path_;
};

}  // namespace vqm::test
