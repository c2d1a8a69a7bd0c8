// The bar exports with separate arguments, VQM_SaveDataToCsv and VQM_SaveDataToTxt: one
// row per call into the symbol's file in the CSV directory beside the host program (the
// replay's output directory). A tick of the last bar writes its row again, as a script's
// tick does; daily bars are passed without a time of day (-1).
#include "base/lock_rule.h"
#include "base/settings.h"
#include "frame/exports.h"
#include "runner.h"
#include "runners/int_prices.h"
#include "tally.h"

namespace vqm::replay {
namespace {

using SaveFn = decltype(&::VQM_SaveDataToCsv);
static_assert(std::is_same_v<SaveFn, decltype(&::VQM_SaveDataToTxt)>);

// The file the export writes for a symbol: "<base directory>/../CSV/<symbol><extension>".
std::string BarExportPath(const std::string& symbol, const char* extension) {
  char base[1000] = {};
  {
    ExportLock lock;
    GetBaseDir(base);
  }
  return std::string(base) + "/../CSV/" + symbol + extension;
}

class BarExportRunner : public Runner {
 public:
  BarExportRunner(const char* name, const char* exportName, const char* extension,
                  Param flag)
      : name_(name), exportName_(exportName), extension_(extension), flag_(std::move(flag)) {}

  const char* name() const override { return name_; }
  const char* help() const override { return exportName_; }
  std::vector<Param> params() const override { return {flag_}; }
  std::vector<std::string> columns() const override { return {std::string(name_) + "_result"}; }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, exportName_, &fn_, why)) return false;
    symbol_ = c.symbol;
    daily_ = c.daily;
    divisor_ = c.divisor;
    flag_value_ = c.Int(flag_.name);
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    IntPrices p;
    if (!ToIntPrices(*call.bar, divisor_, &p)) {
      if (tooLarge_.empty()) tooLarge_ = PriceTooLarge(*call.bar, divisor_);
      Count(false);
      return;
    }
    const int result = fn_(0, symbol_.c_str(), call.bar->hostDate, daily_ ? -1 : call.bar->hostTime,
                           divisor_, &p.open, &p.high, &p.low, &p.close, &p.volume, flag_value_);
    out[0] = Cell::Int(result);
    last_ = result;
    if (result < 0) tally_.Add(result);
    Count(result > 0);
  }

  std::string Summary() const override {
    std::string s = std::string(exportName_) + " last result " + std::to_string(last_);
    return s + (tally_.Text() == "no calls" ? "" : "; failures " + tally_.Text());
  }
  std::vector<std::string> Files() const override { return {BarExportPath(symbol_, extension_)}; }
  std::string NothingReason() const override {
    return !tooLarge_.empty() ? tooLarge_ : "the file " + BarExportPath(symbol_, extension_) + " cannot be written";
  }

 private:
  const char* name_;
  const char* exportName_;
  const char* extension_;
  Param flag_;
  SaveFn fn_ = nullptr;
  std::string symbol_;
  int divisor_ = 100, flag_value_ = 0, last_ = 0;
  bool daily_ = false;
  std::string tooLarge_;
  Tally tally_;
};

}  // namespace

std::string CsvExportPath(const std::string& symbol) { return BarExportPath(symbol, ".csv"); }

std::unique_ptr<Runner> MakeSaveCsvRunner() {
  return std::make_unique<BarExportRunner>(
      "savecsv", "VQM_SaveDataToCsv", ".csv",
      Param{"append", "0", "append flag (non-zero: never truncate the file)", Param::kInt});
}

std::unique_ptr<Runner> MakeSaveTxtRunner() {
  return std::make_unique<BarExportRunner>(
      "savetxt", "VQM_SaveDataToTxt", ".txt",
      Param{"closeonly", "0", "close-only flag (non-zero: date, time, close, volume)",
            Param::kInt});
}

}  // namespace vqm::replay
