// Fault injection at the one door to the operating system: a test makes the Nth open,
// write, close, rename or directory creation fail, and sees what the library makes of it.
// A failed write stores the first half of its bytes before it reports the failure, as a
// disk that fills up mid-write does; a failed close still closes the stream. Allocation
// failures come from FailAllocationAt (failing_allocation.h).
//
//   FaultEnv faults;            // wraps the Env current now
//   ScopedEnv use(&faults);
//   faults.FailAt(3);           // the third counted call fails
//
// REQUIRES: installed and removed while no export runs on another thread.
#pragma once

#include <cerrno>
#include <string>

#include "platform/env.h"

namespace vqm::test {

class FaultEnv : public platform::EnvWrapper {
 public:
  FaultEnv() : EnvWrapper(platform::Env::Current()) {}

  // The nth counted call from now (1 is the next one) fails; 0 fails none. Restarts the count.
  void FailAt(int n) {
    failAt_ = n;
    calls_ = 0;
    failed_ = false;
  }
  // Counted calls since FailAt.
  int Calls() const { return calls_; }
  // True once the chosen call has failed.
  bool Failed() const { return failed_; }
  // What the failed call was ("open C:/...", "write", ...).
  const std::string& FailedCall() const { return failedCall_; }

  FILE* OpenFile(const char* path, const char* mode) override;
  FILE* OpenRegularFile(const char* path) override;
  long WriteUnbuffered(FILE* file, const void* data, size_t size) override;
  bool WriteAll(FILE* file, const void* data, size_t size) override;
  bool CloseFile(FILE* file) override;
  bool RenameReplacing(const char* from, const char* to) override;
  platform::MakeDirResult MakeDirectory(const char* path) override;

 private:
  // Counts a call; true when this one is to fail (errno is then set to error).
  bool Fail(const char* what, const char* path, int error);

  int failAt_ = 0;
  int calls_ = 0;
  bool failed_ = false;
  std::string failedCall_;
};

}  // namespace vqm::test
