// Reads a text file line by line through a block buffer. LF, NUL and Ctrl-Z end a line
// (the ending byte is consumed, not stored); CR is skipped wherever it stands; a line longer
// than the caller's buffer is cut and the rest of it dropped. The block size comes from the
// environment variable "BGETLRAM" (at least 1010 bytes), 300000 bytes when it is not set.
//
// One file at a time; Close frees the buffer, so the next Open chooses its size again.
#pragma once

#include <cstdio>

#include "base/lock_rule.h"

namespace vqm {

class LineReader {
 public:
  LineReader() = default;
  ~LineReader() { Close(); }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // 1 opened; 0 the file cannot be opened (OpenError() tells why); -2 no buffer.
  int Open(const char* path);
  // Length of the line stored in buffer (0 for an empty line), or -1 at the end of the file.
  int ReadLine(char* buffer, int size);
  int Close();
  // The bytes ReadLine would take next, unsplit, up to size of them: first what the block
  // holds, then blocks read straight into dest. As ReadLine, a new line is not begun past
  // the file's size: -1 then. 0 when a read brought nothing (the file ended early).
  // lineStarted: the caller is inside a line, which goes on to the bytes' true end.
  long long ReadBytes(char* dest, long long size, bool lineStarted);
  // Bytes per block read.
  long long BlockSize() const { return blockCapacity_; }

  int OpenError() const { return openError_; }
  // Size of the open file in bytes, -1 when unknown.
  long long FileSize() const { return fileSize_; }

 private:
  // Reads the next block; false when no more bytes come.
  bool NextBlock();
  // After a read of `asked` bytes that gave `got`: a short read is the end of the file.
  void NoteShortRead(long long got, long long asked);

  FILE* file_ = nullptr;
  char* block_ = nullptr;
  long long blockCapacity_ = 0;
  long long bytesInBlock_ = 0;
  long long position_ = -1;  // negative: no data
  long long fileSize_ = -1;
  long long totalRead_ = 0;
  int openError_ = 0;
};

// The one line reader of the process (the line lists load through it): it serves one file
// at a time. Defined with the other process-wide state.
extern LineReader g_LineReader VQM_GUARDED_BY(kLibraryLock);

}  // namespace vqm
