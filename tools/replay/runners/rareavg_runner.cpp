// VQM_RareAvg, the adaptive regression average of the close: one call per bar with the bar
// number; a real-time tick repeats the bar number, so it replaces the newest point.
#include <algorithm>
#include <cstdint>

#include "frame/exports.h"
#include "runner.h"
#include "tally.h"

namespace vqm::replay {
namespace {

constexpr float kRareAvgError = 1000000000.0f;

class RareAvgRunner : public Runner {
 public:
  const char* name() const override { return "rareavg"; }
  const char* help() const override { return "VQM_RareAvg of the close"; }
  std::vector<Param> params() const override {
    return {{"regr", "20", "nScopeRegr, the regression length", Param::kInt},
            {"wgt", "0", "nScopeWgt, the smoother length (0 or less: a third or half of regr)",
             Param::kInt},
            {"respfac", "60", "nRespFac, response factor in percent (+100 x repeat count)",
             Param::kInt},
            {"bartype", "1", "bar type (1 or less: intraday; 2 by default for daily bars)",
             Param::kInt},
            {"daycont", "1", "day continuity (0: an intraday series restarts each day)",
             Param::kInt}};
  }
  std::vector<std::string> columns() const override { return {"rareavg", "rareavg_status"}; }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_RareAvg", &fn_, why)) return false;
    symbol_ = c.symbol;
    regr_ = c.Int("regr");
    wgt_ = c.Int("wgt");
    respFac_ = c.Int("respfac");
    // Daily bars are the platform's bar type 2 unless a type is asked for.
    barType_ = c.daily && !c.given.count("bartype") ? 2 : c.Int("bartype");
    dayCont_ = c.Int("daycont");
    // The averages refuse lengths above 1000000: a short average of half the regression
    // length beyond that leaves the export returning 0 through the warm-up, which is every
    // call of any chart shorter than the length: no result.
    refused_ = std::max<int64_t>(1, (int64_t{regr_} - 1) / 2) > 1000000;
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    const float avg = fn_(symbol_.c_str(), regr_, wgt_, call.bar->closeF, call.bar->hostDate,
                          call.bar->hostTime, respFac_, 0, barType_, dayCont_, call.barNumber);
    const bool failed = avg == kRareAvgError;
    out[0] = Cell::Float(failed ? NAN : avg);
    out[1] = Cell::Int(failed ? 1000000000 : 0);
    Count(!failed && !refused_);
    if (!failed) last_ = avg;
  }

  std::string Summary() const override {
    return "VQM_RareAvg: " + std::to_string(calls()) + " calls, " + std::to_string(empties()) +
           " returned 1000000000 (no result), last " + FloatText(last_) + " (bar type " +
           std::to_string(barType_) + ")";
  }
  std::string NothingReason() const override {
    if (refused_)
      return "a length the averages refuse (half of --rareavg-regr " + std::to_string(regr_) +
             " is above 1000000): the export returns 0";
    return "a length the averages refuse or more bars than the file has for their warm-up "
           "(--rareavg-regr " + std::to_string(regr_) + ", --rareavg-wgt " + std::to_string(wgt_) +
           ", bar type " + std::to_string(barType_) + ")";
  }

 private:
  decltype(&::VQM_RareAvg) fn_ = nullptr;
  std::string symbol_;
  int regr_ = 0, wgt_ = 0, respFac_ = 0, barType_ = 0, dayCont_ = 0;
  bool refused_ = false;
  float last_ = 0;
};

}  // namespace

std::unique_ptr<Runner> MakeRareAvgRunner() { return std::make_unique<RareAvgRunner>(); }

}  // namespace vqm::replay
