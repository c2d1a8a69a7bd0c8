// VQM_SaveDataToCsv2: the bar handed over in a value block with the layout options. It
// shares its row counter with VQM_SaveDataToCsv, so it writes under a symbol of its own
// ("<symbol>_CSV2") to keep the two files apart.
#include <cstring>

#include "frame/exports.h"
#include "runner.h"
#include "tally.h"

namespace vqm::replay {

std::string CsvExportPath(const std::string& symbol);

namespace {

class SaveCsv2Runner : public Runner {
 public:
  const char* name() const override { return "savecsv2"; }
  const char* help() const override { return "VQM_SaveDataToCsv2 through a value block"; }
  std::vector<Param> params() const override {
    return {{"layout", "0", "slot 15: 0 MM/DD/YYYY and HH:MM, 1 YYYYMMDD and HHMMSS, 2 one volume",
             Param::kInt},
            {"timecol", "1", "slot 13: write the Time column", Param::kInt},
            {"symcol", "1", "slot 14: write the Symbol column", Param::kInt},
            {"append", "0", "slot 12: keep an existing file", Param::kInt}};
  }
  std::vector<std::string> columns() const override { return {"savecsv2_result"}; }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_SaveDataToCsv2", &fn_, why)) return false;
    symbol_ = c.symbol + "_CSV2";
    tickVolumes_ = c.hasTickVolumes;
    memset(block_, 0, sizeof block_);
    Put(12, static_cast<float>(c.Int("append")));
    Put(13, static_cast<float>(c.Int("timecol")));
    Put(14, static_cast<float>(c.Int("symcol")));
    Put(15, static_cast<float>(c.Int("layout")));
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    const Bar& b = *call.bar;
    Put(0, static_cast<float>(b.hostDate));
    Put(1, static_cast<float>(b.hostTime));
    Put(2, b.openF);
    Put(3, b.highF);
    Put(4, b.lowF);
    Put(5, b.closeF);
    // Without tick volumes the whole volume goes in the up-tick slot.
    Put(6, tickVolumes_ ? b.upVolume : static_cast<float>(b.volume));
    Put(11, tickVolumes_ ? b.downVolume : 0.0f);
    char errorText[64] = {};
    const int result = fn_(symbol_.c_str(), block_, errorText);
    out[0] = Cell::Int(result);
    last_ = result;
    if (result < 0) tally_.Add(result);
    if (errorText[0] != 0 && error_.empty()) error_ = errorText;
    Count(result > 0);
  }
  std::string NothingReason() const override {
    return error_.empty() ? "the file " + CsvExportPath(symbol_) + " cannot be written" : error_;
  }

  std::string Summary() const override {
    std::string s = "VQM_SaveDataToCsv2 last result " + std::to_string(last_);
    if (tally_.Text() != "no calls") s += "; failures " + tally_.Text();
    if (!error_.empty()) s += "; error text: " + error_;
    return s;
  }
  std::vector<std::string> Files() const override { return {CsvExportPath(symbol_)}; }

 private:
  void Put(int slot, float value) { memcpy(block_[slot].bytes, &value, sizeof value); }

  decltype(&::VQM_SaveDataToCsv2) fn_ = nullptr;
  ValueBlock block_[16];
  std::string symbol_;
  bool tickVolumes_ = false;
  int last_ = 0;
  Tally tally_;
  std::string error_;
};

}  // namespace

std::unique_ptr<Runner> MakeSaveCsv2Runner() { return std::make_unique<SaveCsv2Runner>(); }

}  // namespace vqm::replay
