#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "dataio/bar_export_fixture.h"

namespace vqm {
namespace {

using test::BarExportTest;
using test::BlockBar;
using test::IntBar;

constexpr const char* kCsvHeader = "\"Symbol\",Date,Time,Open,High,Low,Close,Volume\r\n";
constexpr IntBar kEsBar{1240315, 930, 100, 512345, 512400, 512300, 512350, 1200};

TEST_P(BarExportTest, CsvRowsCountedPerSymbol) {
  const std::string row = "\"ES\",20240315,093000,5123.4502,5124.0000,5123.0000,5123.5000,1200\r\n";
  EXPECT_EQ(1, Csv("ES", kEsBar, 0));
  EXPECT_EQ(kCsvHeader + row, File("ES"));
  EXPECT_EQ(2, Csv("es", kEsBar, 0));  // the same symbol, ignoring case
  EXPECT_EQ(1, Csv("ES1", kEsBar, 0));
  EXPECT_EQ(1, Csv("ES", kEsBar, 0));  // back after another symbol: the file starts again
  EXPECT_EQ(2, Csv2("ES", BlockBar{1240315, 930, 1, 2, 3, 4, 5, 6, 0, 0, 0, 1}));
  EXPECT_EQ(1, Txt("ES", kEsBar, 0));  // the text run counts on its own
  EXPECT_EQ(kCsvHeader + row + "20240315,1.00,2.00,3.00,4.00,5,6\r\n", File("ES"));
  // A file that is new or empty when it is opened gets its header whatever the count (a
  // first call that failed leaves no file).
  vqm::test::RemoveFile(csvDir_ + "/ES.csv");
  EXPECT_EQ(3, Csv("ES", kEsBar, 0));
  EXPECT_EQ(kCsvHeader + row, File("ES"));
  vqm::test::WriteFileBytes(csvDir_ + "/ES.txt", "");
  EXPECT_EQ(2, Txt("ES", kEsBar, 1));
  EXPECT_EQ("\"Date\",\"Time\",\"Close\",\"Volume\"\r\n3/15/2024,09:30:00,5123.5000,1200\r\n",
            File("ES", ".txt"));
}

TEST_P(BarExportTest, CsvAppendFlagKeepsTheFileAndRepeatsTheHeader) {
  EXPECT_EQ(1, Csv("NQ", kEsBar, 0));
  const std::string first = File("NQ");
  EXPECT_EQ(1, Csv("ES", kEsBar, 0));
  EXPECT_EQ(1, Csv("NQ", kEsBar, 1));
  EXPECT_EQ(2, Csv("NQ", kEsBar, 1));
  const std::string row = "\"NQ\",20240315,093000,5123.4502,5124.0000,5123.0000,5123.5000,1200\r\n";
  EXPECT_EQ(first + kCsvHeader + row + row, File("NQ"));
}

// Numbers read the same from the DLL and the native build: correctly rounded (ties of the
// exact binary value to even), and "inf", "-inf", "nan" for a divisor of 0.
TEST_P(BarExportTest, CsvNumberTexts) {
  struct Case {
    int value, divisor, volume;
    std::string price, volumeText;
  } cases[] = {
      {33, 32, 0, "1.0312", "0"},         // 1.03125 exactly: the tie goes to even
      {3, 32, 1, "0.0938", "1"},          // 0.09375 exactly
      {512345, 100, 16777217, "5123.4502", "16777216"},
      {1500, 1, 2147483647, "1500.0000", "2147483648"},
      {2147483647, 1, -5, "2147483648.0000", "-5"},
      {0, -100, 0, "-0.0000", "0"},
      {1, 0, 0, "inf", "0"},
      {-1, 0, 0, "-inf", "0"},
      {0, 0, 0, "nan", "0"},
  };
  for (const Case& c : cases) {
    const IntBar bar{1240315, -1, c.divisor, c.value, c.value, c.value, c.value, c.volume};
    EXPECT_EQ(1, Csv("N", bar, 0));
    const std::string p = c.price + ",";
    EXPECT_EQ("\"Symbol\",Date,Open,High,Low,Close,Volume\r\n\"N\",20240315," + p + p + p + p +
                  c.volumeText + "\r\n",
              File("N"))
        << c.value << "/" << c.divisor;
    Csv("~other", bar, 0);
  }
}

TEST_P(BarExportTest, TxtLayouts) {
  struct Case {
    int date, time, closeOnly;
    std::string content;
  } cases[] = {
      {1240315, 930, 1,
       "\"Date\",\"Time\",\"Close\",\"Volume\"\r\n3/15/2024,09:30:00,5123.5000,1200\r\n"},
      {1240315, 1405, 0,
       "\"Date\",\"Time\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\r\n"
       "3/15/2024,14:05:00,5123.4502,5124.0000,5123.0000,5123.5000,1200\r\n"},
      {1240315, -1, 0,
       "\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Volume\"\r\n"
       "3/15/2024 00:00:00,5123.4502,5124.0000,5123.0000,5123.5000,1200\r\n"},
      {1000101, -930, 1, "\"Date\",\"Close\",\"Volume\"\r\n1/1/2000 00:00:00,5123.5000,1200\r\n"},
      {2551231, 2400, 1, "\"Date\",\"Time\",\"Close\",\"Volume\"\r\n12/31/2155,24:00:00,5123.5000,1200\r\n"},
      // A time above 2400 leaves the whole value empty; a bad date leaves the date empty.
      {1240315, 2401, 1, "\"Date\",\"Time\",\"Close\",\"Volume\"\r\n0/0/1900,00:00:00,5123.5000,1200\r\n"},
      {-1, 930, 1, "\"Date\",\"Time\",\"Close\",\"Volume\"\r\n0/0/1900,09:30:00,5123.5000,1200\r\n"},
      {2561231, -1, 1, "\"Date\",\"Close\",\"Volume\"\r\n0/0/1900 00:00:00,5123.5000,1200\r\n"},
  };
  for (const Case& c : cases) {
    IntBar bar = kEsBar;
    bar.date = c.date;
    bar.time = c.time;
    EXPECT_EQ(1, Txt("T", bar, c.closeOnly));
    EXPECT_EQ(c.content, File("T", ".txt")) << c.date << " " << c.time;
    Txt("~other", bar, 0);
  }
  EXPECT_EQ(1, Txt("T", kEsBar, 1));
  EXPECT_EQ(2, Txt("t", kEsBar, 1));
}

TEST_P(BarExportTest, Csv2Layouts) {
  const BlockBar es{1240315, 930, 5123.25f, 5124.5f, 5122.75f, 5124, 150, 90, 0, 1, 1, 0};
  struct Case {
    float timeColumn, symbolColumn, layout;
    std::string header, row;
  } cases[] = {
      {1, 1, 0, "\"Symbol\",Date,Time,Open,High,Low,Close,VolUp,VolDn,\r\n",
       "\"ES\",03/15/2024,09:30,5123.25,5124.50,5122.75,5124.00,150,90\r\n"},
      {1, 1, 2, "\"Symbol\",Date,Time,Open,High,Low,Close,Volume,\r\n",
       "\"ES\",03/15/2024,09:30,5123.25,5124.50,5122.75,5124.00,240\r\n"},
      {0, 0, 1, "Date,Open,High,Low,Close,VolUp,VolDn,\r\n",
       "20240315,5123.25,5124.50,5122.75,5124.00,150,90\r\n"},
      {1, 0, 1, "Date,Time,Open,High,Low,Close,VolUp,VolDn,\r\n",
       "20240315,093000,5123.25,5124.50,5122.75,5124.00,150,90\r\n"},
      {0, 0, 3, "Date,Open,High,Low,Close,VolUp,VolDn,\r\n",
       ",5123.25,5124.50,5122.75,5124.00,150,90\r\n"},
      {1, 1, -1, "\"Symbol\",Date,Time,Open,High,Low,Close,VolUp,VolDn,\r\n",
       "\"ES\",,,5123.25,5124.50,5122.75,5124.00,150,90\r\n"},
      {0.9f, 0.9f, 2.9f, "Date,Open,High,Low,Close,Volume,\r\n",  // slots truncate
       "03/15/2024,5123.25,5124.50,5122.75,5124.00,240\r\n"},
  };
  for (const Case& c : cases) {
    BlockBar bar = es;
    bar.timeColumn = c.timeColumn;
    bar.symbolColumn = c.symbolColumn;
    bar.layout = c.layout;
    EXPECT_EQ(1, Csv2("ES", bar));
    EXPECT_EQ(2, Csv2("ES", bar));
    EXPECT_EQ(c.header + c.row + c.row, File("ES")) << c.layout;
    Csv("~other", kEsBar, 0);
  }
}

TEST_P(BarExportTest, Csv2DatesTimesAndNumbers) {
  struct Case {
    BlockBar bar;
    std::string row;
  } cases[] = {
      {{1240315, 2401, 1, 2, 3, 4, 5, 6, 0, 1, 0, 0}, "00/00/1900,00:00,1.00,2.00,3.00,4.00,5,6\r\n"},
      {{1240315, -1, 1, 2, 3, 4, 5, 6, 0, 1, 0, 0}, "00/00/1900,00:00,1.00,2.00,3.00,4.00,5,6\r\n"},
      {{-1, 930, 1, 2, 3, 4, 5, 6, 0, 1, 0, 2}, "00/00/1900,09:30,1.00,2.00,3.00,4.00,11\r\n"},
      {{1000101, 0, 1, 2, 3, 4, 5, 6, 0, 1, 0, 0}, "01/01/2000,00:00,1.00,2.00,3.00,4.00,5,6\r\n"},
      {{1240315, 930.9f, 1, 2, 3, 4, 5, 6, 0, 1, 0, 1}, "20240315,093000,1.00,2.00,3.00,4.00,5,6\r\n"},
      // Ties of the exact binary value go to even; the sum is taken in single precision.
      {{1240315, 0, 0.125f, 0.375f, -0.125f, 1e20f, 2.5f, 3.5f, 0, 0, 0, 0},
       "03/15/2024,0.12,0.38,-0.12,100000002004087734272.00,2,4\r\n"},
      {{1240315, 0, 0, 0, 0, 0, 16777216, 1, 0, 0, 0, 2}, "03/15/2024,0.00,0.00,0.00,0.00,16777216\r\n"},
      {{1240315, 0, INFINITY, -INFINITY, NAN, -NAN, 0.5f, -0.0f, 0, 0, 0, 0},
       "03/15/2024,inf,-inf,nan,nan,0,-0\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(1, Csv2("V", c.bar));
    const std::string content = File("V");
    EXPECT_EQ(c.row, content.substr(content.find("\r\n") + 2)) << c.row;
    Csv("~other", kEsBar, 0);
  }
}

// A missing argument changes nothing; a symbol that would write outside the CSV directory
// is refused like a file that cannot be opened, after the run has counted it.
TEST_P(BarExportTest, RefusedArguments) {
  IntBar b = kEsBar;
  const int kCsv = 0, kTxt = 1, kCsv2 = 2;
  for (int which : {kCsv, kTxt, kCsv2}) {
    auto call = [&](const char* symbol) {
      if (which == kCsv) return Csv(symbol, b, 0);
      if (which == kTxt) return Txt(symbol, b, 0);
      return Csv2(symbol, BlockBar{1240315, 930, 1, 2, 3, 4, 5, 6, 0, 0, 0, 0});
    };
    call("~other");
    EXPECT_EQ(1, call("ES"));
    EXPECT_EQ(-9, call(nullptr));
    if (which == kCsv2) {
      EXPECT_EQ(-9, api().VQM_SaveDataToCsv2("ES", nullptr, nullptr));
    } else {
      auto fn = which == kCsv ? api().VQM_SaveDataToCsv : api().VQM_SaveDataToTxt;
      int v = 1;
      for (int missing = 0; missing < 5; ++missing) {
        int* p[5] = {&v, &v, &v, &v, &v};
        p[missing] = nullptr;
        EXPECT_EQ(-9, fn(0, "ES", 1240315, 930, 1, p[0], p[1], p[2], p[3], p[4], 0));
      }
    }
    EXPECT_EQ(2, call("ES"));
    for (const char* bad : {"../up", "a/b", "a\\b", "C:x", "x..y", "CON", "nul.1", "Lpt3 "}) {
      EXPECT_EQ(-10, call(bad)) << bad;
      EXPECT_EQ(1, call("ES")) << bad;  // the run moved on to the refused symbol
    }
  }
  EXPECT_EQ("<missing>", File("../up"));
  EXPECT_EQ("<missing>", File("../up", ".txt"));
}

TEST_P(BarExportTest, LongSymbolsAreRememberedWhole) {
  const std::string symbol(120, 'S');
  EXPECT_EQ(1, Csv(symbol.c_str(), kEsBar, 0));
  EXPECT_EQ(2, Csv(symbol.c_str(), kEsBar, 0));
  EXPECT_EQ(1, Csv((symbol + "T").c_str(), kEsBar, 0));
  const std::string row = "\"" + symbol + "\",20240315,093000,5123.4502,5124.0000,5123.0000,5123.5000,1200\r\n";
  EXPECT_EQ(kCsvHeader + row + row, File(symbol));
  EXPECT_EQ(1, Txt(symbol.c_str(), kEsBar, 1));
  EXPECT_EQ(2, Txt(symbol.c_str(), kEsBar, 1));
}

VQM_INSTANTIATE_BACKEND_TESTS(BarExportTest);

}  // namespace
}  // namespace vqm
