// File helpers for tests. Paths are library paths: drive paths ("C:/vqmtest/...") are the
// real ones under Wine and map under $VQM_DRIVE_ROOT natively, through the platform layer.
#pragma once

#include <cstddef>
#include <string>

namespace vqm::test {

// Whole content of a file, or false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* content);
// The bytes from offset to the end (none when the file is shorter), or false when the file
// cannot be read. Reads only what it returns.
bool ReadFileTail(const std::string& path, size_t offset, std::string* content);
// Size of the file in bytes, 0 when it cannot be read.
size_t FileSizeOf(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
void RemoveFile(const std::string& path);
// Removes a directory tree (drive-mapped like the others).
void RemoveTree(const std::string& path);
// A fresh, empty directory "C:/vqmtest/<name>", created with every level.
std::string FreshTestDirectory(const std::string& name);

}  // namespace vqm::test

namespace vqm::test {

// Makes the file `size` bytes long without writing them (sparse where the file system
// allows). False when it cannot.
bool Extend(const std::string& path, long long size);
// Makes a FIFO at path; false where there are none (Windows).
bool MakeFifo(const std::string& path);
// Tries for up to `milliseconds` to open the FIFO for writing without waiting: it opens
// only while a reader has it open. Closes it again at once.
void OpenFifoForWriting(const std::string& path, int milliseconds);

}  // namespace vqm::test
