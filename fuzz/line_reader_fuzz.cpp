// The line reader and the line list over a fuzzed file, with the block size variable set
// to each of its forms and caller buffers of every size, and the list's scan at each width
// the processor runs; the byte scanner that both rely on is checked against the plain loop.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dataio/byte_scan.h"
#include "dataio/column_loader.h"
#include "dataio/line_list.h"
#include "dataio/line_reader.h"
#include "harness/arguments.h"
#include "harness/sandbox.h"

namespace {

constexpr const char* kFile = "C:/Fuzz/lines.txt";

size_t PlainRunByLoop(const char* p, size_t size) {
  for (size_t i = 0; i < size; ++i)
    if (p[i] == '\n' || p[i] == '\r' || p[i] == 0 || p[i] == 0x1a) return i;
  return size;
}

void CheckByteScan(const std::string& bytes) {
  for (size_t start = 0; start < bytes.size() && start < 64; ++start) {
    // A block of exactly the bytes scanned, so a read past them is seen.
    std::vector<char> copy(bytes.begin() + static_cast<long>(start), bytes.end());
    if (vqm::PlainLineRun(copy.data(), copy.size()) != PlainRunByLoop(copy.data(), copy.size()))
      abort();
  }
}

// Reads the file through the reader with buffers of the given sizes, one size per line.
void ReadLines(vqm::fuzz::Arguments& a) {
  vqm::LineReader reader;
  if (reader.Open(kFile) != 1) return;
  for (int lines = 0; lines < 100000; ++lines) {
    const int size = a.Choose(4) == 0 ? a.Small(-1, 3) : a.Small(0, 2000);
    auto buffer = vqm::fuzz::Buffer(size > 0 ? static_cast<size_t>(size) : 0);
    const int n = reader.ReadLine(buffer.get(), size);
    if (n < 0) break;
    if (size > 0 && (n >= size || strlen(buffer.get()) != static_cast<size_t>(n))) abort();
  }
  reader.Close();
}

// The file's lines as the reader gives them one by one, each rewritten alone.
std::vector<std::string> LinesReadOneByOne(bool rewrite) {
  std::vector<std::string> lines;
  vqm::LineReader reader;
  if (reader.Open(kFile) != 1) return lines;
  std::vector<char> buffer(100000);
  for (int n; (n = reader.ReadLine(buffer.data(), static_cast<int>(buffer.size()))) >= 0;) {
    if (rewrite) n = vqm::CommasToTabs(buffer.data(), n);
    lines.emplace_back(buffer.data(), static_cast<size_t>(n));
  }
  return lines;
}

void LoadLines(vqm::fuzz::Arguments& a) {
  vqm::LineList list;
  for (int round = a.Small(1, 3); round > 0; --round) {
    vqm::CTxt error;
    const int limit = a.Choose(3) == 0 ? a.Int() : a.Small(-2, 50);
    const bool present = a.Flag(), rewrite = a.Flag();
    vqm::LimitScanWidth(16 << a.Choose(3));  // each width the processor runs finds the same
    const int held = list.Load(present ? kFile : "C:/Fuzz/missing.txt", error, limit,
                               rewrite ? &vqm::kCommasToTabs : nullptr);
    if (held >= 0 && held != list.GetSize()) abort();
    // A whole load, split and rewritten in the list's block, holds the lines the reader
    // gives one by one, each rewritten alone.
    if (present && limit == 0) {
      const std::vector<std::string> expected = LinesReadOneByOne(rewrite);
      if (static_cast<size_t>(held) != expected.size()) abort();
      for (int i = 0; i < held; ++i)
        if (expected[static_cast<size_t>(i)] != list.TextAt(i)) abort();
    }
    for (int i = 0; i < list.GetSize(); ++i) {
      const char* line = list.TextAt(i);
      if (line != nullptr && strlen(line) >= 100000) abort();
    }
  }
  // Edits of the list between loads: lines added, replaced and read back.
  for (int edits = a.Small(0, 8); edits > 0; --edits) {
    const vqm::fuzz::Text text = a.NullableText({"", "a,b", "\"x,y\""});
    const int index = a.Small(-2, 300);
    if (a.Flag()) {
      list.Add(text.get());
    } else if (list.SetAt(index, text.get()) == 0) {
      const char* back = list.TextAt(index);
      if (back == nullptr || strcmp(back, text.get() ? text.get() : "") != 0) abort();
    }
    list.TextAt(a.Small(-2, 300));
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  vqm::fuzz::Arguments a(provider);
  vqm::fuzz::SetBlockSizeVariable(a.Small(0, 12), a.Small(0, 5000));
  const int mode = a.Choose(3);
  const std::string bytes = provider.ConsumeRemainingBytesAsString();
  if (!vqm::fuzz::WriteLibraryFile(kFile, reinterpret_cast<const uint8_t*>(bytes.data()),
                                   bytes.size()))
    abort();
  CheckByteScan(bytes);
  // The sizes and limits of a run come from the file's own first bytes.
  FuzzedDataProvider settings(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  vqm::fuzz::Arguments s(settings);
  if (mode != 1) ReadLines(s);
  if (mode != 0) LoadLines(s);
  return 0;
}
