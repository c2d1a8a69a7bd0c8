// VQM_F_PrcNorm: the bar's integer prices and volume rescaled in place by a factor.
#include "frame/exports.h"
#include "runner.h"
#include "runners/int_prices.h"
#include "tally.h"

namespace vqm::replay {
namespace {

class PrcNormRunner : public Runner {
 public:
  const char* name() const override { return "prcnorm"; }
  const char* help() const override { return "VQM_F_PrcNorm of the integer prices and volume"; }
  std::vector<Param> params() const override {
    return {{"factor", "0.5", "the factor applied to the five values", Param::kFloat}};
  }
  std::vector<std::string> columns() const override {
    return {"prcnorm_result", "prcnorm_open", "prcnorm_high", "prcnorm_low", "prcnorm_close",
            "prcnorm_volume"};
  }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_F_PrcNorm", &fn_, why)) return false;
    divisor_ = c.divisor;
    factor_ = c.Float("factor");
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    IntPrices p;
    if (!ToIntPrices(*call.bar, divisor_, &p)) {
      if (tooLarge_.empty()) tooLarge_ = PriceTooLarge(*call.bar, divisor_);
      Count(false);
      return;
    }
    const int result = fn_(factor_, &p.open, &p.high, &p.low, &p.close, &p.volume);
    out[0] = Cell::Int(result);
    out[1] = Cell::Int(p.open);
    out[2] = Cell::Int(p.high);
    out[3] = Cell::Int(p.low);
    out[4] = Cell::Int(p.close);
    out[5] = Cell::Int(p.volume);
    tally_.Add(result);
    Count(true);
    lastClose_ = p.close;
  }

  std::string Summary() const override {
    return "VQM_F_PrcNorm results " + tally_.Text() + "; last close " + std::to_string(lastClose_);
  }
  std::string NothingReason() const override { return tooLarge_; }

 private:
  decltype(&::VQM_F_PrcNorm) fn_ = nullptr;
  int divisor_ = 100;
  float factor_ = 1;
  Tally tally_;
  int lastClose_ = 0;
  std::string tooLarge_;
};

}  // namespace

std::unique_ptr<Runner> MakePrcNormRunner() { return std::make_unique<PrcNormRunner>(); }

}  // namespace vqm::replay
