#include "dataio/line_list.h"

#include <cstring>
#include <new>

#include "dataio/byte_scan.h"
#include "dataio/line_reader.h"

namespace vqm {
namespace {

constexpr int kLineBufferSize = 100000;

}  // namespace

bool LineList::Reserve(size_t n) {
  if (capacity_ - used_ >= n) return true;
  size_t grown = capacity_ < 4096 ? 4096 : capacity_ * 2;
  if (grown < used_ + n) grown = used_ + n;
  std::unique_ptr<char[], FreeLineBlock> block(
      static_cast<char*>(platform::AllocateLargeBlock(grown)), FreeLineBlock{grown});
  if (!block) return false;
  if (used_ > 0) memcpy(block.get(), block_.get(), used_);
  block_ = std::move(block);
  capacity_ = grown;
  return true;
}

int LineList::Append(const char* text, size_t length) {
  if (!Reserve(length + 1)) throw std::bad_alloc();
  if (length > 0) memcpy(block_.get() + used_, text, length);
  block_[used_ + length] = 0;
  const int64_t start = static_cast<int64_t>(used_);
  used_ += length + 1;
  return static_cast<int>(start);
}

int LineList::Add(const char* text) {
  const char* t = text ? text : "";
  const size_t length = strlen(t);
  // The text may lie in the block itself, which Reserve may move.
  const std::string copy(t, length);
  starts_.push_back(Append(copy.data(), length));
  return GetSize() - 1;
}

const char* LineList::TextAt(int index) const {
  if (index < 0 || index >= GetSize()) return nullptr;
  const int64_t start = starts_[static_cast<size_t>(index)];
  return start < 0 ? nullptr : block_.get() + start;
}

int LineList::SetAt(int index, const char* text) {
  if (index < 0) return -1;
  if (index >= GetSize()) starts_.resize(static_cast<size_t>(index) + 1, -1);
  const char* t = text ? text : "";
  const std::string copy(t);
  starts_[static_cast<size_t>(index)] = Append(copy.data(), copy.size());
  return 0;
}

void LineList::Empty() {
  used_ = 0;
  starts_.clear();
}

void LineList::Clear() {
  block_.reset();
  used_ = capacity_ = 0;
  starts_.clear();
  starts_.shrink_to_fit();
}

// The reader's bytes go straight into the block and are split there: a line ending in LF
// or CR LF is terminated where its CR or LF stands, so no byte moves. The rules are the
// line reader's (ReadLine): LF, NUL and Ctrl-Z end a line, CR is skipped wherever it stands
// (only a CR inside a line moves the rest of the line), a line is cut to kLineBufferSize - 1
// bytes and the rest dropped, a Ctrl-Z that begins a line ends the file.
void LineList::ReadLines(LineReader& reader, int limit, const Rewrite* rewrite) {
  const size_t chunk = static_cast<size_t>(reader.BlockSize());
  const size_t longest = kLineBufferSize - 1;
  size_t read = used_;       // next byte to look at
  size_t lineStart = used_;  // the current line's first byte
  size_t write = used_;      // end of the current line's stored bytes
  bool inLine = false;       // a byte of the current line has been taken
  // The current line's: an `until` byte of the bulk replacement seen; bytes the bulk pass
  // left as they were.
  bool sawUntil = false, unsettled = false;
  LineStopScanner scan;
  const size_t firstLine = starts_.size(), firstByte = used_;
  bool foreseen = false;
  for (;;) {
    bool ended = false;
    if (read == used_) {
      if (!foreseen && starts_.size() > firstLine) {
        ForeseeLines(reader, limit, starts_.size() - firstLine, used_ - firstByte);
        foreseen = true;
      }
      if (!Reserve(chunk + 1)) break;
      const long long n = reader.ReadBytes(block_.get() + used_, static_cast<long long>(chunk), inLine);
      if (n < 0) break;
      if (n > 0) {
        scan.Start(used_, used_ + static_cast<size_t>(n), rewrite ? &rewrite->bulk : nullptr);
        used_ += static_cast<size_t>(n);
        continue;
      }
      // The bytes ended inside a line (or a read found none where the file said more were):
      // the line ends there.
      ended = true;
    } else {
      char* b = block_.get();
      const size_t run = scan.NextStop(b, read, sawUntil, unsettled) - read;
      const size_t stored = write - lineStart;
      const size_t keep = run < longest - stored ? run : longest - stored;
      if (keep > 0 && write != read) memmove(b + write, b + read, keep);
      write += keep;
      read += run;
      inLine = inLine || run > 0;
      if (read == used_) continue;
      const char c = b[read++];
      // NUL and LF end the line below, as Ctrl-Z does after a stored byte.
      inLine = true;
      if (c == '\r') {
        // A CR is skipped; before an LF, as at the end of most lines, the line ends.
        if (read == used_ || b[read] != '\n') continue;
        ++read;
      }
      if (c == 0x1a && write == lineStart) break;  // the end of the file
    }
    char* line = block_.get() + lineStart;
    int length = static_cast<int>(write - lineStart);
    line[length] = 0;
    if (rewrite != nullptr && (sawUntil || unsettled)) {
      length = rewrite->apply(line, length);
      line[length] = 0;
    }
    starts_.push_back(static_cast<int64_t>(lineStart));
    lineStart = write = read;
    inLine = sawUntil = unsettled = false;
    if (ended || (limit > 0 && GetSize() >= limit)) break;
  }
  used_ = lineStart;
}

// From the lines of the first read, the file's count foreseen: its entries are taken once,
// not doubled (and copied) up to their number.
void LineList::ForeseeLines(const LineReader& reader, int limit, size_t lines, size_t bytes) {
  const long long size = reader.FileSize();
  if (size <= 0 || bytes == 0) return;
  size_t expected = static_cast<size_t>(static_cast<double>(lines) * static_cast<double>(size) /
                                        static_cast<double>(bytes) * 1.125) + 64;
  if (expected > static_cast<size_t>(size)) expected = static_cast<size_t>(size);  // a byte a line
  if (limit > 0 && expected > static_cast<size_t>(limit)) expected = static_cast<size_t>(limit);
  try {
    starts_.reserve(starts_.size() + expected);
  } catch (const std::bad_alloc&) {
    // Only a saving: the entries grow as they come instead.
  }
}

int LineList::Load(const char* path, CTxt& error, int limit, const Rewrite* rewrite) {
  LineReader& reader = g_LineReader;
  const int opened = reader.Open(path);
  if (opened == 0) {
    error.Format("Cannot open %s (%s)", path ? path : "", ErrorText(reader.OpenError()));
    return -1;
  }
  if (limit >= 0) Empty();
  // The lines of a file take at most its size: one block, sized once. A block kept from an
  // earlier load is used again (a reload of the same file touches no new memory), unless it
  // is far larger than this file needs.
  const size_t need = reader.FileSize() > 0 ? static_cast<size_t>(reader.FileSize()) : 0;
  if (used_ == 0 && capacity_ / 2 > need + (size_t{1} << 20)) {
    block_.reset();
    capacity_ = 0;
  }
  if (need > 0) Reserve(need + static_cast<size_t>(reader.BlockSize()) + 2);
  ReadLines(reader, limit, rewrite);
  reader.Close();
  if (starts_.capacity() / 2 > starts_.size() + 65536) starts_.shrink_to_fit();
  return GetSize();
}

}  // namespace vqm
