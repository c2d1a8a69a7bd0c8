#include "dataio/line_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dataio/byte_scan.h"
#include "dataio/line_reader.h"

namespace vqm {
namespace {

constexpr int kLineBufferSize = 100000;
constexpr size_t kLongestLine = kLineBufferSize - 1;
// A read's bytes are scanned and split a window at a time, while they are in the nearest
// cache.
constexpr size_t kWindow = 8192;

// Ends a line of `length` stored bytes with its zero, after its own rewrite where the bulk
// replacement did not settle it.
void TerminateLine(char* line, size_t length, bool rewriteLine, const LineList::Rewrite* rewrite) {
  line[length] = 0;
  if (rewrite != nullptr && rewriteLine) {
    length = static_cast<size_t>(rewrite->apply(line, static_cast<int>(length)));
    line[length] = 0;
  }
}

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
  const ByteReplacement* bulk = rewrite != nullptr ? &rewrite->bulk : nullptr;
  SplitCursor at = {used_, used_, used_, false};
  bool untilInLine = false;  // the bulk replacement's `until` byte seen in the current line
  uint16_t offsets[kWindow + 4];
  uint64_t unsettled[kWindow / 64 / 64];
  LineStops found = {offsets, unsettled, 0, true};
  const size_t firstLine = starts_.size(), firstByte = used_;
  bool foreseen = false;
  for (;;) {
    if (!foreseen && starts_.size() > firstLine) {
      ForeseeLines(reader, limit, starts_.size() - firstLine, used_ - firstByte);
      foreseen = true;
    }
    if (!Reserve(chunk + 1)) break;
    const bool inLine = at.read != at.lineStart;
    const long long n = reader.ReadBytes(block_.get() + used_, static_cast<long long>(chunk), inLine);
    if (n < 0) break;
    if (n == 0) {
      // The bytes ended inside a line (or a read found none where the file said more were):
      // the line ends there.
      EndLine(at, at.unsettled, rewrite);
      break;
    }
    const size_t begin = used_;
    used_ += static_cast<size_t>(n);
    block_[used_] = 0;  // no LF follows the read's last byte yet
    for (size_t window = begin; window < used_; window += kWindow) {
      const size_t size = used_ - window < kWindow ? used_ - window : kWindow;
      untilInLine = ScanLineStops(block_.get() + window, size, bulk, untilInLine, found);
      if (SplitScanned(window, size, found, at, rewrite, limit) != SplitEnd::kMore) {
        used_ = at.lineStart;
        return;
      }
    }
  }
  used_ = at.lineStart;
}

LineList::SplitEnd LineList::SplitScanned(size_t begin, size_t size, const LineStops& found,
                                          SplitCursor& at, const Rewrite* rewrite, int limit) {
  char* const b = block_.get();
  const size_t pieces = (size + 63) / 64;
  const uint16_t* const offsets = found.offsets;
  const size_t count = found.count;
  // Each stop may end a line: the entries are taken now and written in place.
  const size_t held = starts_.size();
  starts_.resize(held + count);
  int64_t* const lines = starts_.data() + held;
  const size_t most = limit > 0 ? static_cast<size_t>(limit) - held : SIZE_MAX;
  size_t ended = 0;
  // The cursor's parts in registers: the line's bytes are stored through a char pointer,
  // which the compiler must assume could reach anything in memory.
  size_t lineStart = at.lineStart, write = at.write, read = at.read;
  bool unsettled = at.unsettled;

  // The first piece left unsettled that the current line may reach: it begins at `next`.
  constexpr size_t kNone = SIZE_MAX / 2;
  const auto unsettledFrom = [&](size_t offset) {
    for (size_t k = offset < begin ? 0 : (offset - begin) / 64; k < pieces;) {
      const uint64_t bits = found.unsettled[k / 64] >> (k % 64);
      if (bits != 0) {
        k += static_cast<size_t>(__builtin_ctzll(bits));
        return k < pieces ? begin + 64 * k : kNone;
      }
      k = (k / 64 + 1) * 64;
    }
    return kNone;
  };
  size_t next = rewrite != nullptr ? unsettledFrom(read) : kNone;
  // Stores the bytes [read, to) after the line's, up to its longest.
  const auto takeRun = [&](size_t to) {
    if (to <= read) return;
    const size_t room = kLongestLine - (write - lineStart);
    const size_t keep = to - read < room ? to - read : room;
    if (keep > 0 && write != read) memmove(b + write, b + read, keep);
    write += keep;
    read = to;
  };
  const auto endLine = [&](size_t stop) {
    TerminateLine(b + lineStart, write - lineStart, unsettled || next <= stop, rewrite);
    lines[ended++] = static_cast<int64_t>(lineStart);
    lineStart = write = read;
    unsettled = false;
    if (next != kNone && next + 64 <= read) next = unsettledFrom(read);
  };

  SplitEnd result = SplitEnd::kMore;
  size_t i = 0;
  if (found.onlyLineFeeds && write == read && next == kNone && !unsettled && count < most &&
      begin + size - lineStart <= kLongestLine) {
    // The usual bytes: every stop ends a line, every line stays where it stands and is
    // settled, and none can grow too long.
    for (; i < count; ++i) {
      const size_t stop = begin + offsets[i];
      const size_t end = stop > lineStart && b[stop - 1] == '\r' ? stop - 1 : stop;
      b[end] = 0;
      lines[i] = static_cast<int64_t>(lineStart);
      lineStart = stop + 1;
    }
    ended = count;
    write = read = lineStart;
  }
  for (; i < count; ++i) {
    const size_t stop = begin + offsets[i];
    const char c = b[stop];
    // A CR before the LF ends the line with it.
    const size_t runEnd = c == '\n' && stop > read && b[stop - 1] == '\r' ? stop - 1 : stop;
    if (c == '\n' && write == read && runEnd - lineStart <= kLongestLine) {
      // The usual line: its bytes stay where they stand.
      write = read = runEnd;
    } else {
      takeRun(runEnd);
    }
    read = stop + 1;
    if (c == '\r') continue;  // skipped: the line goes on
    if (c == 0x1a && write == lineStart) {
      result = SplitEnd::kEndOfFile;
      break;
    }
    endLine(stop);
    if (ended == most) {
      result = SplitEnd::kLimit;
      break;
    }
  }
  if (result == SplitEnd::kMore) {
    // The line goes on past these bytes; a CR that ends them waits for its LF.
    const size_t end = begin + size;
    takeRun(read < end && b[end - 1] == '\r' ? end - 1 : end);
    if (next < end) unsettled = true;
  }
  starts_.resize(held + ended);
  at = {lineStart, write, read, unsettled};
  return result;
}

void LineList::EndLine(SplitCursor& at, bool rewriteLine, const Rewrite* rewrite) {
  TerminateLine(block_.get() + at.lineStart, at.write - at.lineStart, rewriteLine, rewrite);
  starts_.push_back(static_cast<int64_t>(at.lineStart));
  at.lineStart = at.write = at.read;
  at.unsettled = false;
}

// From the lines of the first read, the file's count foreseen: its entries are taken once,
// not doubled (and copied) up to their number.
void LineList::ForeseeLines(const LineReader& reader, int limit, size_t lines, size_t bytes) {
  const long long size = reader.FileSize();
  if (size <= 0 || bytes == 0) return;
  const double foreseen = static_cast<double>(lines) * static_cast<double>(size) / static_cast<double>(bytes);
  size_t expected = static_cast<size_t>(foreseen * 1.125) + 64;
  if (expected > static_cast<size_t>(size)) expected = static_cast<size_t>(size);  // a byte a line
  if (limit > 0 && expected > static_cast<size_t>(limit)) expected = static_cast<size_t>(limit);
  try {
    starts_.reserve(starts_.size() + expected);
  } catch (const std::bad_alloc&) {
    // Only a saving: the entries grow as they come instead.
    return;
  }
  // The entries the file's lines will take at their foreseen count, not the margin.
  const size_t likely = std::min(static_cast<size_t>(foreseen), starts_.capacity() - starts_.size());
  platform::PrefaultLargeBlock(starts_.data() + starts_.size(), likely * sizeof(starts_[0]));
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
  if (need > 0 && Reserve(need + static_cast<size_t>(reader.BlockSize()) + 2))
    platform::PrefaultLargeBlock(block_.get() + used_, need);
  ReadLines(reader, limit, rewrite);
  reader.Close();
  if (starts_.capacity() / 2 > starts_.size() + 65536) starts_.shrink_to_fit();
  return GetSize();
}

}  // namespace vqm
