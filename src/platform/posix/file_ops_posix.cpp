// File operations beyond open and write on POSIX: checked writes and closes, cutting a file
// back, opening regular files without waiting, and the steps of an atomic replace.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/platform.h"
#include "platform/posix/file_ops_posix.h"

namespace vqm::platform::detail {

bool PosixWriteAll(FILE* file, const void* data, size_t size) {
  return file != nullptr && fwrite(data, 1, size, file) == size;
}

bool PosixCloseFile(FILE* file) { return file != nullptr && fclose(file) == 0; }

bool PosixTruncateFile(FILE* file, long long length) {
  if (file == nullptr || length < 0) return false;
  // What the stream still buffers would land after the cut: drop it by flushing first (a
  // flush that fails on a full disk is what the cut repairs).
  fflush(file);
  if (ftruncate(fileno(file), static_cast<off_t>(length)) != 0) return false;
  return fseeko(file, 0, SEEK_END) == 0;
}

FILE* PosixOpenRegularFile(const char* path) {
  if (path == nullptr) {
    errno = ENOENT;
    return nullptr;
  }
  // Non-blocking, so that a FIFO without a writer (or a device) cannot hold the caller; the
  // type is checked on the open descriptor, not on a name that could change meanwhile.
  const int fd = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  const bool statted = fstat(fd, &st) == 0;
  if (!statted || !S_ISREG(st.st_mode)) {
    const int error = !statted ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = error;
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* f = fdopen(fd, "rb");
  if (f == nullptr) close(fd);
  return f;
}

bool PosixRenameReplacing(const char* from, const char* to) {
  return from != nullptr && to != nullptr &&
         rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

std::string PosixTemporaryPathBeside(const char* path) {
  static std::atomic<unsigned> serial{0};
  return std::string(path) + ".~" + std::to_string(getpid()) + "-" + std::to_string(++serial);
}

bool PosixRemoveFile(const char* path) {
  return path != nullptr && unlink(NativePath(path).c_str()) == 0;
}

}  // namespace vqm::platform::detail
