// One indicator or export of the library, replayed over the chart the way a platform script
// calls it: a runner prepares its call (parameters, exports looked up by name, files), then
// makes the script's per-bar call once for every bar in order and once more for every
// real-time tick of the last bar, and writes what the call returned into its columns.
//
// Runners are independent: each replays the whole chart on its own, as one script of the
// chart does, before the next one starts.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bars.h"
#include "testing/library.h"

namespace vqm::replay {

using test::Library;

// One output of a call: nothing (the call made no such output), an int or a float.
struct Cell {
  enum Kind : uint8_t { kEmpty, kInt, kFloat };
  Kind kind = kEmpty;
  union {
    int32_t i;
    float f;
  };
  Cell() : i(0) {}
  static Cell Int(int32_t v) {
    Cell c;
    c.kind = kInt;
    c.i = v;
    return c;
  }
  // NaN: no result, written as an empty field.
  static Cell Float(float v) {
    Cell c;
    c.kind = kFloat;
    c.f = v;
    return c;
  }
};

// A parameter the command line may set as --<runner>-<name>=VALUE.
struct Param {
  std::string name;
  std::string defaultValue;
  std::string help;
  enum Kind { kInt, kFloat, kText } kind = kInt;
};

// What a runner receives for its run.
struct RunContext {
  const Library* library = nullptr;
  std::string symbol;   // the chart's symbol as the scripts pass it
  int divisor = 100;    // integer prices are the prices times this
  bool hasTickVolumes = false;  // the bar file has up-tick and down-tick volumes
  bool daily = false;           // the bar file has no times of day
  int firstDate = 0;            // host date of the first bar
  std::map<std::string, std::string> params;  // every parameter of the runner, by name
  std::map<std::string, bool> given;          // the parameters set on the command line

  int Int(const std::string& name) const;
  float Float(const std::string& name) const;
  const std::string& Text(const std::string& name) const;
};

// One call of the replay: the bar, its number (from 1) and the tick (0 for the bar's own
// call, 1 and up for the real-time repeats of the last bar).
struct Call {
  const Bar* bar;
  int barNumber;
  int tick;
};

class Runner {
 public:
  virtual ~Runner() = default;
  virtual const char* name() const = 0;
  virtual const char* help() const = 0;
  virtual std::vector<Param> params() const { return {}; }
  virtual std::vector<std::string> columns() const = 0;

  // Looks up the exports and prepares files; false with the reason when it cannot run
  // (an export missing from the library, the chart lacking what it needs).
  virtual bool Begin(const RunContext& context, std::string* why) = 0;
  // A runner that needs every bar before its first call (to write a file the export
  // reads) sees them here, after Begin, in a pass of its own over the bar file.
  virtual bool NeedsBarsFirst() const { return false; }
  virtual void Prepare(const Bar&) {}
  virtual bool Prepared(std::string*) { return true; }
  // Makes the call for one bar or tick; out has one cell per column.
  virtual void Step(const Call& call, Cell* out) = 0;
  // One line for the summary after the run (without the runner's name).
  virtual std::string Summary() const = 0;
  // Files the run wrote or read, for the summary.
  virtual std::vector<std::string> Files() const { return {}; }
  // Why the calls gave no result, for the warning after a run that gave (nearly) nothing.
  virtual std::string NothingReason() const = 0;

  int calls() const { return calls_; }
  int empties() const { return empties_; }

 protected:
  void Count(bool gaveResult) {
    ++calls_;
    empties_ += gaveResult ? 0 : 1;
  }

 private:
  int calls_ = 0, empties_ = 0;
};

// Looks up an export by name into fn; false with "export X missing from <library>".
template <class Fn>
bool FindExport(const RunContext& context, const char* name, Fn* fn, std::string* why);

// Every runner, in the order of the default run.
std::vector<std::unique_ptr<Runner>> AllRunners();

// "export VQM_X missing from <library>"
std::string MissingExport(const RunContext& context, const char* name);

template <class Fn>
bool FindExport(const RunContext& context, const char* name, Fn* fn, std::string* why) {
  *fn = context.library->Find<Fn>(name);
  if (*fn != nullptr) return true;
  *why = MissingExport(context, name);
  return false;
}

// "before 1990" when the first bar is dated before 1990 (the indicators that refuse such
// dates), otherwise empty.
std::string DatesBefore1990(const RunContext& context);

// The integer price a script passes: the price times the divisor, rounded to the nearest
// whole number; false when it does not fit in an int.
bool ScaledPrice(double price, int divisor, int* out);

}  // namespace vqm::replay
