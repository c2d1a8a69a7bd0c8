#include "harness/arguments.h"

#include <climits>
#include <cstring>
#include <limits>

namespace vqm::fuzz {
namespace {

constexpr int kEdgeInts[] = {0,          1,          -1,         2,         INT_MAX,
                             INT_MIN,    INT_MAX - 1, INT_MIN + 1, 255,      256,
                             65535,      65536,      -65536,     999,       1000,
                             1000000,    1000001,    900000,     899999,    1240315,
                             1991231,    2359,       2400,       100000,    16777217};

float EdgeFloat(int k) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float values[] = {0.0f,       -0.0f,       1.0f,         -1.0f,        nan,
                          -nan,       inf,         -inf,         3.4028235e38f, -3.4028235e38f,
                          1.17549435e-38f, 1.4e-45f, 2147483648.0f, -2147483904.0f, 2147483520.0f,
                          1e9f,       0.5f,        -0.5f,        16777216.0f,  16777217.0f,
                          1e-7f,      100.25f,     1240315.0f,   930.0f};
  return values[k % (sizeof values / sizeof values[0])];
}

}  // namespace

Text::Text(const std::string& bytes, size_t room) : size_(bytes.size() + 1 + room) {
  bytes_ = std::make_unique<char[]>(size_);
  memcpy(bytes_.get(), bytes.data(), bytes.size());
  memset(bytes_.get() + bytes.size(), 0, 1 + room);
}

std::unique_ptr<char[]> Buffer(size_t size) {
  if (size == 0) return nullptr;
  auto b = std::make_unique<char[]>(size);
  memset(b.get(), 'x', size);
  return b;
}

std::string Arguments::Bytes(std::initializer_list<const char*> words) {
  switch (Choose(4)) {
    case 0:
      if (words.size() > 0) return *(words.begin() + Choose(static_cast<int>(words.size())));
      [[fallthrough]];
    case 1: {
      const std::string piece = data_.ConsumeRandomLengthString(32);
      const size_t length = data_.ConsumeIntegralInRange<size_t>(0, kLongestText);
      std::string text;
      if (piece.empty()) return text;
      text.reserve(length);
      while (text.size() < length) text.append(piece, 0, length - text.size());
      return text;
    }
    default:
      return data_.ConsumeRandomLengthString(400);
  }
}

Text Arguments::NullableText(std::initializer_list<const char*> words, size_t room) {
  if (Choose(8) == 0) return Text();
  return Text(Bytes(words), room);
}

int Arguments::Int() {
  switch (Choose(4)) {
    case 0: return data_.ConsumeIntegral<int>();
    case 1: return kEdgeInts[Choose(sizeof kEdgeInts / sizeof kEdgeInts[0])];
    default: return Small(-64, 64);
  }
}

float Arguments::Float() {
  switch (Choose(4)) {
    case 0: {
      const uint32_t bits = data_.ConsumeIntegral<uint32_t>();
      float f;
      memcpy(&f, &bits, sizeof f);
      return f;
    }
    case 1: return EdgeFloat(Small(0, 63));
    default: return static_cast<float>(Small(-2000, 20000)) / 4.0f;
  }
}

int Arguments::HostDate() {
  if (Choose(8) == 0) return Int();
  return Small(89, 131) * 10000 + Small(0, 13) * 100 + Small(0, 32);
}

int Arguments::HostTime() {
  if (Choose(8) == 0) return Int();
  return Small(0, 24) * 100 + Small(0, 60);
}

std::vector<ValueBlock> Arguments::Block(int slots) {
  std::vector<ValueBlock> block(static_cast<size_t>(slots));
  for (int i = 0; i < slots; ++i) WriteSlot(block.data(), i, Float());
  return block;
}

}  // namespace vqm::fuzz
