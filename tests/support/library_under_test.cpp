#include "support/library_under_test.h"

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

std::string LibraryPath() { return LibraryBesideProgram(); }

LoadedLibrary::LoadedLibrary(const std::string& path) : library_(path), error_(library_.error()) {
  if (!library_.ok()) return;
#define VQM_RESOLVE(name)                                                   \
  exports_.name = reinterpret_cast<decltype(exports_.name)>(Resolve(#name)); \
  if (exports_.name == nullptr) error_ += std::string(" missing export ") + #name;
  VQM_EXPORT_LIST(VQM_RESOLVE)
#undef VQM_RESOLVE
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
