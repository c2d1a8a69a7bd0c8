// An ordered list of text lines, entry i being line i of the loaded file. The characters of
// all lines live in one growable block, each line followed by a zero byte, so a load of
// millions of lines makes no allocation per line. Pointers from TextAt stay valid until the
// list changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/lock_rule.h"
#include "dataio/byte_scan.h"
#include "dataio/text_string.h"
#include "platform/large_block.h"

namespace vqm {

// Gives back a block of a line list's characters.
struct FreeLineBlock {
  size_t size = 0;
  void operator()(char* block) const { platform::FreeLargeBlock(block, size); }
};

class LineList {
 public:
  // A rewrite applied to each line as it is loaded. `apply` rewrites one line, may only
  // shorten it, and returns the new length. Its simplest part, `bulk`, is made while the
  // lines are split, 64 bytes at a time; a line that part settles is not handed to `apply`,
  // which must give the same line whether or not the bulk replacement was made in it first.
  struct Rewrite {
    int (*apply)(char* text, int length);
    ByteReplacement bulk;
  };

  int GetSize() const { return static_cast<int>(starts_.size()); }
  // Index of the new line (null adds an empty line).
  int Add(const char* text);
  // The line's characters, or null when the index is out of range or the entry is empty
  // (an entry SetAt skipped over).
  const char* TextAt(int index) const;
  // -1 for a negative index; otherwise replaces (or creates) the line at index, growing the
  // list with empty entries if needed, and returns 0.
  int SetAt(int index, const char* text);
  // Removes every line and gives the memory back.
  void Clear();

  // Loads the file's lines: a limit of 0 or more clears the list first (a negative limit
  // appends), a positive limit stops at that many lines. Lines longer than 99999 bytes are
  // cut. Returns the number of lines held, or -1 with "Cannot open %s (%s)" in error (the
  // list then keeps its lines).
  int Load(const char* path, CTxt& error, int limit,
           const Rewrite* rewrite = nullptr) VQM_REQUIRES_LIBRARY_LOCK;

 private:
  // Room for n more characters at the end of the block; false when memory runs out.
  bool Reserve(size_t n);
  int Append(const char* text, size_t length);
  // Removes every line, keeping the memory for the next load.
  void Empty();
  // Where the splitting stands in the block: the current line's first byte, the end of
  // its stored bytes, and the next byte to look at (bytes move back only where a CR inside
  // a line, or a cut, leaves a gap); unsettled: some of its bytes lie in a piece the bulk
  // replacement left as it was.
  struct SplitCursor {
    size_t lineStart, write, read;
    bool unsettled;
  };
  enum class SplitEnd { kMore, kLimit, kEndOfFile };

  // Load's reading and splitting, after the open.
  void ReadLines(class LineReader& reader, int limit, const Rewrite* rewrite);
  // Splits the block's bytes [begin, begin + size), scanned into `found`.
  SplitEnd SplitScanned(size_t begin, size_t size, const LineStops& found, SplitCursor& at,
                        const Rewrite* rewrite, int limit);
  void EndLine(SplitCursor& at, bool rewriteLine, const Rewrite* rewrite);
  void ForeseeLines(const class LineReader& reader, int limit, size_t lines, size_t bytes);

  // A whole file's lines are written at once: their memory comes in large blocks.
  std::unique_ptr<char[], FreeLineBlock> block_;
  size_t used_ = 0;
  size_t capacity_ = 0;
  // Offset of each line in block_, -1 for an empty entry.
  std::vector<int64_t, platform::LargeBlockAllocator<int64_t>> starts_;
};

}  // namespace vqm
