// One indicator or export of the library, replayed over the chart the way a platform script
// calls it: a runner prepares its call (parameters, exports looked up by name, files), then
// makes the script's per-bar call once for every bar in order and once more for every
// real-time tick of the last bar, and writes what the call returned into its columns.
//
// Runners are independent: each replays the whole chart on its own, as one script of the
// chart does, before the next one starts.
#pragma once

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
  const BarSeries* chart = nullptr;
  std::string symbol;   // the chart's symbol as the scripts pass it
  int divisor = 100;    // integer prices are the prices times this
  std::map<std::string, std::string> params;  // every parameter of the runner, by name

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
  // Makes the call for one bar or tick; out has one cell per column.
  virtual void Step(const Call& call, Cell* out) = 0;
  // One line for the summary after the run (without the runner's name).
  virtual std::string Summary() const = 0;
  // Files the run wrote or read, for the summary.
  virtual std::vector<std::string> Files() const { return {}; }
};

// Every runner, in the order of the default run.
std::vector<std::unique_ptr<Runner>> AllRunners();

// "export VQM_X missing from <library>"
std::string MissingExport(const RunContext& context, const char* name);

// The integer price a script passes: the price times the divisor, rounded to the nearest
// whole number; false when it does not fit in an int.
bool ScaledPrice(double price, int divisor, int* out);

}  // namespace vqm::replay
