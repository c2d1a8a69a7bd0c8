#include "support/files.h"

#include <cstdio>
#include <filesystem>
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
  if (fseek(f, static_cast<long>(offset), SEEK_SET) == 0) {
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

}  // namespace vqm::test
