#include "dataio/text_string.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace vqm {

const char* ErrorText(int errorNumber) { return strerror(errorNumber); }

void CTxt::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (n < 0) {
    text_.clear();
  } else {
    text_.resize(static_cast<size_t>(n));
    vsnprintf(&text_[0], static_cast<size_t>(n) + 1, format, again);
  }
  va_end(again);
}

int CTxt::WriteToFile(const char* path, int mode) {
  if (path == nullptr || *path == 0) {
    Set("Missing filename");
    return -1;
  }
  if (mode != 1) {
    // Other programs read these files while they change: the new content replaces the old
    // in one step, and a failed write leaves the old file whole.
    const int error = platform::ReplaceFileContents(path, text_.data(), text_.size());
    if (error != 0) {
      Format("Cannot write '%s' (%s)", path, ErrorText(error));
      return -1;
    }
    return GetLength();
  }
  FILE* f = platform::OpenFile(path, "ab");
  if (f == nullptr) {
    const int error = errno;
    Format("Cannot open '%s' (%s)", path, ErrorText(error));
    return -1;
  }
  const long long before = platform::FileSize(f);
  bool written = platform::WriteAll(f, text_.data(), text_.size()) && fflush(f) == 0;
  const int error = errno;
  // No partial text stays at the end of the file.
  if (!written && before >= 0) platform::TruncateFile(f, before);
  if (!platform::CloseFile(f)) written = false;
  if (!written) {
    Format("Cannot write '%s' (%s)", path, ErrorText(error != 0 ? error : EIO));
    return -1;
  }
  return GetLength();
}

int CTxt::ReadFromFile(const char* path) {
  FILE* f = platform::OpenRegularFile(path);
  if (f == nullptr) {
    const int error = errno;
    Format("Cannot open '%s' (%s)", path ? path : "", ErrorText(error));
    return -1;
  }
  long long size = platform::FileSize(f);
  if (size < 0) size = 0;
  text_.assign(static_cast<size_t>(size), '\0');
  const size_t got = size > 0 ? fread(&text_[0], 1, static_cast<size_t>(size), f) : 0;
  text_.resize(got);
  fclose(f);
  return static_cast<int>(got);
}

int CTxt::Trim(char c) {
  if (text_.empty()) return 0;
  const size_t last = text_.find_last_not_of(c);
  if (last == std::string::npos) {
    text_.clear();
    return 0;
  }
  text_.resize(last + 1);
  text_.erase(0, text_.find_first_not_of(c));
  return GetLength();
}

void CTxt::CutAt(int count) {
  if (count >= 0 && count < GetLength()) text_.resize(static_cast<size_t>(count));
}

char CTxt::CharAt(int index) const {
  return index >= 0 && index < GetLength() ? text_[static_cast<size_t>(index)] : 0;
}

}  // namespace vqm
