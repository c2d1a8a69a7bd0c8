#include "base/paths.h"

#include <cstddef>

#include "platform/platform.h"

namespace vqm {

void NormalizeSlashes(char* path) {
  if (path == nullptr) return;
  size_t n = 0;
  for (; path[n] != 0; ++n)
    if (path[n] == '\\') path[n] = '/';
  while (n > 0 && path[n - 1] == '/') path[--n] = 0;
}

int MakeDirectoryPath(const char* path, int lastIsFile) {
  if (path == nullptr) return -1;
  char work[1001] = {0};
  int result = 0;
  for (int i = 0; i < 1000 && path[i] != 0; ++i) {
    const char c = path[i];
    if (c == '/' || c == '\\') {
      if (i > 0) {
        const platform::MakeDirResult r = platform::MakeDirectory(work);
        result = r == platform::MakeDirResult::kFailed ? -1 : 0;
      }
      work[i] = '/';
    } else {
      work[i] = c;
    }
  }
  if (lastIsFile) return result;
  return platform::MakeDirectory(work) == platform::MakeDirResult::kFailed ? -1 : 0;
}

}  // namespace vqm
