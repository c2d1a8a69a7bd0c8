#include "dataio/line_list.h"

#include <cstring>
#include <new>

#include "dataio/line_reader.h"

namespace vqm {
namespace {

constexpr int kLineBufferSize = 100000;

}  // namespace

bool LineList::Reserve(size_t n) {
  if (capacity_ - used_ >= n) return true;
  size_t grown = capacity_ < 4096 ? 4096 : capacity_ * 2;
  if (grown < used_ + n) grown = used_ + n;
  std::unique_ptr<char[]> block(new (std::nothrow) char[grown]);
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

void LineList::Clear() {
  block_.reset();
  used_ = capacity_ = 0;
  starts_.clear();
  starts_.shrink_to_fit();
}

int LineList::Load(const char* path, CTxt& error, int limit, Rewrite rewrite) {
  LineReader& reader = g_LineReader;
  const int opened = reader.Open(path);
  if (opened == 0) {
    error.Format("Cannot open %s (%s)", path ? path : "", ErrorText(reader.OpenError()));
    return -1;
  }
  if (limit >= 0) Clear();
  // The lines of a file take at most its size: one block, sized once.
  if (reader.FileSize() > 0) Reserve(static_cast<size_t>(reader.FileSize()) + kLineBufferSize + 2);
  // Lines are read straight into the block: each needs room for the longest line.
  while (limit <= 0 || GetSize() < limit) {
    if (!Reserve(kLineBufferSize + 1)) break;
    char* at = block_.get() + used_;
    int n = reader.ReadLine(at, kLineBufferSize);
    if (n < 0) break;
    if (rewrite != nullptr) {
      n = rewrite(at, n);
      at[n] = 0;
    }
    starts_.push_back(static_cast<int64_t>(used_));
    used_ += static_cast<size_t>(n) + 1;
  }
  reader.Close();
  return GetSize();
}

}  // namespace vqm
