// Counts of the result codes a runner's calls returned, for its summary line.
#pragma once

#include <map>
#include <string>

namespace vqm::replay {

class Tally {
 public:
  void Add(int result) { ++counts_[result]; }
  // "0 x4000, 1 x120" in ascending order of the result.
  std::string Text() const;

 private:
  std::map<int, int> counts_;
};

// A float as the CSV and the summary print it: the shortest text that reads back as the
// same float, the same on every platform.
std::string FloatText(float value);

}  // namespace vqm::replay
