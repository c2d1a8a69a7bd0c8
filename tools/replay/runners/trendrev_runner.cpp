// VQM_TrendReversal of the close: the close's position in the ribbon of simple averages and
// the ribbon's width, one call per bar; a tick of the same date and time pushes the close
// into every average again.
#include "frame/exports.h"
#include "runner.h"
#include "tally.h"

namespace vqm::replay {
namespace {

class TrendRevRunner : public Runner {
 public:
  const char* name() const override { return "trendrev"; }
  const char* help() const override { return "VQM_TrendReversal of the close"; }
  std::vector<Param> params() const override {
    return {{"fast", "10", "length of the shortest average", Param::kInt},
            {"slow", "120", "upper bound of the longest average's length", Param::kInt},
            {"widthfactor", "1", "factor on the width output", Param::kFloat},
            {"key1", "1", "first bar-series key", Param::kInt},
            {"key2", "0", "second bar-series key", Param::kInt}};
  }
  std::vector<std::string> columns() const override {
    return {"trendrev_result", "trendrev_position", "trendrev_width"};
  }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_TrendReversal", &fn_, why)) return false;
    symbol_ = c.symbol;
    fast_ = c.Int("fast");
    slow_ = c.Int("slow");
    factor_ = c.Float("widthfactor");
    key1_ = c.Int("key1");
    key2_ = c.Int("key2");
    before1990_ = DatesBefore1990(c);
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    float position = 0, width = 0;
    const int result = fn_(0, symbol_.c_str(), call.bar->hostDate, call.bar->hostTime, key1_,
                           key2_, call.bar->closeF, factor_, fast_, slow_, &position, &width);
    out[0] = Cell::Int(result);
    out[1] = Cell::Float(result < 0 ? NAN : position);
    out[2] = Cell::Float(result < 0 ? NAN : width);
    tally_.Add(result);
    Count(result >= 0);
    if (result >= 0) {
      lastPosition_ = position;
      lastWidth_ = width;
    }
  }

  std::string Summary() const override {
    return "VQM_TrendReversal results " + tally_.Text() + "; last position " +
           FloatText(lastPosition_) + ", width " + FloatText(lastWidth_);
  }
  std::string NothingReason() const override {
    if (fast_ > slow_)
      return "the fast length " + std::to_string(fast_) + " is above the slow length " +
             std::to_string(slow_) + " (--trendrev-fast, --trendrev-slow)";
    if (!before1990_.empty()) return before1990_;
    return "no average of the ribbon takes the lengths " + std::to_string(fast_) + " to " +
           std::to_string(slow_);
  }

 private:
  decltype(&::VQM_TrendReversal) fn_ = nullptr;
  std::string symbol_, before1990_;
  int fast_ = 0, slow_ = 0, key1_ = 0, key2_ = 0;
  float factor_ = 1;
  Tally tally_;
  float lastPosition_ = 0, lastWidth_ = 0;
};

}  // namespace

std::unique_ptr<Runner> MakeTrendRevRunner() { return std::make_unique<TrendRevRunner>(); }

}  // namespace vqm::replay
