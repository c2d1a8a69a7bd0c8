// The date and time parsers and every text layout, on any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "datetime/date_time.h"
#include "harness/sandbox.h"

// The value logs the dates and times it refuses: the log stays in the sandbox.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned inputs = 0;
  if (++inputs % 1024 == 0) vqm::fuzz::ClearSandbox();
  const std::string text(reinterpret_cast<const char*>(data), size);
  vqm::DateTime value;
  value.SetFromText(text.c_str());
  vqm::ParseDateText(text.c_str());
  vqm::ParseTimeText(text.c_str());
  std::string out;
  char buffer[40];
  for (int code = -1; code <= 31; ++code) {
    value.FormatText(out, code);
    value.FormatText(buffer, sizeof buffer, code);
  }
  if (size >= 6) {
    vqm::DateTime raw;
    raw.year = data[0];
    raw.month = data[1];
    raw.day = data[2];
    raw.hour = data[3];
    raw.minute = data[4];
    raw.second = data[5];
    for (int code = 0; code <= 30; ++code) raw.FormatText(out, code);
    raw.DayNumber();
    raw.SecondsUntil(value);
    raw.AddSeconds(static_cast<int>(size) * 7919 - 40000);
    raw.AddDays(static_cast<int>(size % 64) - 32);
    raw.ToDateInt(static_cast<int>(size % 5) - 2);
  }
  return 0;
}
