// A library loaded by path the way a host loads it (dlopen natively, LoadLibrary in the
// Windows build), its exports looked up by name. The one loader of the tests, the tools,
// the benchmarks and the fuzzers.
#pragma once

#include <string>

namespace vqm::test {

class Library {
 public:
  explicit Library(const std::string& path);
  // Unloading runs the library's destructors; a new load starts with fresh process-wide state.
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool ok() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }
  // Why the load failed; empty when it did not.
  const std::string& error() const { return error_; }

  // The export's address, or null when the library has no such export.
  void* Resolve(const char* name) const;
  // The export as a pointer of the prototype's type (decltype(&::VQM_X)), or null.
  template <class Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(Resolve(name));
  }

 private:
  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
};

// The built library beside this program's executable (libVQM_FUNC1.so or VQM_FUNC1.DLL),
// whatever the host folder.
std::string LibraryBesideProgram();

// True while the library file at path is loaded into this process.
bool IsLibraryLoaded(const std::string& path);

}  // namespace vqm::test
