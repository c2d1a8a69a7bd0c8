#include "library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <fstream>

#include "platform/platform.h"

#ifndef VQM_INSTALL_LIBDIR
#define VQM_INSTALL_LIBDIR "lib"
#endif

namespace vqm::replay {

Library::Library(const std::string& path) : path_(path) {
#if defined(_WIN32)
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle_ == nullptr) error_ = "LoadLibrary failed (error " + std::to_string(GetLastError()) + ")";
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

void* Library::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

std::string DefaultLibraryPath() {
  const std::string exe = platform::ExecutablePath();
  const size_t slash = exe.find_last_of("/\\");
  const std::string dir = slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
  // Beside the tool in a build tree; in an installed prefix the tool is in bin/, the
  // library in the prefix's library folder.
  const std::string beside = dir + VQM_LIBRARY_FILE_NAME;
  const std::string installed = dir + "../" VQM_INSTALL_LIBDIR "/" VQM_LIBRARY_FILE_NAME;
  return std::ifstream(beside).good() || !std::ifstream(installed).good() ? beside : installed;
}

}  // namespace vqm::replay
