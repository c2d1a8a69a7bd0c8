// The whole-file replace that both platforms share, built on their file primitives so that
// every step (open, write, close, rename) can fail on its own.
#include <cerrno>

#include "platform/platform.h"

namespace vqm::platform {

int ReplaceFileContents(const char* path, const void* data, size_t size) {
  if (path == nullptr || *path == 0) return ENOENT;
  const std::string temporary = TemporaryPathBeside(path);
  FILE* f = OpenFile(temporary.c_str(), "wb");
  if (f == nullptr) return errno != 0 ? errno : EIO;
  const bool written = size == 0 || WriteAll(f, data, size);
  int error = written ? 0 : (errno != 0 ? errno : EIO);
  if (!CloseFile(f) && error == 0) error = errno != 0 ? errno : EIO;
  if (error == 0 && !RenameReplacing(temporary.c_str(), path)) error = errno != 0 ? errno : EIO;
  if (error != 0) RemoveFile(temporary.c_str());
  return error;
}

}  // namespace vqm::platform
