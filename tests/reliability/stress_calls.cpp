#include "reliability/stress_calls.h"

#include <cstring>
#include <sstream>

#include "support/float_bits.h"

namespace vqm::test {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

int ExportCallsOf(const StressCall& call) { return call.kind == StressCall::kBsp ? 3 : 1; }

bool StressResult::operator==(const StressResult& o) const {
  return memcmp(status, o.status, sizeof status) == 0 &&
         memcmp(floats, o.floats, sizeof floats) == 0 && memcmp(ints, o.ints, sizeof ints) == 0;
}

std::string StressResult::Describe() const {
  std::ostringstream s;
  s << "status " << status[0] << "," << status[1] << "," << status[2] << " floats" << std::hex;
  for (uint32_t f : floats) s << " " << f;
  s << std::dec << " ints";
  for (int i : ints) s << " " << i;
  return s.str();
}

int HostDateOfDay(int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2024, month = 0;
  for (;;) {
    const int inMonth = kDays[month] + (month == 1 && IsLeap(year) ? 1 : 0);
    if (day < inMonth) break;
    day -= inMonth;
    if (++month == 12) month = 0, ++year;
  }
  return (year - 1900) * 10000 + (month + 1) * 100 + day + 1;
}

int HostTimeOfMinute(int minute) { return minute / 60 * 100 + minute % 60; }

StressRunner::StressRunner(const Exports& api, const std::string& prefix, int seriesCount)
    : api_(api), series_(static_cast<size_t>(seriesCount)) {
  for (int i = 0; i < seriesCount; ++i) {
    Series& s = series_[static_cast<size_t>(i)];
    s.symbol = prefix + "_" + std::to_string(i);
    s.host = std::make_unique<HostDouble>();
    s.host->SetParameters(4, 6, static_cast<float>(1 + i % 4));
  }
}

StressResult StressRunner::Run(const StressCall& c) {
  Series& s = series_[static_cast<size_t>(c.series)];
  const char* symbol = s.symbol.c_str();
  StressResult r;
  switch (c.kind) {
    case StressCall::kRareAvg:
      r.floats[0] =
          FloatBits(api_.VQM_RareAvg(symbol, 10, 0, c.a, c.date, c.time, 60, 0, 1, 1, c.bar));
      break;
    case StressCall::kTrendReversal: {
      float position = 0, width = 0;
      r.status[0] = api_.VQM_TrendReversal(0, symbol, c.date, c.time, 1, 2, c.a, 1.0f, 5, 30,
                                           &position, &width);
      r.floats[0] = FloatBits(position);
      r.floats[1] = FloatBits(width);
      break;
    }
    case StressCall::kGemAdd: {
      int p[5];
      memcpy(p, c.prices, sizeof p);
      r.status[0] =
          api_.VQM_FindGemAdd(0, symbol, c.date, c.time, 100, &p[0], &p[1], &p[2], &p[3], &p[4], 20);
      break;
    }
    case StressCall::kGemCalc: {
      float out[4] = {};
      r.status[0] = api_.VQM_FindGemCalc(0, symbol, c.date, c.time, 0, &out[0], &out[1], &out[2],
                                         &out[3]);
      for (int i = 0; i < 4; ++i) r.floats[i] = FloatBits(out[i]);
      break;
    }
    case StressCall::kBsp: {
      // The script's key text buffer, which VQM_BSP may overwrite with its error text.
      char keyText[512];
      snprintf(keyText, sizeof keyText, "%s", symbol);
      s.host->SetAbsoluteBar(c.bar);
      r.status[0] = api_.VQM_BSP("s", 1, 2, keyText, s.host.get(), 0);
      const int64_t handle = api_.VQM_BSPHandle("s", 1, 2, symbol);
      r.status[1] = handle != 0;
      float pressure = 0;
      r.status[2] = api_.VQM_BSPCalc(reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(handle)), c.a,
                                     c.b, c.style, &pressure);
      r.floats[0] = FloatBits(pressure);
      break;
    }
    case StressCall::kPrcNorm: {
      int* p = s.prices;
      r.status[0] = api_.VQM_F_PrcNorm(c.a, &p[0], &p[1], &p[2], &p[3], &p[4]);
      memcpy(r.ints, p, sizeof r.ints);
      break;
    }
  }
  return r;
}

}  // namespace vqm::test
