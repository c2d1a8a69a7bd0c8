// The library under replay, loaded by path the way a host loads it (dlopen natively,
// LoadLibrary in the Windows build), its exports looked up by name when first asked for.
// A missing export is an answer, not an error: the runner that needs it is skipped.
#pragma once

#include <string>

namespace vqm::replay {

class Library {
 public:
  explicit Library(const std::string& path);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool ok() const { return handle_ != nullptr; }
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

  // The export as a pointer of the prototype's type (decltype(&::VQM_X)), or null.
  template <class Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
};

// The library file beside this program (libVQM_FUNC1.so or VQM_FUNC1.DLL).
std::string DefaultLibraryPath();

}  // namespace vqm::replay
