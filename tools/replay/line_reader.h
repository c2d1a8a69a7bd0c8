// Lines of a bar file, read in blocks: LF, CR LF and CR all end a line, a UTF-8 byte-order
// mark before the first line is dropped, and no more than one block and the line in hand are
// held, whatever the file's size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vqm::replay {

// The longest line a bar file may hold.
constexpr size_t kMaxBarLine = 4096;

class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // A file by path, or standard input for "-". False with "<path>: cannot open (...)".
  bool Open(const std::string& path, std::string* error);
  // Text held by the caller, which must outlive the reader.
  void OpenText(const char* text, size_t size, const std::string& source);

  // The next line without its end: 1 a line, 0 the end of the input, -1 an error (a line
  // longer than kMaxBarLine, a read error, UTF-16 text), with error set.
  int Next(std::string_view* line, std::string* error);

  const std::string& source() const { return source_; }
  int lineNumber() const { return lineNumber_; }
  // Bytes consumed so far and the input's size (0 when unknown), for a progress line.
  uint64_t consumed() const { return consumed_; }
  uint64_t size() const { return size_; }

 private:
  bool Fill(std::string* error);

  std::string source_;
  FILE* file_ = nullptr;
  bool ownsFile_ = false;
  const char* text_ = nullptr;   // OpenText: the whole input
  std::vector<char> buffer_;     // Open: a block and the start of the next line
  size_t begin_ = 0, end_ = 0;   // unread bytes in buffer_ (or text_)
  bool eof_ = false;
  bool skipLf_ = false;          // the last line ended in CR: a LF right after belongs to it
  // Where the next LF and CR at or after begin_ are (end_ when there is none before it), or
  // kUnknown: each is searched for again only once passed, so a file that uses one of the
  // two is searched for the other once per block, not once per line.
  static constexpr size_t kUnknown = ~size_t{0};
  size_t nextLf_ = kUnknown, nextCr_ = kUnknown;
  int lineNumber_ = 0;
  uint64_t consumed_ = 0, size_ = 0;
};

}  // namespace vqm::replay
