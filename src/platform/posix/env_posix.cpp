// The default Env of POSIX builds: stand-ins for the Windows services the library uses.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "platform/os_env.h"
#include "platform/posix/file_ops_posix.h"
#include "platform/posix/profile_posix.h"

namespace vqm::platform {
namespace {

CivilTime FromTm(const struct tm& tm, int millisecond) {
  CivilTime c;
  c.year = tm.tm_year + 1900;
  c.month = tm.tm_mon + 1;
  c.day = tm.tm_mday;
  c.hour = tm.tm_hour;
  c.minute = tm.tm_min;
  c.second = tm.tm_sec;
  c.millisecond = millisecond;
  return c;
}

// Root folder under which drive letters are folders: $VQM_DRIVE_ROOT or ~/.vqm/drives.
std::string DriveRoot() {
  const char* root = getenv("VQM_DRIVE_ROOT");
  if (root != nullptr && *root != 0) return root;
  const char* home = getenv("HOME");
  return std::string(home != nullptr && *home != 0 ? home : "/tmp") + "/.vqm/drives";
}

bool IsBareDrive(const char* path) {
  const unsigned char d = static_cast<unsigned char>(path[0] | 0x20);
  return d >= 'a' && d <= 'z' && path[1] == ':' && (path[2] == 0 || ((path[2] == '/' || path[2] == '\\') && path[3] == 0));
}

void MakeFolderTree(const std::string& native) {
  for (size_t i = 1; i <= native.size(); ++i)
    if (i == native.size() || native[i] == '/') mkdir(native.substr(0, i).c_str(), 0777);
}

class PosixEnv final : public detail::OsEnv {
 public:
  ClockReading Now() override {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    const time_t t = tv.tv_sec;
    const int ms = static_cast<int>(tv.tv_usec / 1000);
    // The broken-down forms change once a second: callers that log many lines a second
    // convert once.
    thread_local time_t cachedSecond = -1;
    thread_local ClockReading cached;
    if (t != cachedSecond) {
      cached = ClockReading();
      cached.unixSeconds = static_cast<int64_t>(t);
      struct tm local;
      struct tm utc;
      cached.localValid = localtime_r(&t, &local) != nullptr;
      if (cached.localValid) cached.local = FromTm(local, 0);
      if (gmtime_r(&t, &utc) != nullptr) cached.utc = FromTm(utc, 0);
      cachedSecond = t;
    }
    ClockReading r = cached;
    r.local.millisecond = ms;
    r.utc.millisecond = ms;
    return r;
  }

  TimeZoneBiases ReadTimeZoneBiases() override {
    // The registry's terms from the local zone: Bias is the standard offset, ActiveTimeBias
    // the offset in force now, both in minutes with UTC = local + bias.
    TimeZoneBiases b;
    const time_t now = time(nullptr);
    struct tm local;
    if (localtime_r(&now, &local) == nullptr) return b;
    b.keyOpened = b.hasBias = b.hasActiveBias = true;
    b.activeTimeBias = static_cast<int>(-local.tm_gmtoff / 60);
    b.bias = b.activeTimeBias + (local.tm_isdst > 0 ? 60 : 0);
    return b;
  }

  std::string ExecutablePath() override {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return std::string();
    std::string path(buf, static_cast<size_t>(n));
    // A program that merely loads the library (an interpreter in /usr/bin, say) is no trading
    // host: $VQM_HOST_DIR stands for the host's folder, so the settings file and ../CSV land there.
    const char* hostDirVariable = getenv("VQM_HOST_DIR");
    if (hostDirVariable != nullptr && *hostDirVariable != 0) {
      std::string hostDir = hostDirVariable;
      while (hostDir.size() > 1 && hostDir.back() == '/') hostDir.pop_back();
      path = hostDir + "/" + path.substr(path.find_last_of('/') + 1);
    }
    return path;
  }

  bool GetEnvironment(const char* name, std::string* value) override {
    const char* v = getenv(name);
    if (v == nullptr) return false;
    *value = v;
    return true;
  }

  void SleepMilliseconds(int ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

  bool FileNamesIgnoreCase() override { return false; }

  std::string NativePath(const char* path) override {
    if (path == nullptr) return std::string();
    const unsigned char drive = static_cast<unsigned char>(path[0]);
    const bool isDrivePath = ((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) &&
                             path[1] == ':' && (path[2] == '/' || path[2] == '\\' || path[2] == 0);
    if (!isDrivePath) return std::string(path);
    std::string out = DriveRoot();
    out += '/';
    out += static_cast<char>(drive | 0x20);
    for (const char* p = path + 2; *p; ++p) out += (*p == '\\') ? '/' : *p;
    return out;
  }

  FILE* OpenFile(const char* path, const char* mode) override {
    if (path == nullptr || mode == nullptr) return nullptr;
    // "c" (commit on flush) has no meaning to glibc's fopen; FlushFile commits on request.
    std::string m;
    for (const char* p = mode; *p; ++p)
      if (*p != 'c') m += *p;
    return fopen(NativePath(path).c_str(), m.c_str());
  }

  long WriteUnbuffered(FILE* file, const void* data, size_t size) override {
    if (file == nullptr) return -1;
    const ssize_t n = write(fileno(file), data, size);
    return n < 0 ? -1 : static_cast<long>(n);
  }

  // Lines reach the OS with each write, so they survive the process; the stand-in does not
  // also force them to the disk, which would cost a disk round trip on every flush.
  void FlushFile(FILE* file, bool /*commit*/) override {
    if (file == nullptr) return;
    fflush(file);
  }

  long long FileSize(FILE* file) override {
    if (file == nullptr) return -1;
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
  }

  MakeDirResult MakeDirectory(const char* path) override {
    if (path == nullptr || *path == 0) return MakeDirResult::kFailed;
    const std::string native = NativePath(path);
    if (IsBareDrive(path)) {
      // A drive always exists; its stand-in folder is made on first use.
      MakeFolderTree(native);
      return MakeDirResult::kAlreadyExists;
    }
    if (mkdir(native.c_str(), 0777) == 0) return MakeDirResult::kCreated;
    return errno == EEXIST ? MakeDirResult::kAlreadyExists : MakeDirResult::kFailed;
  }

  bool IsReadable(const char* path) override {
    return path != nullptr && access(NativePath(path).c_str(), R_OK) == 0;
  }

  bool IsRegularFile(const char* path) override {
    struct stat st;
    return path != nullptr && stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  bool WriteAll(FILE* file, const void* data, size_t size) override { return detail::PosixWriteAll(file, data, size); }
  bool CloseFile(FILE* file) override { return detail::PosixCloseFile(file); }
  bool TruncateFile(FILE* file, long long length) override { return detail::PosixTruncateFile(file, length); }
  FILE* OpenRegularFile(const char* path) override { return detail::PosixOpenRegularFile(path); }
  bool RenameReplacing(const char* from, const char* to) override { return detail::PosixRenameReplacing(from, to); }
  std::string TemporaryPathBeside(const char* path) override { return detail::PosixTemporaryPathBeside(path); }
  bool RemoveFile(const char* path) override { return detail::PosixRemoveFile(path); }

  int ProfileRead(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) override {
    return detail::PosixProfileRead(section, key, defaultValue, buffer, size, file);
  }
  int ProfileWrite(const char* section, const char* key, const char* value,
                   const char* file) override {
    return detail::PosixProfileWrite(section, key, value, file);
  }
};

}  // namespace

Env* Env::Default() {
  // Built on first use in the library's own storage and never destroyed, so the unload path
  // still finds it and nothing stays on the heap after an unload.
  alignas(PosixEnv) static unsigned char storage[sizeof(PosixEnv)];
  static Env* env = new (storage) PosixEnv;
  return env;
}

}  // namespace vqm::platform
