// The command line of vqm-replay.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "bars.h"
#include "runner.h"

namespace vqm::replay {

// The indicators a run makes by default; the file exports run only when asked for.
extern const char* const kIndicators[5];

struct Options {
  std::string barFile;                    // empty: the bundled sample; "-": standard input
  std::string library;                    // empty: the library beside the tool
  std::vector<std::string> runners;       // names, in the order given
  bool runnersChosen = false;             // --run was given
  std::string symbol;                     // empty: from the bar file's name
  int divisor = 100;
  int ticks = 0;                          // real-time repeats of the last bar
  std::string out;                        // output directory or .csv file; empty: the default
  ReadOptions read;                       // --delimiter, --date-format
  long long from = 0, to = 0;             // chart window as YYYYMMDDHHMM; 0: open
  bool chart = true;                      // false: --no-chart
  bool log = false;                       // --log: the library writes its log
  bool quiet = false;
  bool help = false;
  bool version = false;
  // Parameter values by runner and name, defaults filled in, and those given.
  std::map<std::string, std::map<std::string, std::string>> params;
  std::map<std::string, std::map<std::string, bool>> given;
};

// Parses argv. False with a one-line error for an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, const std::vector<std::unique_ptr<Runner>>& runners,
                  Options* options, std::string* error);

std::string Usage(const std::vector<std::unique_ptr<Runner>>& runners);

}  // namespace vqm::replay
