// Shared set-up of the date-time tests: a stopped clock, fixed time-zone settings and a fresh
// log whose "DateTime" lines the tests read back.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "datetime/date_time.h"
#include "frame/log_state.h"
#include "frame/settings.h"
#include "testing/clock_reading.h"
#include "testing/fake_env.h"
#include "support/files.h"
#include "support/fresh_log.h"

namespace vqm::test {

// A value set field by field, without going through the code under test.
inline DateTime MakeDateTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  DateTime v;
  v.year = static_cast<uint8_t>(y - 1900);
  v.month = static_cast<uint8_t>(mo);
  v.day = static_cast<uint8_t>(d);
  v.hour = static_cast<uint8_t>(h);
  v.minute = static_cast<uint8_t>(mi);
  v.second = static_cast<uint8_t>(s);
  return v;
}

// "YYYY-MM-DD hh:mm:ss" of the raw fields, for readable comparisons.
inline std::string Fields(const DateTime& v) {
  char buf[64];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", v.GetYear(), v.month, v.day,
           v.hour, v.minute, v.second);
  return buf;
}

class DateTimeTest : public ::testing::Test {
 protected:
  // The stopped clock: local 2032-07-09 10:11:12.345 at UTC+2, so UTC 08:11:12; the
  // machine's zone is in summer time (Bias -60, ActiveTimeBias -120).
  static constexpr const char* kLogPath = "C:/Database/VOVOD/logs/20320709/VQM_F1.log";

  void SetUp() override {
    ResetLog();
    test::SetExecutablePath(FreshTestDirectory("datetime") + "/Host.exe");
    ClearPathCaches();
    RemoveFile(kLogPath);
    StopClock(2032, 7, 9, 10, 11, 12, 7200);
    SetBiases(true, true, true, -60, -120);
  }
  void TearDown() override {
    ResetLog();
    test::SetClock(nullptr);
    test::SetTimeZoneBiases(nullptr);
    test::SetExecutablePath("");
    ClearPathCaches();
  }

  static void StopClock(int y, int mo, int d, int h, int mi, int s, int utcOffsetSeconds) {
    test::SetClock([=] {
      return test::MakeReading(y, mo, d, h, mi, s, 345, utcOffsetSeconds);
    });
  }
  static void SetBiases(bool keyOpened, bool hasBias, bool hasActiveBias, int bias,
                        int activeTimeBias) {
    platform::TimeZoneBiases b;
    b.keyOpened = keyOpened;
    b.hasBias = hasBias;
    b.hasActiveBias = hasActiveBias;
    b.bias = bias;
    b.activeTimeBias = activeTimeBias;
    test::SetTimeZoneBiases([=] { return b; });
  }

  // The messages of the "DateTime" lines written so far, each as "<level mark>|<message>",
  // one per line.
  static std::string DateTimeLogMessages() {
    std::string log;
    ReadFileBytes(kLogPath, &log);
    std::istringstream lines(log);
    std::string line;
    std::string messages;
    const std::string prefix = "DateTime        |10:11:12.345";
    while (std::getline(lines, line))
      if (line.compare(0, prefix.size(), prefix) == 0) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        messages += line.substr(prefix.size()) + "\n";
      }
    return messages;
  }

 private:
  static void ResetLog() { test::ResetLogWriter(); }
};

}  // namespace vqm::test
