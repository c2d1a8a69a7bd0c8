// The path operations the whole library shares. Paths are built with forward slashes.
#pragma once

namespace vqm {

// In place: back slashes become forward slashes, then trailing forward slashes go.
void NormalizeSlashes(char* path);

// Creates every directory along path (at most 1000 characters). With lastIsFile the last
// component is a file name and is not created. 0 on success, -1 on failure.
int MakeDirectoryPath(const char* path, int lastIsFile);

}  // namespace vqm
