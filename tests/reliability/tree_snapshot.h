// What the file system holds under a few directory trees, so that a test can tell which files
// a run of calls created, removed or rewrote. Paths are the OS's own (platform::NativePath),
// compared in their lexically normal, generic form (lower case where file names ignore case).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vqm::test {

// The normal form that snapshots and the allowed list use for a native path.
std::string NormalPath(const std::string& nativePath);

class TreeSnapshot {
 public:
  // Every entry under the roots (roots that do not exist are skipped), except the trees
  // below pruned paths. Symbolic links are recorded, never followed.
  static TreeSnapshot Take(const std::vector<std::string>& roots,
                           const std::vector<std::string>& pruned);

  // The entries created, removed or changed (kind, size or modification time) between
  // before and after, in path order.
  static std::vector<std::string> Changes(const TreeSnapshot& before, const TreeSnapshot& after);

  size_t size() const { return entries_.size(); }

 private:
  struct Stamp {
    int kind;  // 0 file, 1 directory, 2 other
    uintmax_t size;
    int64_t modified;
    bool operator==(const Stamp& o) const {
      return kind == o.kind && size == o.size && modified == o.modified;
    }
  };
  std::map<std::string, Stamp> entries_;
};

// The changes that lie outside the allowed directories: anything not inside one of them,
// except a directory that is one of them or leads to one (created on the way to it).
std::vector<std::string> OutsideAllowed(const std::vector<std::string>& changes,
                                        const std::vector<std::string>& allowedDirectories);

}  // namespace vqm::test
