// The default Env of Windows builds: the platform services on the real Windows APIs.
#include <windows.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/os_env.h"
#include "platform/win32/file_ops_win32.h"

namespace vqm::platform {
namespace {

CivilTime FromSystemTime(const SYSTEMTIME& st) {
  CivilTime c;
  c.year = st.wYear;
  c.month = st.wMonth;
  c.day = st.wDay;
  c.hour = st.wHour;
  c.minute = st.wMinute;
  c.second = st.wSecond;
  c.millisecond = st.wMilliseconds;
  return c;
}

class Win32Env final : public detail::OsEnv {
 public:
  ClockReading Now() override {
    FILETIME utcFt;
    GetSystemTimeAsFileTime(&utcFt);
    ULARGE_INTEGER u;
    u.LowPart = utcFt.dwLowDateTime;
    u.HighPart = utcFt.dwHighDateTime;
    ClockReading r;
    // File times count 100 ns from 1601; 11644473600 s separate 1601 from 1970.
    r.unixSeconds = static_cast<int64_t>(u.QuadPart / 10000000ULL) - 11644473600LL;
    SYSTEMTIME utc;
    FileTimeToSystemTime(&utcFt, &utc);
    r.utc = FromSystemTime(utc);
    FILETIME localFt;
    SYSTEMTIME local;
    r.localValid = FileTimeToLocalFileTime(&utcFt, &localFt) && FileTimeToSystemTime(&localFt, &local);
    if (r.localValid) r.local = FromSystemTime(local);
    return r;
  }

  TimeZoneBiases ReadTimeZoneBiases() override {
    TimeZoneBiases b;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation",
                      0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
      return b;
    b.keyOpened = true;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegQueryValueExA(key, "ActiveTimeBias", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) == ERROR_SUCCESS) {
      b.hasActiveBias = true;
      b.activeTimeBias = static_cast<int>(value);
    }
    size = sizeof value;
    if (RegQueryValueExA(key, "Bias", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
        ERROR_SUCCESS) {
      b.hasBias = true;
      b.bias = static_cast<int>(value);
    }
    RegCloseKey(key);
    return b;
  }

  std::string ExecutablePath() override {
    char buf[MAX_PATH + 1] = {0};
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
  }

  bool GetEnvironment(const char* name, std::string* value) override {
    const char* v = getenv(name);
    if (v == nullptr) return false;
    *value = v;
    return true;
  }

  void SleepMilliseconds(int ms) override {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
  }

  bool FileNamesIgnoreCase() override { return true; }

  std::string NativePath(const char* path) override { return path ? std::string(path) : std::string(); }

  FILE* OpenFile(const char* path, const char* mode) override {
    if (path == nullptr || mode == nullptr) return nullptr;
    return fopen(path, mode);
  }

  long WriteUnbuffered(FILE* file, const void* data, size_t size) override {
    if (file == nullptr) return -1;
    return _write(_fileno(file), data, static_cast<unsigned>(size));
  }

  void FlushFile(FILE* file, bool commit) override {
    if (file == nullptr) return;
    fflush(file);
    if (commit) _commit(_fileno(file));
  }

  long long FileSize(FILE* file) override {
    if (file == nullptr) return -1;
    return _filelengthi64(_fileno(file));
  }

  MakeDirResult MakeDirectory(const char* path) override {
    if (path == nullptr || *path == 0) return MakeDirResult::kFailed;
    if (CreateDirectoryA(path, nullptr)) return MakeDirResult::kCreated;
    return GetLastError() == ERROR_ALREADY_EXISTS ? MakeDirResult::kAlreadyExists
                                                  : MakeDirResult::kFailed;
  }

  bool IsReadable(const char* path) override { return path != nullptr && _access(path, 4) == 0; }

  bool IsRegularFile(const char* path) override {
    struct _stat64 st;
    return path != nullptr && _stat64(path, &st) == 0 && (st.st_mode & _S_IFREG) != 0;
  }

  bool WriteAll(FILE* file, const void* data, size_t size) override { return detail::Win32WriteAll(file, data, size); }
  bool CloseFile(FILE* file) override { return detail::Win32CloseFile(file); }
  bool TruncateFile(FILE* file, long long length) override { return detail::Win32TruncateFile(file, length); }
  FILE* OpenRegularFile(const char* path) override { return detail::Win32OpenRegularFile(path); }
  bool RenameReplacing(const char* from, const char* to) override { return detail::Win32RenameReplacing(from, to); }
  std::string TemporaryPathBeside(const char* path) override { return detail::Win32TemporaryPathBeside(path); }
  bool RemoveFile(const char* path) override { return detail::Win32RemoveFile(path); }

  int ProfileRead(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) override {
    if (buffer == nullptr || size <= 0) return 0;
    return static_cast<int>(GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "",
                                                     buffer, static_cast<DWORD>(size), file));
  }

  int ProfileWrite(const char* section, const char* key, const char* value,
                   const char* file) override {
    return WritePrivateProfileStringA(section, key, value, file) ? 1 : 0;
  }
};

}  // namespace

Env* Env::Default() {
  // Built on first use in the library's own storage and never destroyed, so the unload path
  // still finds it and nothing stays on the heap after an unload.
  alignas(Win32Env) static unsigned char storage[sizeof(Win32Env)];
  static Env* env = new (storage) Win32Env;
  return env;
}

}  // namespace vqm::platform
