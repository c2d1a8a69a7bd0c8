// VQM_LoadCol: one column of a file in C:/Database/LoadCol, one line per call from the
// bar's date and time on. Unless a file is named, the run first writes one for the chart in
// a pass of its own over the bar file, "<symbol>_replay.csv" with the header
// Date,Time,Typical and, per bar, YYYYMMDD, HHMM and the typical price
// (high + low + close) / 3, so column 3 follows the chart.
#include <cstdio>
#include <cstring>

#include "frame/exports.h"
#include "base/paths.h"
#include "platform/platform.h"
#include "runner.h"
#include "tally.h"

namespace vqm::replay {
namespace {

constexpr const char* kDirectory = "C:/Database/LoadCol";

class LoadColRunner : public Runner {
 public:
  const char* name() const override { return "loadcol"; }
  const char* help() const override { return "VQM_LoadCol of a column file"; }
  std::vector<Param> params() const override {
    return {{"file", "", "file name in C:/Database/LoadCol (default: one written for the chart)",
             Param::kText},
            {"column", "3", "column number, from 1", Param::kInt}};
  }
  std::vector<std::string> columns() const override { return {"loadcol_result", "loadcol_value"}; }

  bool Begin(const RunContext& c, std::string* why) override {
    if (!FindExport(c, "VQM_LoadCol", &fn_, why)) return false;
    fileName_ = c.Text("file");
    if (fileName_.empty()) {
      fileName_ = c.symbol + "_replay.csv";
      const std::string path = std::string(kDirectory) + "/" + fileName_;
      MakeDirectoryPath(kDirectory, 0);
      file_ = platform::OpenFile(path.c_str(), "wb");
      if (file_ == nullptr) {
        *why = "cannot write the column file " + platform::NativePath(path.c_str());
        return false;
      }
      fputs("Date,Time,Typical\r\n", file_);
    }
    memset(block_, 0, sizeof block_);
    Put(11, static_cast<float>(c.Int("column")));
    return true;
  }
  ~LoadColRunner() override {
    if (file_ != nullptr) fclose(file_);
  }

  bool NeedsBarsFirst() const override { return file_ != nullptr; }
  void Prepare(const Bar& b) override {
    fprintf(file_, "%08d,%04d,%.4f\r\n", CalendarDate(b.hostDate), b.hostTime,
            (b.high + b.low + b.close) / 3);
  }
  bool Prepared(std::string* why) override {
    const bool ok = ferror(file_) == 0 && fclose(file_) == 0;
    file_ = nullptr;
    if (!ok) *why = "cannot write the column file " + Files()[0];
    return ok;
  }

  void Step(const Call& call, Cell* out) override {
    Put(0, static_cast<float>(call.bar->hostDate));
    Put(1, static_cast<float>(call.bar->hostTime));
    Put(7, static_cast<float>(call.barNumber));
    char errorText[1200] = {};
    const int result = fn_(fileName_.c_str(), block_, errorText);
    out[0] = Cell::Int(result);
    if (result > 0) {
      float value;
      memcpy(&value, block_[12].bytes, sizeof value);
      out[1] = Cell::Float(value);
    }
    tally_.Add(result > 0 ? 1 : result);
    if (errorText[0] != 0 && error_.empty()) error_ = errorText;
    Count(result > 0);
  }
  std::string NothingReason() const override {
    return error_.empty() ? "no line of " + Files()[0] + " is dated at or after the bars" : error_;
  }

  std::string Summary() const override {
    std::string s = "VQM_LoadCol results (1: a line read) " + tally_.Text();
    if (!error_.empty()) s += "; error text: " + error_;
    return s;
  }
  std::vector<std::string> Files() const override {
    return {platform::NativePath((std::string(kDirectory) + "/" + fileName_).c_str())};
  }

 private:
  void Put(int slot, float value) { memcpy(block_[slot].bytes, &value, sizeof value); }

  decltype(&::VQM_LoadCol) fn_ = nullptr;
  ValueBlock block_[16];
  std::string fileName_;
  FILE* file_ = nullptr;  // the column file while the chart's bars are written into it
  Tally tally_;
  std::string error_;
};

}  // namespace

std::unique_ptr<Runner> MakeLoadColRunner() { return std::make_unique<LoadColRunner>(); }

}  // namespace vqm::replay
