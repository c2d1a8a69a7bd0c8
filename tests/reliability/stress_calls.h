// Calls of the indicator exports as data, so that a run on several threads can be replayed on
// one: a StressCall names the export and its arguments, a StressRunner makes it against a
// backend on one of its series and returns what came back. Series are named by a prefix
// and an index, so that a replay under another prefix starts from fresh state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/host_double.h"
#include "support/library_under_test.h"

namespace vqm::test {

struct StressCall {
  enum Kind : uint8_t { kRareAvg, kTrendReversal, kGemAdd, kGemCalc, kBsp, kPrcNorm };
  Kind kind = kRareAvg;
  int series = 0;  // which of the runner's series
  int date = 0;    // host form
  int time = 0;    // HHMM
  int bar = 0;     // bar number (regression average, buy/sell pressure)
  float a = 0;     // value, price, up volume or factor
  float b = 0;     // down volume
  int style = 1;   // buy/sell pressure style
  int prices[5] = {};  // pattern search open, high, low, close, volume
};

// Export calls a StressCall makes: three for the buy/sell pressure (VQM_BSP, VQM_BSPHandle,
// VQM_BSPCalc), one for the others.
int ExportCallsOf(const StressCall& call);

// Everything a call gives back, compared bit for bit.
struct StressResult {
  int status[3] = {};
  uint32_t floats[4] = {};  // bit patterns
  int ints[5] = {};
  bool operator==(const StressResult& o) const;
  std::string Describe() const;
};

// The host date of the day'th day after 1 January 2024, and HHMM of minute of day m.
int HostDateOfDay(int day);
int HostTimeOfMinute(int minute);

class StressRunner {
 public:
  // seriesCount series named "<prefix>_<index>", each with its own host double (one chart)
  // and its own five price variables for VQM_F_PrcNorm.
  StressRunner(const Exports& api, const std::string& prefix, int seriesCount);
  StressResult Run(const StressCall& call);

 private:
  struct Series {
    std::string symbol;
    std::unique_ptr<HostDouble> host;
    int prices[5] = {1000, -2500, 0, 77777, 31};
  };
  const Exports& api_;
  std::vector<Series> series_;
};

}  // namespace vqm::test
