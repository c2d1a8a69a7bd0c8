// The log lines an export writes, seen from a test, for either backend.
//
// In process, the log starts afresh as at the process's first call: settings of a fresh
// host, the clock stopped at 2031-06-02 10:20:30.456; lines compare byte for byte. The
// loaded library keeps its own log (its day's file, its real clock): lines are watched
// from the file's current end, and the time prefix is matched by a wildcard.
#pragma once

#include <string>
#include <vector>

namespace vqm::test {

class LogWatch {
 public:
  explicit LogWatch(bool inProcess);
  ~LogWatch();
  LogWatch(const LogWatch&) = delete;
  LogWatch& operator=(const LogWatch&) = delete;

  // The lines written since the last call, INIT lines left out, each without its CR LF.
  std::vector<std::string> NewLines();

  // The expected line: exact in process; '*' stands for the time for the loaded library.
  std::string Line(const char* category, int level, const std::string& text) const;
  // A value only known in process (the manager's address, an index): exact there, '*'
  // for the loaded library.
  std::string Known(const std::string& value) const { return inProcess_ ? value : "*"; }

 private:
  bool inProcess_;
  std::string path_;
  size_t consumed_ = 0;
};

// Pointers as the log prints them: 16 upper-case hex digits.
std::string Hex(const void* p);

// True when text matches pattern, '*' matching any run of characters.
bool WildcardMatch(const std::string& pattern, const std::string& text);

// Each actual line matches the expected one at its place, and there are as many.
void ExpectLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual);

}  // namespace vqm::test
