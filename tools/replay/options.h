// The command line of vqm-replay.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "runner.h"

namespace vqm::replay {

struct Options {
  std::string barFile;                    // empty: the bundled sample
  std::string library;                    // empty: the library beside the tool
  std::vector<std::string> runners;       // names, in the order given
  bool runnersChosen = false;             // --run was given
  std::string symbol;                     // empty: from the bar file's name
  int divisor = 100;
  int ticks = 0;                          // real-time repeats of the last bar
  std::string out;                        // output prefix; empty: from the bar file's name
  bool quiet = false;
  bool help = false;
  // Parameter values by runner and name, defaults filled in.
  std::map<std::string, std::map<std::string, std::string>> params;
};

// Parses argv. False with a one-line error for an unknown option or a bad value.
bool ParseOptions(int argc, char** argv, const std::vector<std::unique_ptr<Runner>>& runners,
                  Options* options, std::string* error);

std::string Usage(const std::vector<std::unique_ptr<Runner>>& runners);

}  // namespace vqm::replay
