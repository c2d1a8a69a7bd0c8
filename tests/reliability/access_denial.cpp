#include "reliability/access_denial.h"

#include <cstdio>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "platform/platform.h"

namespace vqm::test {

#if defined(_WIN32)

AccessDenial::AccessDenial(Kind kind, const std::string& path)
    : kind_(kind), native_(platform::NativePath(path.c_str())) {
  if (kind_ == Kind::kReadOnlyDirectory) {
    reason_ = "Windows lets new files into a directory marked read-only";
    return;
  }
  HANDLE h = CreateFileA(native_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    reason_ = "cannot hold " + native_ + " open without sharing";
    return;
  }
  handle_ = h;
  FILE* probe = fopen(native_.c_str(), "rb");
  if (probe != nullptr) {
    fclose(probe);
    reason_ = "a file held open without sharing can still be read here";
    return;
  }
  active_ = true;
}

AccessDenial::~AccessDenial() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
}

#else

namespace {

constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capability sets (first word of each).
bool GetCapabilities(__user_cap_data_struct (&data)[2]) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capget, &header, data) == 0;
}

bool SetEffective(unsigned effective) {
  __user_cap_data_struct data[2] = {};
  if (!GetCapabilities(data)) return false;
  data[0].effective = effective;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(SYS_capset, &header, data) == 0;
}

// True when the refusal is in force for this thread.
bool Refused(AccessDenial::Kind kind, const std::string& path) {
  if (kind == AccessDenial::Kind::kUnreadableFile) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd >= 0) close(fd);
    return fd < 0;
  }
  const std::string probe = path + "/.access_probe";
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) {
    close(fd);
    unlink(probe.c_str());
  }
  return fd < 0;
}

}  // namespace

AccessDenial::AccessDenial(Kind kind, const std::string& path)
    : kind_(kind), native_(platform::NativePath(path.c_str())) {
  struct stat st;
  if (stat(native_.c_str(), &st) != 0) {
    reason_ = native_ + " does not exist";
    return;
  }
  savedMode_ = st.st_mode & 07777;
  if (chmod(native_.c_str(), kind_ == Kind::kReadOnlyDirectory ? 0555 : 0) != 0) {
    reason_ = "cannot change the permissions of " + native_;
    return;
  }
  __user_cap_data_struct caps[2] = {};
  if (GetCapabilities(caps) && (caps[0].effective & kOverrides) != 0) {
    savedCapabilities_ = caps[0].effective;
    capabilitiesDropped_ = SetEffective(caps[0].effective & ~kOverrides);
  }
  if (!Refused(kind_, native_)) {
    reason_ = "the test's user overrides permissions and cannot give that up (root without "
              "the right to drop capabilities)";
    return;
  }
  active_ = true;
}

AccessDenial::~AccessDenial() {
  if (capabilitiesDropped_) SetEffective(savedCapabilities_);
  if (savedMode_ != 0) chmod(native_.c_str(), savedMode_);
}

#endif

}  // namespace vqm::test
