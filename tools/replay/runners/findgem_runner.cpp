// The pattern search: VQM_FindGemAdd stores each bar, then VQM_FindGemCalc measures, for
// that same bar, the excursions since the bar a scope earlier.
#include "frame/exports.h"
#include "runner.h"
#include "runners/int_prices.h"
#include "tally.h"

namespace vqm::replay {
namespace {

class FindGemRunner : public Runner {
 public:
  const char* name() const override { return "findgem"; }
  const char* help() const override { return "VQM_FindGemAdd, then VQM_FindGemCalc for the bar"; }
  std::vector<Param> params() const override {
    return {{"mode", "20",
             "mode: scope in the last three digits, +1000 for ten-thousandths, negative "
             "to measure across days (-20 by default for daily bars)",
             Param::kInt}};
  }
  std::vector<std::string> columns() const override {
    return {"findgem_add",           "findgem_calc",          "findgem_fall_below_low",
            "findgem_rise_above_low", "findgem_rise_above_high", "findgem_fall_below_high"};
  }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_FindGemAdd", &add_, why) ||
        !FindExport(c, "VQM_FindGemCalc", &calc_, why))
      return false;
    symbol_ = c.symbol;
    divisor_ = c.divisor;
    // Daily bars have one bar a day: their excursions are measured across days.
    mode_ = c.daily && !c.given.count("mode") ? -20 : c.Int("mode");
    before1990_ = DatesBefore1990(c);
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    IntPrices p;
    if (!ToIntPrices(*call.bar, divisor_, &p)) {
      if (tooLarge_.empty()) tooLarge_ = PriceTooLarge(*call.bar, divisor_);
      Count(false);
      return;
    }
    const int bars = add_(0, symbol_.c_str(), call.bar->hostDate, call.bar->hostTime, divisor_,
                          &p.open, &p.high, &p.low, &p.close, &p.volume, mode_);
    float v[4] = {0, 0, 0, 0};
    const int result =
        calc_(0, symbol_.c_str(), call.bar->hostDate, call.bar->hostTime, 0, &v[0], &v[1], &v[2], &v[3]);
    out[0] = Cell::Int(bars);
    out[1] = Cell::Int(result);
    for (int k = 0; k < 4; ++k) out[2 + k] = Cell::Float(result < 0 ? NAN : v[k]);
    if (bars > 0) lastBars_ = bars;
    tally_.Add(result);
    Count(result >= 0);
  }

  std::string Summary() const override {
    return "VQM_FindGemAdd holds " + std::to_string(lastBars_) + " bars; VQM_FindGemCalc results " +
           tally_.Text();
  }
  std::string NothingReason() const override {
    if (!tooLarge_.empty()) return tooLarge_;
    if (!before1990_.empty()) return before1990_;
    return "fewer bars than the scope of mode " + std::to_string(mode_) + " precede the bars";
  }

 private:
  decltype(&::VQM_FindGemAdd) add_ = nullptr;
  decltype(&::VQM_FindGemCalc) calc_ = nullptr;
  std::string symbol_, before1990_, tooLarge_;
  int divisor_ = 100, mode_ = 20;
  int lastBars_ = 0;
  Tally tally_;
};

}  // namespace

std::unique_ptr<Runner> MakeFindGemRunner() { return std::make_unique<FindGemRunner>(); }

}  // namespace vqm::replay
