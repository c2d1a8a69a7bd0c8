#include "testing/fault_env.h"

namespace vqm::test {

bool FaultEnv::Fail(const char* what, const char* path, int error) {
  if (++calls_ != failAt_) return false;
  failed_ = true;
  failedCall_ = std::string(what) + (path != nullptr ? std::string(" ") + path : std::string());
  errno = error;
  return true;
}

FILE* FaultEnv::OpenFile(const char* path, const char* mode) {
  return Fail("open", path, ENOSPC) ? nullptr : EnvWrapper::OpenFile(path, mode);
}

FILE* FaultEnv::OpenRegularFile(const char* path) {
  return Fail("open", path, EIO) ? nullptr : EnvWrapper::OpenRegularFile(path);
}

long FaultEnv::WriteUnbuffered(FILE* file, const void* data, size_t size) {
  if (!Fail("write", nullptr, ENOSPC)) return EnvWrapper::WriteUnbuffered(file, data, size);
  const long half = EnvWrapper::WriteUnbuffered(file, data, size / 2);
  errno = ENOSPC;
  return size / 2 > 0 ? half : -1;
}

bool FaultEnv::WriteAll(FILE* file, const void* data, size_t size) {
  if (!Fail("write", nullptr, ENOSPC)) return EnvWrapper::WriteAll(file, data, size);
  // Half the bytes reach the file before the disk is full.
  EnvWrapper::WriteAll(file, data, size / 2);
  fflush(file);
  errno = ENOSPC;
  return false;
}

bool FaultEnv::CloseFile(FILE* file) {
  const bool fail = Fail("close", nullptr, EIO);
  const bool closed = EnvWrapper::CloseFile(file);
  if (fail) errno = EIO;
  return closed && !fail;
}

bool FaultEnv::RenameReplacing(const char* from, const char* to) {
  return !Fail("rename", to, EACCES) && EnvWrapper::RenameReplacing(from, to);
}

platform::MakeDirResult FaultEnv::MakeDirectory(const char* path) {
  return Fail("mkdir", path, ENOSPC) ? platform::MakeDirResult::kFailed
                                     : EnvWrapper::MakeDirectory(path);
}

}  // namespace vqm::test
