#include "dataio/bar_file.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <utility>

#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/printf_format.h"
#include "base/settings.h"
#include "base/text.h"
#include "dataio/file_names.h"
#include "platform/platform.h"

namespace vqm {

bool NamesAFileInsideCsvDir(const char* symbol) {
  return strpbrk(symbol, "/\\:") == nullptr && strstr(symbol, "..") == nullptr &&
         !IsDeviceName(symbol);
}

BarFile::BarFile(const char* symbol, const char* extension, bool append) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  char base[kBaseDirCapacity + 1];
  const size_t baseLength = static_cast<size_t>(GetBaseDir(base));
  // The directory and then the file's path in one string, built in one allocation: a call
  // writes a single row.
  std::string path;
  path.reserve(baseLength + 8 + strlen(symbol) + strlen(extension));
  path.append(base, baseLength).append("/../CSV");
  const size_t directoryLength = path.size();
  if (!NamesAFileInsideCsvDir(symbol)) {
    MakeDirectoryPath(path.c_str(), 0);
    return;
  }
  path.append("/").append(symbol).append(extension);
  path_ = std::move(path);
  const char* mode = append ? "ab" : "wb";
  // The directory is there on every call but the first: try the file first, and make the
  // directory (every missing level) only when the open fails.
  file_ = platform::OpenFile(path_.c_str(), mode);
  if (file_ == nullptr) {
    MakeDirectoryPath(path_.substr(0, directoryLength).c_str(), 0);
    file_ = platform::OpenFile(path_.c_str(), mode);
  }
  if (file_ == nullptr) return;
  // The text goes out in one write of its own: no stream buffer to allocate (and size by
  // asking the file system) for a single row.
  setvbuf(file_, nullptr, _IONBF, 0);
  startLength_ = append ? platform::FileSize(file_) : 0;
}

BarFile::~BarFile() {
  if (file_ != nullptr) platform::CloseFile(file_);
}

bool BarFile::Commit(const std::string& text) {
  if (file_ == nullptr) return false;
  bool written = platform::WriteAll(file_, text.data(), text.size()) && fflush(file_) == 0;
  // A full disk leaves part of the text behind: cut it off, so that the next row does not
  // continue a half line.
  if (!written && startLength_ >= 0) platform::TruncateFile(file_, startLength_);
  const bool closed = platform::CloseFile(file_);
  file_ = nullptr;
  if (written && !closed) {
    written = false;
    FILE* again = platform::OpenFile(path_.c_str(), "r+b");
    if (again != nullptr) {
      if (startLength_ >= 0) platform::TruncateFile(again, startLength_);
      platform::CloseFile(again);
    }
  }
  return written && closed;
}

double PrintableValue(float value) {
  const double wide = value;
  return std::isnan(wide) ? std::fabs(wide) : wide;
}

void AppendFormat(std::string& text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  // A row fits the stack buffer: one formatting pass. Longer texts (long symbols) take two.
  char buffer[512];
  const int n = FormatPrintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n > 0 && static_cast<size_t>(n) < sizeof buffer) {
    text.append(buffer, static_cast<size_t>(n));
  } else if (n > 0) {
    const size_t at = text.size();
    text.resize(at + static_cast<size_t>(n) + 1);
    FormatPrintf(&text[at], static_cast<size_t>(n) + 1, format, again);
    text.resize(at + static_cast<size_t>(n));
  }
  va_end(again);
}

}  // namespace vqm
