// Every file-writing export under injected faults: the Nth open, write, close, rename,
// directory creation or allocation of one call fails, for N = 1, 2, ... until a call gets
// through without a fault. After each faulty call: no success result unless the data is
// whole in its file, no partial line in any file, the quote and settings files old or new;
// and a normal call afterwards works and writes whole lines.
//
// The faults are injected at the platform layer of the library linked into this program, so
// these tests run in process, on each platform's own layer.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frame/exports.h"
#include "base/lock_rule.h"
#include "base/log.h"
#include "base/log_state.h"
#include "base/paths.h"
#include "base/settings.h"
#include "base/text.h"
#include "frame/value_block.h"
#include "support/files.h"
#include "support/fresh_log.h"
#include "testing/failing_allocation.h"
#include "testing/fake_env.h"
#include "testing/fault_env.h"

namespace vqm {
namespace {

using test::ReadFileBytes;

constexpr const char* kCsvDir = "C:/vqmtest/faulthost/CSV";
constexpr const char* kQuote = "C:/Database/RTPM/Quotes/FLT.txt";
constexpr const char* kMultipliers = "C:/Database/RTPM/Multi.ini";

std::string Content(const std::string& path) {
  std::string s;
  return ReadFileBytes(path, &s) ? s : std::string("<missing>");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  if (at < text.size()) lines.push_back("<partial>" + text.substr(at));
  return lines;
}

// A file of whole lines, each one of `allowed`; "" when so, else what is wrong.
std::string WholeLinesOf(const std::string& text, const std::vector<std::string>& allowed) {
  for (const std::string& line : Lines(text)) {
    bool known = false;
    for (const std::string& a : allowed) known = known || line == a;
    if (!known) return "unexpected line '" + line + "'";
  }
  return "";
}

int SaveCsv(const char* symbol) {
  int o = 512325, h = 512450, l = 512275, c = 512400, v = 1200;
  return VQM_SaveDataToCsv(0, symbol, 1240315, 930, 100, &o, &h, &l, &c, &v, 0);
}
int SaveTxt(const char* symbol) {
  int o = 512325, h = 512450, l = 512275, c = 512400, v = 1200;
  return VQM_SaveDataToTxt(0, symbol, 1240315, 930, 100, &o, &h, &l, &c, &v, 1);
}
int SaveCsv2(const char* symbol) {
  ValueBlock block[16];  // on the stack: only the export's allocations are counted
  const float slots[16] = {1240315, 930, 5123.25f, 5124.5f, 5122.75f, 5124, 150, 0, 0, 0, 0,
                           90,      0,   1,        1,       0};
  for (int i = 0; i < 16; ++i) WriteSlot(block, i, slots[i]);
  char errorText[64] = "";
  return VQM_SaveDataToCsv2(symbol, block, errorText);
}

std::string MultiplierOf(const char* key) {
  ExportLock lock;  // the library's own settings reader, run as an export runs it
  char value[100];
  ReadIniString("Multiplier", key, "<none>", value, sizeof value, kMultipliers);
  return value;
}

// One write path: how to set it up, make the call, and judge the files afterwards.
struct WritePath {
  const char* name;
  std::function<void()> prepare;  // runs before the faulty call, without faults
  std::function<int()> call;
  // "" when the files are as they may be after the call with this result, else the fault.
  std::function<std::string(int result)> check;
};

constexpr const char* kCsvHeader = "\"Symbol\",Date,Time,Open,High,Low,Close,Volume";
constexpr const char* kCsvRow = "\"FLT\",20240315,093000,5123.2500,5124.5000,5122.7500,5124.0000,1200";
constexpr const char* kTxtHeader = "\"Date\",\"Time\",\"Close\",\"Volume\"";
constexpr const char* kTxtRow = "3/15/2024,09:30:00,5124.0000,1200";
constexpr const char* kCsv2Header = "\"Symbol\",Date,Time,Open,High,Low,Close,VolUp,VolDn,";
constexpr const char* kCsv2Row = "\"FLT\",03/15/2024,09:30,5123.25,5124.50,5122.75,5124.00,150,90";

// A bar file after a call: whole lines only; a success result means the new row is the last
// line and the file starts with its header.
std::string CheckBarFile(const std::string& path, const char* header, const char* row,
                         int rowsBefore, int result) {
  const std::string text = Content(path);
  const std::string fault = WholeLinesOf(text == "<missing>" ? "" : text, {header, row});
  if (!fault.empty()) return fault;
  const std::vector<std::string> lines = Lines(text == "<missing>" ? "" : text);
  const int rows = static_cast<int>(lines.size()) - (lines.empty() ? 0 : 1);
  if (result > 0) {
    if (lines.empty() || lines.front() != header) return "success without a header";
    if (rows != rowsBefore + 1) return "success without the row";
  } else if (rows != rowsBefore && !(rowsBefore == 0 && rows == 0)) {
    return "a failed call left " + std::to_string(rows - rowsBefore) + " new rows";
  }
  return "";
}

std::vector<WritePath> WritePaths() {
  const std::string csv = std::string(kCsvDir) + "/FLT.csv";
  const std::string txt = std::string(kCsvDir) + "/FLT.txt";
  // A first row: the symbol changes, so the run starts again and the file is new.
  auto firstRow = [](const std::string& path) {
    return [path] {
      SaveCsv("FLTother");
      SaveTxt("FLTother");
      test::RemoveFile(path);
    };
  };
  // A following row: the file holds its header and one row.
  auto nextRow = [](const std::string& path, std::function<int(const char*)> save) {
    return [path, save] {
      SaveCsv("FLTother");
      SaveTxt("FLTother");
      test::RemoveFile(path);
      save("FLT");
    };
  };
  return {
      {"csv first row", firstRow(csv), [] { return SaveCsv("FLT"); },
       [csv](int r) { return CheckBarFile(csv, kCsvHeader, kCsvRow, 0, r); }},
      {"csv next row", nextRow(csv, SaveCsv), [] { return SaveCsv("FLT"); },
       [csv](int r) { return CheckBarFile(csv, kCsvHeader, kCsvRow, 1, r); }},
      {"txt first row", firstRow(txt), [] { return SaveTxt("FLT"); },
       [txt](int r) { return CheckBarFile(txt, kTxtHeader, kTxtRow, 0, r); }},
      {"txt next row", nextRow(txt, SaveTxt), [] { return SaveTxt("FLT"); },
       [txt](int r) { return CheckBarFile(txt, kTxtHeader, kTxtRow, 1, r); }},
      {"csv2 first row", firstRow(csv), [] { return SaveCsv2("FLT"); },
       [csv](int r) { return CheckBarFile(csv, kCsv2Header, kCsv2Row, 0, r); }},
      {"csv2 next row", nextRow(csv, SaveCsv2), [] { return SaveCsv2("FLT"); },
       [csv](int r) { return CheckBarFile(csv, kCsv2Header, kCsv2Row, 1, r); }},
      {"quote", [] { EXPECT_EQ(9, VQM_RTPM("FLT", 1.5f)); }, [] { return VQM_RTPM("FLT", 2.5f); },
       [](int r) -> std::string {
         const std::string text = Content(kQuote);
         if (r == 9 && text != "2.5000M\r\n") return "success, but the file holds " + text;
         if (r != 9 && r != -1) return "result " + std::to_string(r);
         if (r == -1 && text != "1.5000M\r\n") return "failure, and the file holds " + text;
         return "";
       }},
      {"multiplier",
       [] {
         for (const char* key : {"*AA", "*BB", "*CC"}) EXPECT_EQ(0, VQM_RTPM(key, 2.0f));
         EXPECT_EQ(0, VQM_RTPM("*FLT", 3.0f));
       },
       [] { return VQM_RTPM("*FLT", 4.0f); },
       [](int r) -> std::string {
         // 0 whatever the write's outcome; -1 only when memory ran out.
         if (r != 0 && r != -1) return "result " + std::to_string(r);
         for (const char* key : {"AA", "BB", "CC"})
           if (MultiplierOf(key) != "2.0000") return std::string("lost key ") + key;
         const std::string v = MultiplierOf("FLT");
         if (v != "3.0000" && v != "4.0000") return "FLT reads " + v;
         return "";
       }},
      {"log line", [] {}, [] { return LOGTRACE("Fault", 1, "%s", "probe line"); },
       [](int) -> std::string {
         const std::string text = Content(TheLogState().openedPath);
         for (const std::string& line : Lines(text))
           if (line.find("probe line") != std::string::npos &&
               line.size() >= 10 && line.compare(line.size() - 10, 10, "probe line") != 0)
             return "a line runs on after the probe: '" + line + "'";
         if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") != 0)
           return "the log ends in a partial line";
         return "";
       }},
  };
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::SetExecutablePath("C:/vqmtest/faulthost/bin/Host.exe");
    ClearPathCaches();
    test::RemoveTree(kCsvDir);
    test::RemoveFile(kMultipliers);
    // The log opens afresh for this host (its settings file is new: logging on).
    test::ResetLogWriter();
    LOGTRACE("Fault", 1, "%s", "opens the log");
    ASSERT_NE(nullptr, TheLogState().file);
  }
  void TearDown() override {
    test::ResetLogWriter();
    test::SetExecutablePath("");
    ClearPathCaches();
  }

  // Runs each path with the nth fault for n = 1, 2, ... until a call meets no fault.
  // fail(n) arms the fault, failed() tells whether it struck, disarm() turns it off.
  void Loop(const std::function<void(int)>& fail, const std::function<bool()>& failed,
            const std::function<void()>& disarm) {
    for (const WritePath& path : WritePaths()) {
      int faults = 0;
      for (int n = 1; n < 400; ++n) {
        path.prepare();
        fail(n);
        const int result = path.call();
        const bool struck = failed();
        disarm();
        EXPECT_EQ("", path.check(result)) << path.name << ", fault at call " << n;
        // Afterwards a normal call works and leaves whole lines.
        path.prepare();
        const int normal = path.call();
        EXPECT_EQ("", path.check(normal)) << path.name << ", normal call after fault " << n;
        EXPECT_GE(normal, 0) << path.name << ", normal call after fault " << n;
        if (!struck) break;
        ++faults;
      }
      RecordProperty(path.name, faults);
    }
  }
};

TEST_F(FaultInjectionTest, FailingPlatformCalls) {
  test::FaultEnv faults;
  test::ScopedEnv use(&faults);
  Loop([&](int n) { faults.FailAt(n); }, [&] { return faults.Failed(); },
       [&] { faults.FailAt(0); });
}

TEST_F(FaultInjectionTest, FailingAllocations) {
  Loop([](int n) { test::FailAllocationAt(n); }, [] { return test::AllocationFailed(); },
       [] { test::FailAllocationAt(0); });
}

// Out of memory in the regression average's first call for a series (the series, its
// index entry, its first point, its averages) gives the failure value, never a value that
// looks real: a chart would plot an average of 0.
TEST_F(FaultInjectionTest, OutOfMemoryResults) {
  const float kFailure = 1000000000.0f;
  auto firstCall = [](const std::string& symbol) {
    return VQM_RareAvg(symbol.c_str(), 10, 3, 101.0f, 1240315, 931, 20, 0, 1, 1, 1);
  };
  const float expected = firstCall("OOMnone");
  int faults = 0;
  for (int n = 1; n < 200; ++n) {
    const std::string symbol = "OOM" + std::to_string(n);
    test::FailAllocationAt(n);
    const float result = firstCall(symbol);
    const bool struck = test::AllocationFailed();
    test::FailAllocationAt(0);
    if (!struck) break;
    ++faults;
    EXPECT_TRUE(result == kFailure || result == expected)
        << "allocation " << n << " gave " << result;
  }
  EXPECT_GT(faults, 2);
}

}  // namespace
}  // namespace vqm
