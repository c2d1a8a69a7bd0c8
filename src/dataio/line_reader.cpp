#include "dataio/line_reader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>

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

// Line-ending bytes: LF, NUL, Ctrl-Z end a line, CR is skipped.
enum ByteKind : unsigned char { kPlain = 0, kEnd = 1, kSkip = 2 };

struct ByteTable {
  unsigned char kind[256] = {};
  ByteTable() {
    kind['\n'] = kEnd;
    kind[0] = kEnd;
    kind[0x1a] = kEnd;
    kind['\r'] = kSkip;
  }
};
const ByteTable kBytes;

}  // namespace

int LineReader::Open(const char* path) {
  Close();
  openError_ = 0;
  blockCapacity_ = ChosenBlockSize();
  block_ = AllocateBlock(blockCapacity_);
  if (block_ == nullptr) {
    // Too large a setting: a block of the file's size may still fit.
    FILE* probe = platform::OpenFile(path, "rb");
    blockCapacity_ = probe ? platform::FileSize(probe) : 0;
    if (probe) fclose(probe);
    block_ = AllocateBlock(blockCapacity_);
    if (block_ == nullptr) {
      blockCapacity_ = 0;
      return -2;
    }
  }
  file_ = platform::OpenFile(path, "rb");
  if (file_ == nullptr) {
    openError_ = errno;
    return 0;
  }
  rewind(file_);
  fileSize_ = platform::FileSize(file_);
  bytesInBlock_ = static_cast<long long>(fread(block_, 1, static_cast<size_t>(blockCapacity_), file_));
  totalRead_ = bytesInBlock_;
  position_ = 0;
  return 1;
}

bool LineReader::NextBlock() {
  if (file_ == nullptr) return false;
  const size_t n = fread(block_, 1, static_cast<size_t>(blockCapacity_), file_);
  position_ = 0;
  bytesInBlock_ = static_cast<long long>(n);
  totalRead_ += bytesInBlock_;
  return n > 0;
}

int LineReader::ReadLine(char* buffer, int size) {
  if (position_ < 0 || block_ == nullptr) return -1;
  if (position_ >= bytesInBlock_ && totalRead_ >= fileSize_) return -1;
  int stored = 0;
  bool endedAtCtrlZ = false;
  for (;;) {
    if (position_ >= bytesInBlock_ && !NextBlock()) break;
    const unsigned char c = static_cast<unsigned char>(block_[position_++]);
    const unsigned char kind = kBytes.kind[c];
    if (kind == kEnd) {
      endedAtCtrlZ = c == 0x1a;
      break;
    }
    if (kind == kSkip) continue;
    if (stored < size - 1) buffer[stored++] = static_cast<char>(c);
  }
  if (size > 0) buffer[stored] = 0;
  if (stored == 0 && endedAtCtrlZ) return -1;
  return stored;
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
