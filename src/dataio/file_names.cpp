#include "dataio/file_names.h"

#include <cstring>
#include <string>

#include "base/paths.h"
#include "base/settings.h"
#include "base/text.h"

namespace vqm {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool IsDeviceName(const char* name) {
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",
                                         "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                         "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9"};
  size_t length = strcspn(name, ".");
  while (length > 0 && name[length - 1] == ' ') --length;
  // Every device name has three or four letters, and the compare goes byte for byte: a stem
  // of any other length (a symbol's, mostly) is none of them.
  if (length != 3 && length != 4) return false;
  char stem[5] = {};
  memcpy(stem, name, length);
  for (const char* device : kDevices)
    if (StrCompareNoCase(stem, device, 1) == 0) return true;
  return false;
}

bool StaysInsideFolder(const char* name) {
  if (*name == 0 || IsSeparator(*name) || strchr(name, ':') != nullptr) return false;
  const char* start = name;
  for (const char* p = name;; ++p) {
    if (*p != 0 && !IsSeparator(*p)) continue;
    const std::string component(start, static_cast<size_t>(p - start));
    if (component == ".." || IsDeviceName(component.c_str())) return false;
    if (*p == 0) return true;
    start = p + 1;
  }
}

}  // namespace vqm
