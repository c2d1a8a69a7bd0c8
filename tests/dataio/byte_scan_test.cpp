#include "dataio/byte_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vqm {
namespace {

// What a scan must find, worked out one byte at a time.
struct Expected {
  std::string bytes;
  std::vector<uint16_t> stops;
  std::vector<bool> unsettled;
  bool onlyLineFeeds = true;
  bool untilInLine = false;
};

Expected ScanByteByByte(std::string bytes, const ByteReplacement* r, const bool untilAtStart) {
  Expected e;
  bool untilInLine = untilAtStart;
  const size_t size = bytes.size();
  for (size_t piece = 0; piece * 64 < size; ++piece) {
    const size_t from = piece * 64, to = from + 64 < size ? from + 64 : size;
    bool settles = r != nullptr && to - from == 64 && !untilInLine;
    for (size_t i = from; i < to; ++i) {
      const char c = bytes[i];
      const char next = i + 1 < size ? bytes[i + 1] : 0;
      const bool lone = c == '\r' && next != '\n';
      if (c == '\n' || c == 0 || c == 0x1a || lone) e.stops.push_back(static_cast<uint16_t>(i));
      if (c == 0 || c == 0x1a || lone) e.onlyLineFeeds = false;
      if (r != nullptr && c == r->until) {
        settles = false;
        untilInLine = true;
      }
      if (c == '\n' || c == 0 || c == 0x1a) untilInLine = false;
    }
    if (settles)
      for (size_t i = from; i < to; ++i)
        if (bytes[i] == r->from) bytes[i] = r->to;
    e.unsettled.push_back(r != nullptr && !settles);
  }
  e.bytes = bytes;
  e.untilInLine = r != nullptr ? untilInLine : untilAtStart;
  return e;
}

// Every width the processor runs finds what the byte-by-byte scan finds: the stops, the
// pieces left unsettled, the bytes replaced and the line's state at the end, over runs rich
// in line ends, lone CRs, quotes and commas, at every length and with either state at the
// start. The narrower widths are the fallbacks of older processors.
TEST(ByteScanTest, EveryWidthFindsWhatTheByteByByteScanFinds) {
  const ByteReplacement commas = {',', '\t', '"'};
  unsigned seed = 29;
  std::vector<int> widths;
  for (int w = 16; w <= WidestScanWidth(); w *= 2) widths.push_back(w);
  RecordProperty("widest", WidestScanWidth());
  for (int run = 0; run < 3000; ++run) {
    const size_t size = (seed = seed * 69069 + 1) >> 22;  // up to 1023 bytes
    std::string bytes;
    for (size_t i = 0; i < size; ++i) {
      seed = seed * 69069 + 1;
      const unsigned pick = seed >> 24;
      if (run % 5 == 4)  // a piece of stops, more than half its bytes
        bytes += "\n\r\0\x1a,\"a\n"[pick % 8];
      else
        bytes += pick < 10 ? "\n\r\0\x1a\"\r\n,\r\n"[pick] : pick < 40 ? ',' : static_cast<char>('a' + pick % 26);
    }
    const ByteReplacement* r = run % 4 == 0 ? nullptr : &commas;
    const bool untilAtStart = run % 3 == 0;
    const Expected e = ScanByteByByte(bytes, r, untilAtStart);
    for (const int width : widths) {
      ASSERT_EQ(width, LimitScanWidth(width));
      std::vector<char> p(bytes.begin(), bytes.end());
      p.push_back(0);  // the byte after the run
      std::vector<uint16_t> offsets(size + 4);
      std::vector<uint64_t> unsettled((size + 63) / 64 / 64 + 1, ~uint64_t{0});
      LineStops found = {offsets.data(), unsettled.data(), 0, false};
      const bool untilAtEnd = ScanLineStops(p.data(), size, r, untilAtStart, found);
      const std::string at = "run " + std::to_string(run) + ", width " + std::to_string(width);
      ASSERT_EQ(e.stops, std::vector<uint16_t>(offsets.begin(), offsets.begin() + static_cast<long>(found.count))) << at;
      ASSERT_EQ(e.bytes, std::string(p.data(), size)) << at;
      ASSERT_EQ(e.onlyLineFeeds, found.onlyLineFeeds) << at;
      ASSERT_EQ(e.untilInLine, untilAtEnd) << at;
      for (size_t k = 0; k < e.unsettled.size(); ++k)
        ASSERT_EQ(e.unsettled[k], (unsettled[k / 64] >> (k % 64) & 1) != 0) << at << ", piece " << k;
    }
  }
  LimitScanWidth(64);
}

}  // namespace
}  // namespace vqm
