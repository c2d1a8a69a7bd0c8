// The exports under test, reached two ways: linked into the test binary (InProcess), or
// through the built library loaded by path (LoadLibrary / dlopen) and resolved by name, as a
// host does. Export tests run against both.
#pragma once

#include <string>

#include "frame/export_list.h"
#include "frame/exports.h"
#include "testing/library.h"

namespace vqm::test {

struct Exports {
#define VQM_EXPORT_POINTER(name) decltype(&::name) name = nullptr;
  VQM_EXPORT_LIST(VQM_EXPORT_POINTER)
#undef VQM_EXPORT_POINTER
};

const Exports& InProcess();

// Full path of the library file beside the test executable.
std::string LibraryPath();

// The built library, loaded from beside the test executable. Unloading it runs its
// destructors; a new instance starts with fresh process-wide state.
class LoadedLibrary {
 public:
  LoadedLibrary() : LoadedLibrary(LibraryPath()) {}
  // A library file elsewhere, e.g. a copy that is loaded and unloaded on its own while the
  // shared instance stays loaded.
  explicit LoadedLibrary(const std::string& path);
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool ok() const { return library_.ok() && error_.empty(); }
  const std::string& error() const { return error_; }
  const Exports& exports() const { return exports_; }
  void* Resolve(const char* name) const { return library_.Resolve(name); }

 private:
  Library library_;
  std::string error_;
  Exports exports_;
};

// A copy of the built library under its own name ("VQM_<name>.DLL" or "libVQM_<name>.so"
// beside it), so that loading and unloading it gives fresh process-wide state, not masked by
// the shared instance the other tests keep loaded. Removed when the object goes.
class LibraryCopy {
 public:
  explicit LibraryCopy(const std::string& name);
  ~LibraryCopy();
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// One library instance shared by the tests of this process.
const LoadedLibrary& SharedLibrary();

enum class Backend { kInProcess, kLoadedLibrary };
const Exports& ExportsOf(Backend backend);
std::string BackendName(Backend backend);

// True when the tests run under Wine against the Windows build.
bool OnWindows();

}  // namespace vqm::test
