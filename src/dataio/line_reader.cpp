#include "dataio/line_reader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "dataio/byte_scan.h"
#include "platform/platform.h"

namespace vqm {
namespace {

constexpr long long kDefaultBlock = 300000;
constexpr long long kMinimumBlock = 1010;

long long ChosenBlockSize() {
  std::string setting;
  if (!platform::GetEnvironment("BGETLRAM", &setting)) return kDefaultBlock;
  long long n = strtol(setting.c_str(), nullptr, 10);
  return n < kMinimumBlock ? kMinimumBlock : n;
}

char* AllocateBlock(long long size) {
  if (size <= 0 || size > INT_MAX) return nullptr;
  return new (std::nothrow) char[static_cast<size_t>(size)];
}

}  // namespace

int LineReader::Open(const char* path) {
  Close();
  openError_ = 0;
  blockCapacity_ = ChosenBlockSize();
  block_ = AllocateBlock(blockCapacity_);
  if (block_ == nullptr) {
    // Too large a setting: a block of the file's size may still fit.
    FILE* probe = platform::OpenRegularFile(path);
    blockCapacity_ = probe ? platform::FileSize(probe) : 0;
    if (probe) fclose(probe);
    block_ = AllocateBlock(blockCapacity_);
    if (block_ == nullptr) {
      blockCapacity_ = 0;
      return -2;
    }
  }
  // Regular files only, opened without waiting: a pipe or a device named here would hold
  // the library lock, and every export with it, until something wrote to it.
  file_ = platform::OpenRegularFile(path);
  if (file_ == nullptr) {
    openError_ = errno;
    return 0;
  }
  rewind(file_);
  fileSize_ = platform::FileSize(file_);
  bytesInBlock_ = static_cast<long long>(fread(block_, 1, static_cast<size_t>(blockCapacity_), file_));
  totalRead_ = bytesInBlock_;
  NoteShortRead(bytesInBlock_, blockCapacity_);
  position_ = 0;
  return 1;
}

void LineReader::NoteShortRead(long long got, long long asked) {
  // A block that comes back short ends the file, whatever size the file system gave at the
  // open: a file that shrank meanwhile, or a directory, which opens but yields no bytes,
  // would otherwise be read for ever.
  if (got < asked && totalRead_ < fileSize_) fileSize_ = totalRead_;
}

bool LineReader::NextBlock() {
  if (file_ == nullptr) return false;
  const size_t n = fread(block_, 1, static_cast<size_t>(blockCapacity_), file_);
  position_ = 0;
  bytesInBlock_ = static_cast<long long>(n);
  totalRead_ += bytesInBlock_;
  NoteShortRead(bytesInBlock_, blockCapacity_);
  return n > 0;
}

int LineReader::ReadLine(char* buffer, int size) {
  if (position_ < 0 || block_ == nullptr) return -1;
  if (position_ >= bytesInBlock_ && totalRead_ >= fileSize_) return -1;
  const long long room = size > 0 ? size - 1 : 0;
  long long stored = 0;
  bool endedAtCtrlZ = false;
  for (;;) {
    if (position_ >= bytesInBlock_ && !NextBlock()) break;
    // Copy the run of ordinary bytes up to the next LF, CR, NUL or Ctrl-Z in one piece.
    const char* run = block_ + position_;
    const long long length =
        static_cast<long long>(PlainLineRun(run, static_cast<size_t>(bytesInBlock_ - position_)));
    const long long kept = length < room - stored ? length : room - stored;
    if (kept > 0) memcpy(buffer + stored, run, static_cast<size_t>(kept));
    stored += kept;
    position_ += length;
    if (position_ >= bytesInBlock_) continue;
    const unsigned char c = static_cast<unsigned char>(block_[position_++]);
    if (c == '\r') continue;  // skipped wherever it stands
    endedAtCtrlZ = c == 0x1a;
    break;
  }
  if (size > 0) buffer[stored] = 0;
  if (stored == 0 && endedAtCtrlZ) return -1;
  return static_cast<int>(stored);
}

long long LineReader::ReadBytes(char* dest, long long size, bool lineStarted) {
  if (position_ < 0 || block_ == nullptr || size <= 0) return -1;
  if (position_ < bytesInBlock_) {
    const long long n = bytesInBlock_ - position_ < size ? bytesInBlock_ - position_ : size;
    memcpy(dest, block_ + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
  }
  if (!lineStarted && totalRead_ >= fileSize_) return -1;
  if (file_ == nullptr) return 0;
  // Read as NextBlock does, into the caller's memory instead of the block.
  const size_t request = static_cast<size_t>(size < blockCapacity_ ? size : blockCapacity_);
  const size_t n = fread(dest, 1, request, file_);
  bytesInBlock_ = 0;
  position_ = 0;
  totalRead_ += static_cast<long long>(n);
  NoteShortRead(static_cast<long long>(n), static_cast<long long>(request));
  return static_cast<long long>(n);
}

int LineReader::Close() {
  if (file_ != nullptr) fclose(file_);
  file_ = nullptr;
  delete[] block_;
  block_ = nullptr;
  blockCapacity_ = 0;
  bytesInBlock_ = 0;
  position_ = -1;
  fileSize_ = -1;
  totalRead_ = 0;
  return 0;
}

}  // namespace vqm
