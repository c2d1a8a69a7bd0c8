// The file operations of the default Env on POSIX beyond open and write (contracts in
// platform.h). Private to platform/posix.
#pragma once

#include <cstdio>
#include <string>

namespace vqm::platform::detail {

bool PosixWriteAll(FILE* file, const void* data, size_t size);
bool PosixCloseFile(FILE* file);
bool PosixTruncateFile(FILE* file, long long length);
FILE* PosixOpenRegularFile(const char* path);
bool PosixRenameReplacing(const char* from, const char* to);
std::string PosixTemporaryPathBeside(const char* path);
bool PosixRemoveFile(const char* path);

}  // namespace vqm::platform::detail
