#include "line_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/platform.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace vqm::replay {
namespace {

constexpr size_t kBlock = 1 << 16;

std::string LongLine(const std::string& source, int lineNumber) {
  return source + ":" + std::to_string(lineNumber) + ": line longer than " +
         std::to_string(kMaxBarLine) + " characters";
}

}  // namespace

LineReader::~LineReader() {
  if (ownsFile_) fclose(file_);
}

bool LineReader::Open(const std::string& path, std::string* error) {
  source_ = path == "-" ? "standard input" : path;
  if (path == "-") {
    file_ = stdin;
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  } else {
    file_ = fopen(path.c_str(), "rb");
    if (file_ == nullptr) {
      *error = path + ": cannot open (" + strerror(errno) + ")";
      return false;
    }
    ownsFile_ = true;
    // In 64 bits on every system: bar files pass 2 GB.
    const long long size = platform::FileSize(file_);
    size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
  }
  buffer_.resize(kBlock + kMaxBarLine + 2);
  return true;
}

void LineReader::OpenText(const char* text, size_t size, const std::string& source) {
  source_ = source;
  text_ = text;
  end_ = size;
  size_ = size;
  eof_ = true;
}

// Moves the unread bytes to the front and reads a block after them.
bool LineReader::Fill(std::string* error) {
  if (eof_) return true;
  const size_t left = end_ - begin_;
  memmove(buffer_.data(), buffer_.data() + begin_, left);
  begin_ = 0;
  end_ = left;
  const size_t got = fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  end_ += got;
  nextLf_ = nextCr_ = kUnknown;
  if (got == 0) {
    if (ferror(file_)) {
      *error = source_ + ": read error (" + strerror(errno) + ")";
      return false;
    }
    eof_ = true;
  }
  return true;
}

int LineReader::Next(std::string_view* line, std::string* error) {
  const char* data = text_ != nullptr ? text_ : buffer_.data();
  for (;;) {
    if (skipLf_ && begin_ < end_) {
      skipLf_ = false;
      if (data[begin_] == '\n') {
        ++begin_;
        ++consumed_;
      }
    }
    // Looks for the line's end in the bytes at hand.
    auto next = [&](size_t* at, char c) {
      if (*at == kUnknown || *at < begin_) {
        const void* found = memchr(data + begin_, c, end_ - begin_);
        *at = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - data) : end_;
      }
      return *at;
    };
    const size_t p = std::min(next(&nextLf_, '\n'), next(&nextCr_, '\r'));
    if (p - begin_ > kMaxBarLine) {
      *error = LongLine(source_, lineNumber_ + 1);
      return -1;
    }
    if (p == end_ && !eof_) {
      if (!Fill(error)) return -1;
      data = buffer_.data();
      continue;
    }
    if (begin_ == end_) return 0;  // the input is at its end
    const size_t start = begin_;
    const bool ended = p < end_;
    if (ended) {
      skipLf_ = data[p] == '\r';
      begin_ = p + 1;
    } else {
      begin_ = p;
    }
    consumed_ += begin_ - start;
    ++lineNumber_;
    std::string_view text(data + start, p - start);
    if (lineNumber_ == 1) {
      if (text.size() >= 2 && ((text[0] == '\xff' && text[1] == '\xfe') ||
                               (text[0] == '\xfe' && text[1] == '\xff'))) {
        *error = source_ + ":1: UTF-16 text; save the file as UTF-8 or plain text";
        return -1;
      }
      if (text.substr(0, 3) == "\xef\xbb\xbf") text.remove_prefix(3);
    }
    *line = text;
    if (!ended && text.empty()) return 0;
    return 1;
  }
}

}  // namespace vqm::replay
