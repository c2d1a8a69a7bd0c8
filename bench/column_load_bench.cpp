// Column loader: load throughput of a 200 MB column file (10 columns, 4 million lines)
// against `wc -l` reading the same file in the same run. The file is made once under the
// drive root and reused.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/paths.h"
#include "dataio/byte_scan.h"
#include "dataio/column_loader.h"
#include "frame/exports.h"
#include "frame/value_block.h"
#include "platform/platform.h"

namespace {

constexpr const char* kName = "bench_200mb.csv";
constexpr int kLines = 4000000;

std::string NativePathOfFile() {
  return vqm::platform::NativePath((std::string("C:/Database/LoadCol/") + kName).c_str());
}

long long MakeFileOnce() {
  vqm::MakeDirectoryPath("C:/Database/LoadCol", 0);
  const std::string path = std::string("C:/Database/LoadCol/") + kName;
  FILE* f = vqm::platform::OpenFile(path.c_str(), "rb");
  if (f != nullptr) {
    const long long size = vqm::platform::FileSize(f);
    fclose(f);
    if (size > 190000000) return size;
  }
  f = vqm::platform::OpenFile(path.c_str(), "wb");
  long long size = 0;
  int minute = 0;
  for (int i = 0; i < kLines; ++i) {
    const int day = 1 + (minute / 1440) % 28;
    const int month = 1 + (minute / 1440 / 28) % 12;
    char line[128];
    const int n = snprintf(line, sizeof line,
                           "2024%02d%02d,%02d%02d,%d.25,%d.5,%d.75,%d.125,%d,%d,%d.1,%d\r\n",
                           month, day, minute / 60 % 24, minute % 60, 5000 + i % 97,
                           5001 + i % 89, 4999 + i % 83, 5000 + i % 79, i % 10007, i % 9973,
                           i % 991, i % 7);
    fwrite(line, 1, static_cast<size_t>(n), f);
    size += n;
    ++minute;
  }
  fclose(f);
  return size;
}

void BM_WcLines(benchmark::State& state) {
  const long long size = MakeFileOnce();
  const std::string command = "wc -l '" + NativePathOfFile() + "' > /dev/null";
  for (auto _ : state)
    if (system(command.c_str()) != 0) state.SkipWithError("wc failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void BM_LoadColLoad(benchmark::State& state) {
  const long long size = MakeFileOnce();
  int bar = 1;
  for (auto _ : state) {
    ValueBlock block[16] = {};
    vqm::WriteSlot(block, 0, 1240101.0f);
    vqm::WriteSlot(block, 1, 0.0f);
    vqm::WriteSlot(block, 7, 0.0f);  // a bar number below 1 loads on every call
    vqm::WriteSlot(block, 11, 3.0f);
    char error[1100];
    const int r = VQM_LoadCol(kName, block, error);
    if (r < 0) state.SkipWithError(error);
    benchmark::DoNotOptimize(r);
    ++bar;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

// The load's own scan of one read (the first 300 000 bytes of the file), window by window
// as the load takes it, at each width the processor runs. The commas are "replaced" by
// commas, so that every pass does the work of a first one.
void BM_LineScan(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  if (vqm::LimitScanWidth(width) != width) {
    state.SkipWithError("the processor runs no scan this wide");
    return;
  }
  MakeFileOnce();
  std::vector<char> bytes(300000 + 1);
  FILE* f = vqm::platform::OpenFile((std::string("C:/Database/LoadCol/") + kName).c_str(), "rb");
  const size_t size = fread(bytes.data(), 1, bytes.size() - 1, f);
  fclose(f);
  const vqm::ByteReplacement commas = {',', ',', '"'};
  constexpr size_t kWindow = 8192;
  std::vector<uint16_t> offsets(kWindow + 4);
  uint64_t unsettled[kWindow / 64 / 64];
  vqm::LineStops found = {offsets.data(), unsettled, 0, true};
  for (auto _ : state) {
    size_t stops = 0;
    bool untilInLine = false;
    for (size_t at = 0; at < size; at += kWindow) {
      untilInLine = vqm::ScanLineStops(bytes.data() + at, size - at < kWindow ? size - at : kWindow,
                                       &commas, untilInLine, found);
      stops += found.count;
    }
    benchmark::DoNotOptimize(stops);
  }
  vqm::LimitScanWidth(64);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

BENCHMARK(BM_WcLines)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LineScan)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadColLoad)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
