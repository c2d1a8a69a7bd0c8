#include "indicators/bsp/log_watch.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "frame/log.h"
#include "frame/log_state.h"
#include "frame/settings.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "support/files.h"
#include "support/fresh_log.h"

namespace vqm::test {
namespace {

constexpr const char* kInProcessLog = "C:/Database/VOVOD/logs/20310602/VQM_F1.log";

void ResetLogState() { test::ResetLogWriter(); }

std::string DayLogPath(const platform::CivilTime& t) {
  char path[100];
  snprintf(path, sizeof path, "C:/Database/VOVOD/logs/%04d%02d%02d/VQM_F1.log", t.year, t.month,
           t.day);
  return path;
}

}  // namespace

LogWatch::LogWatch(bool inProcess) : inProcess_(inProcess) {
  if (inProcess_) {
    ResetLogState();
    const std::string dir = FreshTestDirectory("bsp_log");
    test::SetExecutablePath(dir + "/Host.exe");
    ClearPathCaches();
    test::SetClock(
        [] { return test::MakeReading(2031, 6, 2, 10, 20, 30, 456); });
    RemoveFile(kInProcessLog);
    path_ = kInProcessLog;
    return;
  }
  path_ = DayLogPath(platform::Now().local);
  std::string content;
  if (ReadFileBytes(path_, &content)) consumed_ = content.size();
}

LogWatch::~LogWatch() {
  if (!inProcess_) return;
  ResetLogState();
  test::SetClock(nullptr);
  test::SetExecutablePath("");
  ClearPathCaches();
}

std::vector<std::string> LogWatch::NewLines() {
  std::string content;
  ReadFileBytes(path_, &content);
  std::vector<std::string> lines;
  if (content.size() <= consumed_) return lines;
  const std::string fresh = content.substr(consumed_);
  consumed_ = content.size();
  EXPECT_EQ("\r\n", fresh.substr(fresh.size() >= 2 ? fresh.size() - 2 : 0)) << fresh;
  for (size_t start = 0; start < fresh.size();) {
    size_t end = fresh.find("\r\n", start);
    if (end == std::string::npos) end = fresh.size();
    const std::string line = fresh.substr(start, end - start);
    EXPECT_EQ(std::string::npos, line.find('\n')) << line;
    if (line.compare(0, 5, "INIT ") != 0) lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

std::string LogWatch::Line(const char* category, int level, const std::string& text) const {
  char head[40];
  const char mark = level <= 0 ? ' ' : static_cast<char>(level + 96);
  snprintf(head, sizeof head, "%-16.16s|%s%c|", category, inProcess_ ? "10:20:30.456" : "*",
           mark);
  return head + text;
}

std::string Hex(const void* p) {
  char text[20];
  snprintf(text, sizeof text, PTR_FMT, PtrArg(p));
  return text;
}

bool WildcardMatch(const std::string& pattern, const std::string& text) {
  // Classic greedy match with one backtrack point per '*'.
  size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void ExpectLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
  std::string all;
  for (const std::string& line : actual) all += "  " + line + "\n";
  ASSERT_EQ(expected.size(), actual.size()) << all;
  for (size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].find('*') == std::string::npos) {
      EXPECT_EQ(expected[i], actual[i]) << "line " << i;
    } else {
      EXPECT_TRUE(WildcardMatch(expected[i], actual[i]))
          << "line " << i << "\n  expected: " << expected[i] << "\n  actual:   " << actual[i];
    }
  }
}

}  // namespace vqm::test
