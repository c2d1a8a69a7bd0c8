// Buy/sell pressure as a script computes it, two calls per bar: VQM_BSP binds the chart's
// instance to the script (the replay's host object plays the script: its arrBSP holds
// AvgLen, VolLen and Style, its bar number follows the replay), then VQM_BSPHandle and
// VQM_BSPCalc compute the bar's pressure from its up-tick and down-tick volumes.
//
// The host object is the one the library's tests use in place of the platform's.
#include <cstring>

#include "frame/exports.h"
#include "testing/host_double.h"
#include "runner.h"
#include "tally.h"

namespace vqm::replay {
namespace {

constexpr size_t kKeyTextSize = 2048;  // room for the key and the longest error text

class BspRunner : public Runner {
 public:
  const char* name() const override { return "bsp"; }
  const char* help() const override {
    return "VQM_BSP, VQM_BSPHandle and VQM_BSPCalc on the up-tick and down-tick volumes";
  }
  std::vector<Param> params() const override {
    return {{"avglen", "10", "AvgLen in arrBSP[2]", Param::kInt},
            {"vollen", "20", "VolLen in arrBSP[3]", Param::kInt},
            {"style", "1", "Style in arrBSP[4], passed to VQM_BSPCalc", Param::kInt}};
  }
  std::vector<std::string> columns() const override { return {"bsp_result", "bsp_pressure"}; }

  bool Begin(const RunContext& c, std::string* why) override {
    bsp_ = c.library->Find<decltype(&::VQM_BSP)>("VQM_BSP");
    handle_ = c.library->Find<decltype(&::VQM_BSPHandle)>("VQM_BSPHandle");
    calc_ = c.library->Find<decltype(&::VQM_BSPCalc)>("VQM_BSPCalc");
    const char* missing = bsp_ == nullptr      ? "VQM_BSP"
                          : handle_ == nullptr ? "VQM_BSPHandle"
                          : calc_ == nullptr   ? "VQM_BSPCalc"
                                               : nullptr;
    if (missing != nullptr) {
      *why = MissingExport(c, missing);
      return false;
    }
    if (!c.chart->hasTickVolumes) {
      *why = "the bar file has no up-tick and down-tick volumes";
      return false;
    }
    keyText_ = c.symbol;
    style_ = c.Int("style");
    host_.maxBarsBack = 1;
    host_.SetParameters(static_cast<float>(c.Int("avglen")), static_cast<float>(c.Int("vollen")),
                        static_cast<float>(style_));
    return true;
  }

  void Step(const Call& call, Cell* out) override {
    host_.SetAbsoluteBar(call.barNumber);
    host_.dataStreams.clear();  // the double's record of selectors; nothing reads it here
    // The script sets its key text again before every call: a failure overwrites it.
    char keyText[kKeyTextSize] = {};
    strncpy(keyText, keyText_.c_str(), kKeyTextSize - 1);
    const int result = bsp_(kSubKey, 1, 0, keyText, &host_, 0);
    out[0] = Cell::Int(result);
    tally_.Add(result);
    if (result != 0) {
      if (firstError_.empty())
        firstError_ = "bar " + std::to_string(call.barNumber) + ": " + keyText;
      return;
    }
    strncpy(keyText, keyText_.c_str(), kKeyTextSize - 1);
    const int64_t handle = handle_(kSubKey, 1, 0, keyText);
    if (handle == 0) return;
    float pressure = 0;
    calc_(reinterpret_cast<CBSPSet*>(handle), call.bar->upVolume, call.bar->downVolume, style_,
          &pressure);
    out[1] = Cell::Float(pressure);
    last_ = pressure;
  }

  std::string Summary() const override {
    std::string s = "VQM_BSP results " + tally_.Text() + "; last pressure " + FloatText(last_);
    if (!firstError_.empty()) s += "; first error on " + firstError_;
    return s;
  }

 private:
  static constexpr const char* kSubKey = "BSP";
  decltype(&::VQM_BSP) bsp_ = nullptr;
  decltype(&::VQM_BSPHandle) handle_ = nullptr;
  decltype(&::VQM_BSPCalc) calc_ = nullptr;
  test::HostDouble host_;
  std::string keyText_;
  int style_ = 1;
  Tally tally_;
  float last_ = 0;
  std::string firstError_;
};

}  // namespace

std::unique_ptr<Runner> MakeBspRunner() { return std::make_unique<BspRunner>(); }

}  // namespace vqm::replay
