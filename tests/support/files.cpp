#include "support/files.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <system_error>

#include "base/paths.h"
#include "platform/platform.h"

namespace vqm::test {

bool ReadFileBytes(const std::string& path, std::string* content) {
  FILE* f = platform::OpenFile(path.c_str(), "rb");
  if (f == nullptr) return false;
  content->clear();
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) content->append(buf, n);
  fclose(f);
  return true;
}

bool ReadFileTail(const std::string& path, size_t offset, std::string* content) {
  FILE* f = platform::OpenFile(path.c_str(), "rb");
  if (f == nullptr) return false;
  content->clear();
  // A 64-bit seek: the day's log of a machine that runs the tests all day passes 2 GB, past
  // what a long reaches on Windows.
#if defined(_WIN32)
  const int sought = _fseeki64(f, static_cast<long long>(offset), SEEK_SET);
#else
  const int sought = fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
  if (sought == 0) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) content->append(buf, n);
  }
  fclose(f);
  return true;
}

size_t FileSizeOf(const std::string& path) {
  FILE* f = platform::OpenFile(path.c_str(), "rb");
  if (f == nullptr) return 0;
  const long long size = platform::FileSize(f);
  fclose(f);
  return size > 0 ? static_cast<size_t>(size) : 0;
}

void WriteFileBytes(const std::string& path, const std::string& content) {
  FILE* f = platform::OpenFile(path.c_str(), "wb");
  if (f == nullptr) return;
  fwrite(content.data(), 1, content.size(), f);
  fclose(f);
}

bool FileExists(const std::string& path) { return platform::IsRegularFile(path.c_str()); }

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(platform::NativePath(path.c_str()), ec);
}

void RemoveFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(platform::NativePath(path.c_str()), ec);
}

void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(platform::NativePath(path.c_str()), ec);
}

std::string FreshTestDirectory(const std::string& name) {
  const std::string dir = "C:/vqmtest/" + name;
  RemoveTree(dir);
  MakeDirectoryPath(dir.c_str(), 0);
  return dir;
}

#if defined(_WIN32)
bool Extend(const std::string& path, long long size) {
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER at;
  at.QuadPart = size;
  const bool ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}
bool MakeFifo(const std::string&) { return false; }
void OpenFifoForWriting(const std::string&, int) {}
#else
bool Extend(const std::string& path, long long size) {
  return truncate(platform::NativePath(path.c_str()).c_str(), static_cast<off_t>(size)) == 0;
}
bool MakeFifo(const std::string& path) {
  return mkfifo(platform::NativePath(path.c_str()).c_str(), 0600) == 0;
}
void OpenFifoForWriting(const std::string& path, int milliseconds) {
  const std::string native = platform::NativePath(path.c_str());
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    const int fd = open(native.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
      close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
#endif

}  // namespace vqm::test
