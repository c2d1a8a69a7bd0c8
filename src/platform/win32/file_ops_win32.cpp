// File operations beyond open and write on Windows: checked writes and closes, cutting a
// file back, opening regular files without touching devices, and the steps of an atomic
// replace.
#include <windows.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/file_ops_win32.h"

namespace vqm::platform {
namespace {

// True when a component of the path is a Windows device name (CON, NUL, COM1, ...,
// whatever its extension), or the path names the device or pipe namespace ("\\\\.\\").
bool NamesADevice(const char* path) {
  if ((path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) return true;
  static const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2",
                                         "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                                         "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5",
                                         "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
  const char* start = path;
  for (const char* p = path;; ++p) {
    if (*p == 0 || *p == '/' || *p == '\\' || *p == ':') {
      std::string stem(start, static_cast<size_t>(p - start));
      stem.resize(strcspn(stem.c_str(), "."));
      while (!stem.empty() && stem.back() == ' ') stem.pop_back();
      for (const char* device : kDevices)
        if (_stricmp(stem.c_str(), device) == 0) return true;
      if (*p == 0) return false;
      start = p + 1;
    }
  }
}

}  // namespace

namespace detail {

bool Win32WriteAll(FILE* file, const void* data, size_t size) {
  return file != nullptr && fwrite(data, 1, size, file) == size;
}

bool Win32CloseFile(FILE* file) { return file != nullptr && fclose(file) == 0; }

bool Win32TruncateFile(FILE* file, long long length) {
  if (file == nullptr || length < 0) return false;
  fflush(file);
  if (_chsize_s(_fileno(file), length) != 0) return false;
  return _fseeki64(file, 0, SEEK_END) == 0;
}

FILE* Win32OpenRegularFile(const char* path) {
  if (path == nullptr) {
    errno = ENOENT;
    return nullptr;
  }
  // A device name anywhere in the path opens the device (COM1 waits on the serial port),
  // so such names are refused before any open.
  if (NamesADevice(path)) {
    errno = EINVAL;
    return nullptr;
  }
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return nullptr;
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
  if (GetFileType(h) != FILE_TYPE_DISK) {
    fclose(f);
    errno = EINVAL;
    return nullptr;
  }
  return f;
}

bool Win32RenameReplacing(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return false;
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

std::string Win32TemporaryPathBeside(const char* path) {
  static std::atomic<unsigned> serial{0};
  return std::string(path) + ".~" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++serial);
}

bool Win32RemoveFile(const char* path) { return path != nullptr && DeleteFileA(path) != 0; }

}  // namespace detail
}  // namespace vqm::platform
