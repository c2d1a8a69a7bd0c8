// A directory that refuses new files, or a file that refuses to be read, for as long as the
// object lives, as far as the platform and the test's user allow:
//   - POSIX: the permission bits are cleared; a root user's override of them (the DAC
//     capabilities) is dropped from the calling thread meanwhile, so the library's calls on
//     this thread meet the refusal too;
//   - Windows: a file is held open without sharing; a directory cannot be made unwritable
//     (its read-only attribute does not stop new files).
// When the denial cannot be set up, active() is false and reason() says why (for GTEST_SKIP).
// REQUIRES: the library's calls that should meet the refusal run on the creating thread.
#pragma once

#include <string>

namespace vqm::test {

class AccessDenial {
 public:
  enum class Kind { kReadOnlyDirectory, kUnreadableFile };
  // path: a library path (drive-mapped natively) of an existing directory or file.
  AccessDenial(Kind kind, const std::string& path);
  ~AccessDenial();
  AccessDenial(const AccessDenial&) = delete;
  AccessDenial& operator=(const AccessDenial&) = delete;

  bool active() const { return active_; }
  const std::string& reason() const { return reason_; }

 private:
  Kind kind_;
  std::string native_;
  bool active_ = false;
  std::string reason_;
  unsigned savedMode_ = 0;
  unsigned savedCapabilities_ = 0;  // POSIX: the effective set's first word
  bool capabilitiesDropped_ = false;
  void* handle_ = nullptr;  // Windows: the file held open
};

}  // namespace vqm::test
