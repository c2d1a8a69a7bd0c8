#include "testing/library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace vqm::test {

Library::Library(const std::string& path) : path_(path) {
#if defined(_WIN32)
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle_ == nullptr)
    error_ = "LoadLibrary failed (error " + std::to_string(GetLastError()) + ")";
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = dlerror();
#endif
}

Library::~Library() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

void* Library::Resolve(const char* name) const {
  if (handle_ == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

namespace {

std::string ProgramPath() {
#if defined(_WIN32)
  char buf[MAX_PATH + 1] = {0};
  return std::string(buf, GetModuleFileNameA(nullptr, buf, MAX_PATH));
#else
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
#endif
}

}  // namespace

std::string LibraryBesideProgram() {
  const std::string exe = ProgramPath();
  const size_t slash = exe.find_last_of("/\\");
  return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) +
         VQM_LIBRARY_FILE_NAME;
}

bool IsLibraryLoaded(const std::string& path) {
#if defined(_WIN32)
  return GetModuleHandleA(path.c_str()) != nullptr;
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle != nullptr;
#endif
}

}  // namespace vqm::test
