#include "dataio/bar_file.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>

#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/text.h"
#include "platform/platform.h"

namespace vqm {
namespace {

// Names that Windows opens as devices whatever the extension: a bar row written to a
// serial port or a printer is not a file beside the others.
bool IsDeviceName(const char* symbol) {
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",
                                         "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                         "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9"};
  std::string stem(symbol, strcspn(symbol, "."));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : kDevices)
    if (StrCompareNoCase(stem.c_str(), device, 1) == 0) return true;
  return false;
}

}  // namespace

bool NamesAFileInsideCsvDir(const char* symbol) {
  return strpbrk(symbol, "/\\:") == nullptr && strstr(symbol, "..") == nullptr &&
         !IsDeviceName(symbol);
}

BarFile::BarFile(const char* symbol, const char* extension, bool append) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  char base[kBaseDirCapacity + 1];
  GetBaseDir(base);
  const std::string directory = std::string(base) + "/../CSV";
  if (!NamesAFileInsideCsvDir(symbol)) {
    MakeDirectoryPath(directory.c_str(), 0);
    return;
  }
  const std::string path = directory + "/" + symbol + extension;
  const char* mode = append ? "ab" : "wb";
  // The directory is there on every call but the first: try the file first, and make the
  // directory (every missing level) only when the open fails.
  file_ = platform::OpenFile(path.c_str(), mode);
  if (file_ == nullptr) {
    MakeDirectoryPath(directory.c_str(), 0);
    file_ = platform::OpenFile(path.c_str(), mode);
  }
}

BarFile::~BarFile() {
  if (file_ != nullptr) fclose(file_);
}

void BarFile::Write(const std::string& text) {
  if (file_ != nullptr && !text.empty()) fwrite(text.data(), 1, text.size(), file_);
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
  const int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n > 0 && static_cast<size_t>(n) < sizeof buffer) {
    text.append(buffer, static_cast<size_t>(n));
  } else if (n > 0) {
    const size_t at = text.size();
    text.resize(at + static_cast<size_t>(n) + 1);
    vsnprintf(&text[at], static_cast<size_t>(n) + 1, format, again);
    text.resize(at + static_cast<size_t>(n));
  }
  va_end(again);
}

}  // namespace vqm
