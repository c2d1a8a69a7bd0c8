// The file operations of the default Env on Windows beyond open and write (contracts in
// platform.h). Private to platform/win32.
#pragma once

#include <cstdio>
#include <string>

namespace vqm::platform::detail {

bool Win32WriteAll(FILE* file, const void* data, size_t size);
bool Win32CloseFile(FILE* file);
bool Win32TruncateFile(FILE* file, long long length);
FILE* Win32OpenRegularFile(const char* path);
bool Win32RenameReplacing(const char* from, const char* to);
std::string Win32TemporaryPathBeside(const char* path);
bool Win32RemoveFile(const char* path);

}  // namespace vqm::platform::detail
