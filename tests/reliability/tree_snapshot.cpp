#include "reliability/tree_snapshot.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace vqm::test {
namespace fs = std::filesystem;

std::string NormalPath(const std::string& nativePath) {
  std::string p = fs::path(nativePath).lexically_normal().generic_string();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (platform::FileNamesIgnoreCase())
    std::transform(p.begin(), p.end(), p.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return p;
}

TreeSnapshot TreeSnapshot::Take(const std::vector<std::string>& roots,
                                const std::vector<std::string>& pruned) {
  std::vector<std::string> prunedNormal;
  for (const std::string& p : pruned) prunedNormal.push_back(NormalPath(p));
  TreeSnapshot snapshot;
  for (const std::string& root : roots) {
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      const std::string path = NormalPath(it->path().string());
      if (std::find(prunedNormal.begin(), prunedNormal.end(), path) != prunedNormal.end()) {
        it.disable_recursion_pending();
        continue;
      }
      std::error_code e;
      const fs::file_status status = it->symlink_status(e);
      Stamp stamp{2, 0, 0};
      if (fs::is_regular_file(status)) {
        stamp.kind = 0;
        stamp.size = it->file_size(e);
        stamp.modified = static_cast<int64_t>(it->last_write_time(e).time_since_epoch().count());
      } else if (fs::is_directory(status)) {
        // A directory's own time changes with every entry made in it; its entries tell.
        stamp.kind = 1;
      }
      snapshot.entries_[path] = stamp;
    }
  }
  return snapshot;
}

std::vector<std::string> TreeSnapshot::Changes(const TreeSnapshot& before,
                                               const TreeSnapshot& after) {
  std::vector<std::string> changes;
  for (const auto& [path, stamp] : before.entries_) {
    const auto it = after.entries_.find(path);
    if (it == after.entries_.end())
      changes.push_back(path + " (removed)");
    else if (!(it->second == stamp))
      changes.push_back(path + " (changed)");
  }
  for (const auto& [path, stamp] : after.entries_)
    if (before.entries_.count(path) == 0) changes.push_back(path + " (created)");
  std::sort(changes.begin(), changes.end());
  return changes;
}

std::vector<std::string> OutsideAllowed(const std::vector<std::string>& changes,
                                        const std::vector<std::string>& allowedDirectories) {
  std::vector<std::string> allowed;
  for (const std::string& a : allowedDirectories) allowed.push_back(NormalPath(a));
  const auto within = [](const std::string& path, const std::string& dir) {
    return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0 &&
           path[dir.size()] == '/';
  };
  std::vector<std::string> outside;
  for (const std::string& change : changes) {
    const std::string path = change.substr(0, change.rfind(" ("));
    const bool ok = std::any_of(allowed.begin(), allowed.end(), [&](const std::string& dir) {
      return path == dir || within(path, dir) || within(dir, path);
    });
    if (!ok) outside.push_back(change);
  }
  return outside;
}

}  // namespace vqm::test
