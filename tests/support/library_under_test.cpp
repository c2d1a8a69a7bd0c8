#include "support/library_under_test.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "platform/platform.h"
#include "support/files.h"

namespace vqm::test {

const Exports& InProcess() {
  static const Exports exports = [] {
    Exports e;
#define VQM_BIND(name) e.name = &::name;
    VQM_EXPORT_LIST(VQM_BIND)
#undef VQM_BIND
    return e;
  }();
  return exports;
}

std::string LibraryPath() {
  std::string exe = platform::ExecutablePath();
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

LoadedLibrary::LoadedLibrary(const std::string& path) {
#if defined(_WIN32)
  handle_ = LoadLibraryA(path.c_str());
  if (handle_ == nullptr) error_ = "LoadLibrary failed for " + path;
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = std::string("dlopen failed: ") + dlerror();
#endif
  if (handle_ == nullptr) return;
#define VQM_RESOLVE(name)                                                   \
  exports_.name = reinterpret_cast<decltype(exports_.name)>(Resolve(#name)); \
  if (exports_.name == nullptr) error_ += std::string(" missing export ") + #name;
  VQM_EXPORT_LIST(VQM_RESOLVE)
#undef VQM_RESOLVE
}

LoadedLibrary::~LoadedLibrary() {
  if (handle_ == nullptr) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
}

void* LoadedLibrary::Resolve(const char* name) const {
  if (handle_ == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

LibraryCopy::LibraryCopy(const std::string& name) {
  const std::string original = LibraryPath();
  const size_t slash = original.find_last_of("/\\");
  path_ = original.substr(0, slash + 1) +
          (OnWindows() ? "VQM_" + name + ".DLL" : "libVQM_" + name + ".so");
  std::string bytes;
  if (ReadFileBytes(original, &bytes)) WriteFileBytes(path_, bytes);
}

LibraryCopy::~LibraryCopy() { RemoveFile(path_); }

const LoadedLibrary& SharedLibrary() {
  static LoadedLibrary* library = new LoadedLibrary;
  return *library;
}

const Exports& ExportsOf(Backend backend) {
  return backend == Backend::kInProcess ? InProcess() : SharedLibrary().exports();
}

std::string BackendName(Backend backend) {
  return backend == Backend::kInProcess ? "InProcess" : "LoadedLibrary";
}

bool OnWindows() {
#if defined(_WIN32)
  return true;
#else
  return false;
#endif
}

}  // namespace vqm::test
