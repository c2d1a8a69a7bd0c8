// The column loader over a fuzzed file: the file is loaded under a new name for each input,
// then read with a run of value blocks whose bar dates, times, numbers and columns are
// fuzzed. The value block and the error text are exactly as large as the loader uses.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frame/export_frame.h"
#include "frame/exports.h"
#include "harness/arguments.h"
#include "harness/sandbox.h"

namespace {

constexpr int kSlots = 13;  // date, time, ..., bar number in 7, column in 11, value out in 12

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  vqm::fuzz::Arguments a(provider);
  vqm::fuzz::SetBlockSizeVariable(a.Choose(4) == 0 ? a.Small(0, 12) : 0, a.Small(0, 5000));
  // Alternate names: a name other than the last one loads the file again.
  static unsigned inputs = 0;
  const std::string name = "column" + std::to_string(++inputs % 2) + ".csv";

  struct Call {
    int date, time, bar, column;
  };
  std::vector<Call> calls(static_cast<size_t>(a.Small(1, 40)));
  int bar = a.Small(-2, 3);
  for (Call& c : calls) {
    c.date = a.HostDate();
    c.time = a.HostTime();
    bar = a.Choose(8) == 0 ? a.Int() : vqm::fuzz::WrappedSum(bar, a.Small(-1, 2));
    c.bar = bar;
    c.column = a.Choose(8) == 0 ? a.Int() : a.Small(-2, 12);
  }
  const std::string content = provider.ConsumeRemainingBytesAsString();
  vqm::fuzz::WriteLibraryFile("C:/Database/LoadCol/" + name,
                              reinterpret_cast<const uint8_t*>(content.data()), content.size());

  for (const Call& c : calls) {
    std::vector<ValueBlock> block(kSlots);
    memset(block.data(), 0, sizeof(ValueBlock) * kSlots);
    vqm::WriteSlot(block.data(), 0, static_cast<float>(c.date));
    vqm::WriteSlot(block.data(), 1, static_cast<float>(c.time));
    vqm::WriteSlot(block.data(), 7, static_cast<float>(c.bar));
    vqm::WriteSlot(block.data(), 11, static_cast<float>(c.column));
    auto error = vqm::fuzz::Buffer(vqm::kErrorTextCapacity);
    const int result = VQM_LoadCol(name.c_str(), block.data(), error.get());
    if (result < -9) abort();
  }
  return 0;
}
