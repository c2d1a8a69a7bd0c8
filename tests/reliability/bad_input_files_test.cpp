// The data-exchange exports with hostile arguments: the bar exports, the column loader, the
// quote and multiplier files and the integer reader; then the same exports against
// directories that refuse new files and files that refuse to be read.
#include <gtest/gtest.h>

#include <chrono>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "base/lock_rule.h"
#include "base/paths.h"
#include "base/settings.h"
#include "frame/value_block.h"
#include "platform/platform.h"
#include "reliability/access_denial.h"
#include "reliability/bad_input_fixture.h"
#include "support/files.h"

namespace vqm {
namespace {

using test::BadInputRow;
using test::ReadFileBytes;
using test::WriteFileBytes;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

constexpr const char* kLoadColDir = "C:/Database/LoadCol";
constexpr const char* kQuotesDir = "C:/Database/RTPM/Quotes";
constexpr const char* kMultipliers = "C:/Database/RTPM/Multi.ini";

// Symbols that would name a file somewhere else than in the export's own directory.
const char* const kEscapingNames[] = {"../bi_out",  "..\\bi_out", "sub/bi_out",    "C:bi_out",
                                      "C:/bi_out",  "/tmp/bi_out", "\\\\host\\share", ".."};
// Names Windows opens as devices.
const char* const kDeviceNames[] = {"CON", "nul", "COM1.x", "LPT9 ", "aux.csv"};

const char* kFourLines =
    "Date,Time,Close\r\n20240315,0930,1.5\r\n20240315,0931,1.6\r\n20240315,0932,1.7\r\n";

// One bar as the script's variables hold it.
struct IntBar {
  int date = 1240315, time = 930, divisor = 1;
  int open = 1, high = 1, low = 1, close = 1, volume = 1;
};

class BadInputFilesTest : public test::BadInputTest {
 protected:
  // Column files in the loader's directory, and the integer reader's files.
  void PrepareFiles() override {
    MakeDirectoryPath(kLoadColDir, 0);
    const std::string& longText = LongText();
    const struct {
      std::string* name;
      std::string content;
    } columns[] = {{&fourLines_, kFourLines},
                   {&emptyFile_, ""},
                   {&longLine_, longText + longText},
                   {&locked_, kFourLines}};
    for (const auto& c : columns) {
      *c.name = Fresh("col") + ".csv";
      WriteFileBytes(std::string(kLoadColDir) + "/" + *c.name, c.content);
    }
    const struct {
      const char* name;
      std::string content;
    } numbers[] = {{"big.txt", "99999999999"},
                   {"small.txt", "-99999999999"},
                   {"digits.txt", std::string(100000, '9')},
                   {"blanks.txt", std::string(100000, ' ') + "5"},
                   {"zero.txt", std::string("\0" "7", 2)},
                   {"empty.txt", ""},
                   {"locked.txt", "42"}};
    for (const auto& n : numbers) WriteFileBytes(std::string(kFilesDir) + "/" + n.name, n.content);
  }

  std::string fourLines_, emptyFile_, longLine_, locked_;

  int Csv(const char* symbol, IntBar b = IntBar(), int flag = 0, int nullAt = -1) {
    int* p[5] = {&b.open, &b.high, &b.low, &b.close, &b.volume};
    if (nullAt >= 0) p[nullAt] = nullptr;
    return api().VQM_SaveDataToCsv(0, symbol, b.date, b.time, b.divisor, p[0], p[1], p[2], p[3],
                                   p[4], flag);
  }
  int Txt(const char* symbol, IntBar b = IntBar(), int flag = 0, int nullAt = -1) {
    int* p[5] = {&b.open, &b.high, &b.low, &b.close, &b.volume};
    if (nullAt >= 0) p[nullAt] = nullptr;
    return api().VQM_SaveDataToTxt(0, symbol, b.date, b.time, b.divisor, p[0], p[1], p[2], p[3],
                                   p[4], flag);
  }
  // VQM_SaveDataToCsv2 with every slot holding fill and the error text preset to "untouched".
  int Csv2(const char* symbol, float fill, std::string* error = nullptr) {
    std::vector<ValueBlock> block(16);
    for (int i = 0; i < 16; ++i) WriteSlot(block.data(), i, fill);
    char text[100] = "untouched";
    const int r = api().VQM_SaveDataToCsv2(symbol, block.data(), text);
    if (error != nullptr) *error = text;
    return r;
  }
  // VQM_LoadCol on the bar 15 March 2024 09:31, column 3, with the value slot preset to -1.
  struct LoadCol {
    int result;
    float value;
    std::string error;
  };
  LoadCol Load(const char* name, float date = 1240315, float time = 931, float bar = 0,
               float column = 3) {
    ValueBlock block[16] = {};
    const float slots[][2] = {{0, date}, {1, time}, {7, bar}, {11, column}, {12, -1}};
    for (const auto& s : slots) WriteSlot(block, static_cast<int>(s[0]), s[1]);
    char text[1100] = "untouched";
    const int r = api().VQM_LoadCol(name, block, text);
    return LoadCol{r, ReadSlot(block, 12), text};
  }
  std::string File(const std::string& path) const {
    std::string content;
    return ReadFileBytes(path, &content) ? content : "<missing>";
  }
  std::string CsvFile(const std::string& symbol, const char* ext = ".csv") const {
    return File(csvDir_ + "/" + symbol + ext);
  }
  std::string Multiplier(const std::string& key) const {
    char value[200];
    ExportLock lock;
    ReadIniString("Multiplier", key.c_str(), "<none>", value, sizeof value, kMultipliers);
    return value;
  }
  // The file at path is replaced by a directory's stand-in: a plain file where the
  // directory should be, so that nothing can be created in it.
  void OccupyWithFile(const std::string& dir) {
    test::RemoveTree(dir);
    WriteFileBytes(dir, "not a directory");
  }
  void Vacate(const std::string& dir) {
    test::RemoveFile(dir);
    MakeDirectoryPath(dir.c_str(), 0);
  }
};

const char* kCsvHeader = "\"Symbol\",Date,Time,Open,High,Low,Close,Volume\r\n";

TEST_P(BadInputFilesTest, BarExports) {
  const std::string longText = LongText();
  Run({
      {"VQM_SaveDataToCsv / Txt", "symbol", "null", "-9, the export run unchanged", [&] {
         const std::string s = Fresh("csv");
         EXPECT_EQ(1, Csv(s.c_str()));
         EXPECT_EQ(-9, Csv(nullptr));
         EXPECT_EQ(2, Csv(s.c_str()));
         EXPECT_EQ(1, Txt(s.c_str()));
         EXPECT_EQ(-9, Txt(nullptr));
         EXPECT_EQ(2, Txt(s.c_str()));
       }},
      {"VQM_SaveDataToCsv / Txt", "open, high, low, close, volume", "null", "-9, the export run unchanged",
       [&] {
         const std::string s = Fresh("csv");
         EXPECT_EQ(1, Csv(s.c_str()));
         EXPECT_EQ(1, Txt(s.c_str()));
         for (int at = 0; at < 5; ++at) {
           EXPECT_EQ(-9, Csv(s.c_str(), IntBar(), 0, at)) << at;
           EXPECT_EQ(-9, Txt(s.c_str(), IntBar(), 0, at)) << at;
         }
         EXPECT_EQ(2, Csv(s.c_str()));
         EXPECT_EQ(2, Txt(s.c_str()));
       }},
      {"VQM_SaveDataToCsv / Txt", "symbol", "\"\"", "1; the file \".csv\" / \".txt\" in the CSV directory",
       [&] {
         EXPECT_EQ(1, Csv(""));
         EXPECT_EQ(kCsvHeader + std::string("\"\",20240315,093000,1.0000,1.0000,1.0000,1.0000,1\r\n"),
                   CsvFile(""));
         EXPECT_EQ(1, Txt(""));
         EXPECT_NE("<missing>", CsvFile("", ".txt"));
       }},
      {"VQM_SaveDataToCsv / Txt", "symbol", "100 000 characters", "-10 (no such file name)", [&] {
         EXPECT_EQ(-10, Csv(longText.c_str()));
         EXPECT_EQ(-10, Txt(longText.c_str()));
       }},
      {"VQM_SaveDataToCsv / Txt", "symbol", "a path elsewhere (\"../x\", \"a/b\", \"C:x\", \"\\\\\\\\host\\\\share\", \"..\")",
       "-10, nothing written", [&] {
         for (const char* name : kEscapingNames) {
           EXPECT_EQ(-10, Csv(name)) << name;
           EXPECT_EQ(-10, Txt(name)) << name;
         }
       }},
      {"VQM_SaveDataToCsv / Txt", "symbol", "a device (\"CON\", \"nul\", \"COM1.x\", \"LPT9 \", \"aux.csv\")",
       "-10, nothing written", [&] {
         for (const char* name : kDeviceNames) {
           EXPECT_EQ(-10, Csv(name)) << name;
           EXPECT_EQ(-10, Txt(name)) << name;
           // Asked without opening it: on Windows the name opens the device.
           EXPECT_FALSE(test::FileExists(csvDir_ + "/" + name + ".csv")) << name;
         }
       }},
      {"VQM_SaveDataToCsv", "divisor", "0", "the row holds inf, -inf and nan", [&] {
         const std::string s = Fresh("csv");
         IntBar b;
         b.divisor = 0;
         b.open = 100, b.high = -100, b.low = 0, b.close = 1, b.volume = 5;
         EXPECT_EQ(1, Csv(s.c_str(), b));
         EXPECT_EQ(kCsvHeader + ("\"" + s + "\",20240315,093000,inf,-inf,nan,inf,5\r\n"), CsvFile(s));
       }},
      {"VQM_SaveDataToCsv", "divisor, prices, volume", "INT_MIN, INT_MAX, INT_MIN",
       "the quotients and the volume as floats: 2147483648.0000, -0.0000, -2147483648", [&] {
         const std::string s = Fresh("csv");
         IntBar b;
         b.open = b.high = b.low = b.close = INT_MAX;
         b.volume = INT_MIN;
         EXPECT_EQ(1, Csv(s.c_str(), b));
         b.divisor = INT_MIN;
         b.open = 1;
         EXPECT_EQ(2, Csv(s.c_str(), b));
         EXPECT_EQ(kCsvHeader + ("\"" + s +
                                 "\",20240315,093000,2147483648.0000,2147483648.0000,"
                                 "2147483648.0000,2147483648.0000,-2147483648\r\n\"" +
                                 s + "\",20240315,093000,-0.0000,-1.0000,-1.0000,-1.0000,"
                                     "-2147483648\r\n"),
                   CsvFile(s));
       }},
      {"VQM_SaveDataToCsv", "date, time", "INT_MAX, INT_MAX / INT_MIN, INT_MIN",
       "the row with the 32-bit wrapped YYYYMMDD and HHMMSS (no Time column for a negative time)",
       [&] {
         IntBar b;
         b.date = INT_MAX, b.time = INT_MAX;
         const std::string s = Fresh("csv");
         EXPECT_EQ(1, Csv(s.c_str(), b));
         EXPECT_EQ(kCsvHeader + ("\"" + s + "\",-2128483649,-00100,1.0000,1.0000,1.0000,1.0000,1\r\n"),
                   CsvFile(s));
         b.date = INT_MIN, b.time = INT_MIN;
         const std::string t = Fresh("csv");
         EXPECT_EQ(1, Csv(t.c_str(), b));
         EXPECT_EQ("\"Symbol\",Date,Open,High,Low,Close,Volume\r\n\"" + t +
                       "\",-2128483648,1.0000,1.0000,1.0000,1.0000,1\r\n",
                   CsvFile(t));
       }},
      {"VQM_SaveDataToTxt", "date, time", "INT_MAX, 930 / 1240315, 2401 / INT_MIN, INT_MIN",
       "the row; a refused date reads 0/0/1900, a refused time 0/0/1900,00:00:00", [&] {
         const struct {
           int date, time;
           const char* row;
         } cases[] = {{INT_MAX, 930, "0/0/1900,09:30:00,1.0000,1.0000,1.0000,1.0000,1\r\n"},
                      {1240315, 2401, "0/0/1900,00:00:00,1.0000,1.0000,1.0000,1.0000,1\r\n"},
                      {INT_MAX, INT_MAX, "0/0/1900,00:00:00,1.0000,1.0000,1.0000,1.0000,1\r\n"},
                      {INT_MIN, INT_MIN, "0/0/1900 00:00:00,1.0000,1.0000,1.0000,1.0000,1\r\n"}};
         for (const auto& c : cases) {
           const std::string s = Fresh("txt");
           IntBar b;
           b.date = c.date, b.time = c.time;
           EXPECT_EQ(1, Txt(s.c_str(), b));
           const std::string file = CsvFile(s, ".txt");
           EXPECT_EQ(c.row, file.substr(file.find('\n') + 1)) << c.date << " " << c.time;
         }
       }},
      {"VQM_SaveDataToTxt", "close-only flag", "INT_MIN", "the close-only layout", [&] {
         const std::string s = Fresh("txt");
         EXPECT_EQ(1, Txt(s.c_str(), IntBar(), INT_MIN));
         EXPECT_EQ("\"Date\",\"Time\",\"Close\",\"Volume\"\r\n3/15/2024,09:30:00,1.0000,1\r\n",
                   CsvFile(s, ".txt"));
       }},
      {"VQM_SaveDataToCsv2", "symbol, value block", "null", "-9, nothing else (error text untouched)", [&] {
         std::string error;
         EXPECT_EQ(-9, Csv2(nullptr, 1.0f, &error));
         EXPECT_EQ("untouched", error);
         char text[20] = "untouched";
         EXPECT_EQ(-9, api().VQM_SaveDataToCsv2("x", nullptr, text));
         EXPECT_STREQ("untouched", text);
       }},
      {"VQM_SaveDataToCsv2", "symbol", "100 000 characters, a path elsewhere, a device", "-10", [&] {
         EXPECT_EQ(-10, Csv2(longText.c_str(), 1.0f));
         for (const char* name : kEscapingNames) EXPECT_EQ(-10, Csv2(name, 1.0f)) << name;
         for (const char* name : kDeviceNames) EXPECT_EQ(-10, Csv2(name, 1.0f)) << name;
       }},
      {"VQM_SaveDataToCsv2", "error text", "null", "the result as usual", [&] {
         const std::string s = Fresh("csv");
         std::vector<ValueBlock> block(16);
         EXPECT_EQ(1, api().VQM_SaveDataToCsv2(s.c_str(), block.data(), nullptr));
         EXPECT_EQ(-10, api().VQM_SaveDataToCsv2("../bi_out", block.data(), nullptr));
       }},
      {"VQM_SaveDataToCsv2", "every slot", "NaN",
       "1; flags off, layout 0, date 00/00/1900, numbers nan", [&] {
         const std::string s = Fresh("csv");
         std::string error;
         EXPECT_EQ(1, Csv2(s.c_str(), kNaN, &error));
         EXPECT_EQ("untouched", error);
         EXPECT_EQ("Date,Open,High,Low,Close,VolUp,VolDn,\r\n00/00/1900,nan,nan,nan,nan,nan,nan\r\n",
                   CsvFile(s));
       }},
      {"VQM_SaveDataToCsv2", "every slot", "+inf / -inf",
       "1; flags on / off (INT_MAX / INT_MIN), no date or time text (another layout)", [&] {
         const std::string s = Fresh("csv");
         EXPECT_EQ(1, Csv2(s.c_str(), kInf));
         EXPECT_EQ("\"Symbol\",Date,Time,Open,High,Low,Close,VolUp,VolDn,\r\n\"" + s +
                       "\",,,inf,inf,inf,inf,inf,inf\r\n",
                   CsvFile(s));
         const std::string t = Fresh("csv");
         EXPECT_EQ(1, Csv2(t.c_str(), -kInf));
         EXPECT_EQ("Date,Open,High,Low,Close,VolUp,VolDn,\r\n,-inf,-inf,-inf,-inf,-inf,-inf\r\n",
                   CsvFile(t));
       }},
      {"VQM_SaveDataToCsv / Txt / Csv2", "the CSV directory", "a file stands in its place", "-10", [&] {
         OccupyWithFile(csvDir_);
         EXPECT_EQ(-10, Csv(Fresh("csv").c_str()));
         EXPECT_EQ(-10, Txt(Fresh("csv").c_str()));
         EXPECT_EQ(-10, Csv2(Fresh("csv").c_str(), 1.0f));
         Vacate(csvDir_);
       }},
  });
}

TEST_P(BadInputFilesTest, ColumnLoader) {
  const std::string longText = LongText();
  const std::string& name = fourLines_;
  Run({
      {"VQM_LoadCol", "file name, value block", "null", "-9, error text untouched", [&] {
         EXPECT_EQ(-9, Load(nullptr).result);
         EXPECT_EQ("untouched", Load(nullptr).error);
         char text[20] = "untouched";
         EXPECT_EQ(-9, api().VQM_LoadCol(name.c_str(), nullptr, text));
         EXPECT_STREQ("untouched", text);
       }},
      {"VQM_LoadCol", "file name", "a missing file",
       "-1; error text \"Cannot open C:/Database/LoadCol/<name> (No such file or directory)\"", [&] {
         const std::string missing = Fresh("col") + ".csv";
         const LoadCol r = Load(missing.c_str());
         EXPECT_EQ(-1, r.result);
         EXPECT_EQ("Cannot open C:/Database/LoadCol/" + missing + " (No such file or directory)", r.error);
         EXPECT_EQ(-1.0f, r.value);
         char* noText = nullptr;
         ValueBlock block[16] = {};
         EXPECT_EQ(-1, api().VQM_LoadCol(missing.c_str(), block, noText));
       }},
      {"VQM_LoadCol", "file name", "\"\" (the directory itself)", "-1", [&] {
         EXPECT_EQ(-1, Load("").result);
       }},
      {"VQM_LoadCol", "file name", "100 000 characters", "-1; the open-failure text, cut to 999 characters", [&] {
         const LoadCol r = Load(longText.c_str());
         EXPECT_EQ(-1, r.result);
         EXPECT_EQ(0u, r.error.rfind("Cannot open C:/Database/LoadCol/" + longText.substr(0, 100), 0));
         EXPECT_EQ(999u, r.error.size());
       }},
      {"VQM_LoadCol", "file name", "leaving the folder: ../, absolute, a drive, a device",
       "-1 with the open-failure text; the file outside is not read", [&] {
         WriteFileBytes("C:/Database/RTPM/outside_col.csv", kFourLines);
         for (const char* escaping : {"../RTPM/outside_col.csv", "..\\RTPM\\outside_col.csv",
                                      "sub/../../RTPM/outside_col.csv",
                                      "C:/Database/RTPM/outside_col.csv", "/outside_col.csv",
                                      "C:outside_col.csv", "COM1", "sub/NUL.csv"}) {
           const LoadCol r = Load(escaping);
           EXPECT_EQ(-1, r.result) << escaping;
           EXPECT_EQ(-1.0f, r.value) << escaping;
         }
         MakeDirectoryPath((std::string(kLoadColDir) + "/sub").c_str(), 0);
         WriteFileBytes(std::string(kLoadColDir) + "/sub/inside.csv", kFourLines);
         EXPECT_EQ(3, Load("sub/inside.csv").result);  // a sub-folder stays allowed
       }},
      {"VQM_LoadCol", "file", "a FIFO that nobody writes", "-1 at once; no open waits on it", [&] {
         const std::string fifo = "bififo.csv";
         test::RemoveFile(std::string(kLoadColDir) + "/" + fifo);
         // Windows has no FIFOs (its device names are refused in the row above); the rows
         // that follow still run.
         if (!test::MakeFifo(std::string(kLoadColDir) + "/" + fifo)) return;
         // A writer shows up after 1.2 s, and only if a reader waits: the call must have
         // returned long before.
         const auto started = std::chrono::steady_clock::now();
         std::thread writer([&] {
           std::this_thread::sleep_for(std::chrono::milliseconds(1200));
           test::OpenFifoForWriting(std::string(kLoadColDir) + "/" + fifo, 800);
         });
         const LoadCol r = Load(fifo.c_str());
         const auto elapsed = std::chrono::steady_clock::now() - started;
         writer.join();
         EXPECT_EQ(-1, r.result);
         EXPECT_LT(elapsed, std::chrono::milliseconds(1000));
       }},
      {"VQM_LoadCol", "file", "empty", "-1; error text empty", [&] {
         const LoadCol r = Load(emptyFile_.c_str());
         EXPECT_EQ(-1, r.result);
         EXPECT_EQ("", r.error);
       }},
      {"VQM_LoadCol", "file", "one line of 200 000 characters", "-3 (no line has a date)", [&] {
         EXPECT_EQ(-3, Load(longLine_.c_str()).result);
       }},
      {"VQM_LoadCol", "column", "INT_MIN, INT_MAX, 0, NaN", "the next line index; value 0 (no such field)", [&] {
         for (float column : {float(INT_MIN), float(INT_MAX), 0.0f, kNaN}) {
           const LoadCol r = Load(name.c_str(), 1240315, 931, 0, column);
           EXPECT_EQ(3, r.result) << column;
           EXPECT_EQ(0.0f, r.value) << column;
         }
       }},
      {"VQM_LoadCol", "date, time, bar number", "NaN / ±inf",
       "2: the slots read as 0 / INT_MAX / INT_MIN give a refused (empty) bar date-time, so the "
       "first dated line is the start", [&] {
         for (float slot : {kNaN, kInf, -kInf}) {
           const LoadCol r = Load(name.c_str(), slot, slot, slot, 3);
           EXPECT_EQ(2, r.result) << slot;
           EXPECT_EQ(1.5f, r.value) << slot;
         }
       }},
  });
}

TEST_P(BadInputFilesTest, QuotesAndMultipliers) {
  const std::string longText = LongText();
  Run({
      {"VQM_RTPM", "symbol", "null, \"\", 100 000 characters", "-1, nothing written", [&] {
         EXPECT_EQ(-1, api().VQM_RTPM(nullptr, 1.5f));
         EXPECT_EQ(-1, api().VQM_RTPM("", 1.5f));
         EXPECT_EQ(-1, api().VQM_RTPM(longText.c_str(), 1.5f));
       }},
      {"VQM_RTPM", "symbol", "a path elsewhere", "-1, nothing written", [&] {
         for (const char* name : kEscapingNames) EXPECT_EQ(-1, api().VQM_RTPM(name, 1.5f)) << name;
       }},
      {"VQM_RTPM", "symbol", "a device name: NUL, nul, AUX, COM1, LPT1.x", "-1, nothing written", [&] {
         for (const char* name : {"NUL", "nul", "AUX", "COM1", "LPT1.x", "con "})
           EXPECT_EQ(-1, api().VQM_RTPM(name, 1.5f)) << name;
       }},
      {"VQM_RTPM", "value", "NaN, +inf, -inf, FLT_MAX", "the bytes written: nanM, infM, -infM, the 39 digits", [&] {
         const struct {
           float value;
           const char* line;
         } cases[] = {{kNaN, "nanM\r\n"},
                      {kInf, "infM\r\n"},
                      {-kInf, "-infM\r\n"},
                      {FLT_MAX, "340282346638528859811704183484516925440.0000M\r\n"}};
         for (const auto& c : cases) {
           const std::string s = Fresh("rtpm");
           EXPECT_EQ(static_cast<int>(strlen(c.line)), api().VQM_RTPM(s.c_str(), c.value));
           EXPECT_EQ(c.line, File(std::string(kQuotesDir) + "/" + s + ".txt"));
         }
       }},
      {"VQM_RTPM", "multiplier name", "\"*\", \"*@\", blanks only, with = [ ] or a line end", "-1, nothing written",
       [&] {
         for (const char* name : {"*", "*@", "*   ", "*@  ", "*a=b", "*[x]", "*a]", "*a\nb", "*a\rb"})
           EXPECT_EQ(-1, api().VQM_RTPM(name, 2.0f)) << name;
       }},
      {"VQM_RTPM", "multiplier value", "NaN, -inf", "0; the key holds nan, -inf", [&] {
         const std::string s = Fresh("mult") + "x";  // no digit at the end: the name stays whole
         EXPECT_EQ(0, api().VQM_RTPM(("*" + s).c_str(), kNaN));
         EXPECT_EQ("nan", Multiplier(s));
         EXPECT_EQ(0, api().VQM_RTPM(("*@" + s).c_str(), -kInf));
         EXPECT_EQ("-inf", Multiplier(s));
       }},
      {"VQM_RTPM", "multiplier name", "100 000 characters (more than 1000)", "-1, nothing written", [&] {
         EXPECT_EQ(-1, api().VQM_RTPM(("*" + longText).c_str(), 3.0f));
         EXPECT_EQ(0, api().VQM_RTPM(("*" + longText).c_str(), 1.0f));  // 1.0 is never written
       }},
      {"VQM_RTPM", "the quotes directory", "a file stands in its place", "-1", [&] {
         OccupyWithFile(kQuotesDir);
         EXPECT_EQ(-1, api().VQM_RTPM(Fresh("rtpm").c_str(), 1.5f));
         Vacate(kQuotesDir);
       }},
  });
}

TEST_P(BadInputFilesTest, IntegerReader) {
  const std::string longText = LongText();
  const std::string dir = kFilesDir;
  const auto read = [&](const char* name) { return api().VQM_ReadInt((dir + "/" + name).c_str()); };
  Run({
      {"VQM_ReadInt", "path", "null, \"\", missing, a directory, 100 000 characters", "-1", [&] {
         EXPECT_EQ(-1, api().VQM_ReadInt(nullptr));
         EXPECT_EQ(-1, api().VQM_ReadInt(""));
         EXPECT_EQ(-1, read("missing.txt"));
         EXPECT_EQ(-1, api().VQM_ReadInt(dir.c_str()));
         EXPECT_EQ(-1, api().VQM_ReadInt(longText.c_str()));
       }},
      {"VQM_ReadInt", "file", "99999999999 / -99999999999 / 100 000 nines", "INT_MAX / INT_MIN / INT_MAX", [&] {
         EXPECT_EQ(INT_MAX, read("big.txt"));
         EXPECT_EQ(INT_MIN, read("small.txt"));
         EXPECT_EQ(INT_MAX, read("digits.txt"));
       }},
      {"VQM_ReadInt", "file", "64 GiB (sparse) starting with 1", "1, at once, without reading it whole", [&] {
         const std::string huge = dir + "/huge.txt";
         WriteFileBytes(huge, "1");
         if (!test::Extend(huge, 64ll << 30)) return;  // no room for it: the rows that follow still run
         const auto started = std::chrono::steady_clock::now();
         EXPECT_EQ(1, read("huge.txt"));
         EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
         test::RemoveFile(huge);
       }},
      {"VQM_ReadInt", "file", "100 000 blanks then 5 / NUL then 7 / empty", "5 / 0 / 0", [&] {
         EXPECT_EQ(5, read("blanks.txt"));
         EXPECT_EQ(0, read("zero.txt"));
         EXPECT_EQ(0, read("empty.txt"));
       }},
  });
}

// Directories that refuse new files: the permission bits on POSIX (root's override dropped
// meanwhile). Windows has no such directory.
TEST_P(BadInputFilesTest, ReadOnlyDirectories) {
  MakeDirectoryPath(csvDir_.c_str(), 0);
  MakeDirectoryPath(kQuotesDir, 0);
  {
    test::AccessDenial csv(test::AccessDenial::Kind::kReadOnlyDirectory, csvDir_);
    if (!csv.active()) GTEST_SKIP() << csv.reason();
    Run({{"VQM_SaveDataToCsv / Txt / Csv2", "the CSV directory", "read-only", "-10", [&] {
            EXPECT_EQ(-10, Csv(Fresh("csv").c_str()));
            EXPECT_EQ(-10, Txt(Fresh("csv").c_str()));
            EXPECT_EQ(-10, Csv2(Fresh("csv").c_str(), 1.0f));
          }}});
  }
  test::RemoveFile(kMultipliers);
  {
    test::AccessDenial quotes(test::AccessDenial::Kind::kReadOnlyDirectory, kQuotesDir);
    test::AccessDenial rtpm(test::AccessDenial::Kind::kReadOnlyDirectory, "C:/Database/RTPM");
    ASSERT_TRUE(quotes.active() && rtpm.active()) << quotes.reason() << rtpm.reason();
    Run({{"VQM_RTPM", "C:/Database/RTPM and its Quotes directory", "read-only",
          "-1 for a quote; 0 for a multiplier (the settings write fails unreported)", [&] {
            EXPECT_EQ(-1, api().VQM_RTPM(Fresh("rtpm").c_str(), 1.5f));
            EXPECT_EQ(0, api().VQM_RTPM(("*" + Fresh("mult") + "x").c_str(), 2.0f));
            EXPECT_FALSE(test::FileExists(kMultipliers));
          }}});
  }
}

// Files that refuse to be read: no read permission on POSIX, held open without sharing on
// Windows.
TEST_P(BadInputFilesTest, UnreadableFiles) {
  const std::string& name = locked_;
  const std::string column = std::string(kLoadColDir) + "/" + name;
  const std::string number = std::string(kFilesDir) + "/locked.txt";
  test::AccessDenial columnDenial(test::AccessDenial::Kind::kUnreadableFile, column);
  if (!columnDenial.active()) GTEST_SKIP() << columnDenial.reason();
  test::AccessDenial numberDenial(test::AccessDenial::Kind::kUnreadableFile, number);
  ASSERT_TRUE(numberDenial.active()) << numberDenial.reason();
  Run({
      {"VQM_LoadCol", "file", "unreadable",
       "-1; error text \"Cannot open C:/Database/LoadCol/<name> (Permission denied)\"", [&] {
         const LoadCol r = Load(name.c_str());
         EXPECT_EQ(-1, r.result);
         EXPECT_EQ("Cannot open " + column + " (Permission denied)", r.error);
       }},
      {"VQM_ReadInt", "file", "unreadable",
       "-1; 0 when the file passes the access test but cannot then be opened (held open "
       "without sharing, or root)", [&] {
         EXPECT_EQ(platform::IsReadable(number.c_str()) ? 0 : -1, api().VQM_ReadInt(number.c_str()));
       }},
  });
}

VQM_INSTANTIATE_BACKEND_TESTS(BadInputFilesTest);

}  // namespace
}  // namespace vqm
