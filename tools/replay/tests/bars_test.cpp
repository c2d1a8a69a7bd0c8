// Bar files: what is accepted, in the host's encodings, and the one-line error for the rest.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "bars.h"
#include "sample_bars.h"

namespace vqm::replay {
namespace {

const std::string kBar9 = "20240311,0700,5101.50,5102.00,5101.00,5101.25,5200,2080,3120\n";
const std::string kBar7 = "20240311,0700,5101.50,5102.00,5101.00,5101.25,5200\n";

std::string FixturePath(const char* name) {
  // Wine shows the Unix root as drive Z:.
#if defined(_WIN32)
  return std::string("Z:") + VQM_REPLAY_FIXTURES + "/" + name;
#else
  return std::string(VQM_REPLAY_FIXTURES) + "/" + name;
#endif
}

std::string Parse(const std::string& text, BarSeries* out) {
  std::string error;
  return ParseBars(text.data(), text.size(), "f.csv", out, &error) ? "" : error;
}

TEST(BarFile, ReadsTheHostsEncodingsAndBothPriceForms) {
  BarSeries s;
  ASSERT_EQ("", Parse("Date,Time,O,H,L,C,V,Up,Down\r\n" + kBar9 +
                          "2024-03-11,07:01,5101.25,5101.25,5100.5,5100.75,4994,2147.5,2846.5",
                      &s));
  ASSERT_EQ(2u, s.bars.size());
  EXPECT_TRUE(s.hasTickVolumes);
  const Bar& a = s.bars[0];
  EXPECT_EQ(1240311, a.hostDate);
  EXPECT_EQ(700, a.hostTime);
  EXPECT_EQ(2, a.line);
  EXPECT_EQ(5101.5, a.open);
  EXPECT_EQ(5101.25f, a.closeF);
  EXPECT_EQ(5200, a.volume);
  EXPECT_EQ(3120.0f, a.downVolume);
  const Bar& b = s.bars[1];
  EXPECT_EQ(701, b.hostTime);
  EXPECT_EQ(2147.5f, b.upVolume);
  EXPECT_EQ(3, b.line);
}

TEST(BarFile, KeepsThePriceAsWrittenAndAsTheNearestFloat) {
  BarSeries s;
  // 16777217.000000001: its nearest double, 16777217, lies halfway between two floats and
  // would round to 16777216; the float nearest the text is 16777218.
  ASSERT_EQ("", Parse("20240311,0700,5101.3,16777217.000000001,5101.3,+5101.3,1\n", &s));
  EXPECT_EQ(5101.3, s.bars[0].open);
  EXPECT_EQ(5101.3f, s.bars[0].openF);
  EXPECT_EQ(5101.3f, s.bars[0].closeF);
  EXPECT_EQ(16777218.0f, s.bars[0].highF);
  EXPECT_STREQ("+5101.3", s.bars[0].text[3]);
}

TEST(BarFile, SkipsCommentsBlankLinesAndOneHeader) {
  BarSeries s;
  ASSERT_EQ("", Parse("# synthetic\n\n   \nDate,Time,O,H,L,C,V\n" + kBar7, &s));
  ASSERT_EQ(1u, s.bars.size());
  EXPECT_FALSE(s.hasTickVolumes);
  EXPECT_EQ(5, s.bars[0].line);
  // Only the first line may be a header.
  EXPECT_EQ("f.csv:2: column 1 (date): 'Date' is not a date (YYYYMMDD, YYYY-MM-DD, MM/DD/YYYY or "
            "DD.MM.YYYY)",
            Parse(kBar7 + "Date,Time,O,H,L,C,V\n", &s));
}

TEST(BarFile, RefusesWhatIsNotABarWithTheLineColumnAndReason) {
  const std::string next9 = "20240311,0701,5101.25,5101.25,5100.50,5100.75,4994,2147,2847\n";
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {"", "f.csv:1: empty file, no bars"},
      {"# only a comment\n", "f.csv:1: no bars in the file"},
      {"Date,Time,Close\r\n", "f.csv:1: no bars in the file"},
      {kBar9 + "20240311,0701,5101.25,51O1.25,5100.50,5100.75,4994,2147,2847\n",
       "f.csv:2: column 4 (high): '51O1.25' is not a number"},
      {kBar9 + "20240311,0701,5101.25,5101.25,5100.50,5100.75,4994\n",
       "f.csv:2: expected 9 fields like the first bar, found 7"},
      {"20240311,0700,1,1,1,1\n",
       "f.csv:1: expected 7 fields (date,time,open,high,low,close,volume) or 9 (with up-tick "
       "and down-tick volume), found 6, and no header line naming the columns"},
      {"Date,Open,High,Low,Adj Close\n", "f.csv:1: the header names no close column (columns: "
                                         "Date, Open, High, Low, Adj Close)"},
      {"Open;Last\n", "f.csv:1: the header names no date column (columns: Open, Last)"},
      {"Date,Time,Close\n20240311,0930\n",
       "f.csv:2: expected 3 fields or more for the close column, found 2"},
      {"20230229,0700,1,1,1,1,1\n",
       "f.csv:1: column 1 (date): '20230229' is not a calendar date between 1900 and 2099"},
      {"2024031,0700,1,1,1,1,1\n",
       "f.csv:1: column 1 (date): '2024031' is not a date (YYYYMMDD, YYYY-MM-DD, MM/DD/YYYY or "
       "DD.MM.YYYY)"},
      {"Date,Close\n15/03/2024,1\n",
       "f.csv:2: column 1 (Date): '15/03/2024' is not month/day/year (--date-format dmy reads "
       "day first)"},
      {"20240311,2400,1,1,1,1,1\n", "f.csv:1: column 2 (time): '2400' is not a time of day"},
      {"20240311,9.30,1,1,1,1,1\n",
       "f.csv:1: column 2 (time): '9.30' is not a time (HHMM, HH:MM or HH:MM:SS)"},
      // What cannot be seen is spelled out: a no-break space, a tab in a comma file.
      {"20240311,0700,1\xc2\xa0,1,1,1,1\n", "f.csv:1: column 3 (open): '1\\xc2\\xa0' is not a number"},
      {"Date,Time,Close\n20240311,0700,1\t2\n", "f.csv:2: column 3 (Close): '1\\t2' is not a number"},
      {"20240311,0700,0,1,0,1,1\n", "f.csv:1: column 3 (open): '0' is not above zero"},
      {"20240311,0700,nan,1,1,1,1\n", "f.csv:1: column 3 (open): 'nan' is not a number"},
      {"20240311,0700,1,inf,1,1,1\n", "f.csv:1: column 4 (high): 'inf' is not a number"},
      {"20240311,0700,1,1,1,1,1.5\n",
       "f.csv:1: column 7 (volume): '1.5' is not a whole number from 0 to 2147483647"},
      {"20240311,0700,1,1,1,1,2147483648\n",
       "f.csv:1: column 7 (volume): '2147483648' is not a whole number from 0 to 2147483647"},
      {"20240311,0700,1,1,1,1,1,-1,1\n",
       "f.csv:1: column 8 (up-tick volume): '-1' is not a number of 0 or more"},
      {"20240311,0700,1,1,2,1,1\n",
       "f.csv:1: prices out of order: open and close must lie between low and high"},
      {next9 + kBar9, "f.csv:2: date and time not after those of the bar on line 1 (bars must "
                      "run oldest first, one per minute at most)"},
      {std::string("\xff\xfe") + "D\0a\0", "f.csv:1: UTF-16 text; save the file as UTF-8 or plain text"},
  };
  for (const Case& c : cases) {
    BarSeries s;
    EXPECT_EQ(c.error, Parse(c.text, &s)) << c.text;
  }
}

// The fixtures: one small random walk in every layout the reader takes (make_fixtures.py).
TEST(BarFile, ReadsEveryLayoutOfTheFixtures) {
  struct Case {
    const char* file;
    bool daily, tickVolumes;
    int firstDate, firstTime, lastDate, lastTime;
    const char* firstOpen;
    const char* lastClose;
    int lastVolume;
  } cases[] = {
      {"positional.csv", false, false, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
      {"daily_adjusted.csv", true, false, 1240311, 0, 1240315, 0, "5123.00", "5122.86", 746},
      {"reordered.csv", false, true, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
      {"spreadsheet.csv", false, false, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
      {"european.csv", false, false, 1240311, 930, 1240311, 934, "5123,00", "5122,86", 746},
      {"platform_tabs.txt", false, false, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
      {"iso_timestamp.csv", false, false, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
      {"export_savecsv.csv", false, false, 1240311, 930, 1240311, 934, "5123.0000", "5122.8600", 746},
      {"export_savetxt.txt", false, false, 1240311, 930, 1240311, 934, "5123.0000", "5122.8600", 746},
      {"export_savetxt_daily.txt", true, false, 1240311, 0, 1240315, 0, "5123.0000", "5122.8600", 746},
      {"export_savecsv2.csv", false, true, 1240311, 930, 1240311, 934, "5123.00", "5122.86", 746},
  };
  for (const Case& c : cases) {
    BarSeries s;
    std::string error;
    ASSERT_TRUE(ReadBarFile(FixturePath(c.file), &s, &error)) << error;
    ASSERT_EQ(5u, s.bars.size()) << c.file;
    const Bar& first = s.bars.front();
    const Bar& last = s.bars.back();
    EXPECT_EQ(c.daily, s.daily) << c.file;
    EXPECT_EQ(c.tickVolumes, s.hasTickVolumes) << c.file;
    EXPECT_EQ(c.firstDate, first.hostDate) << c.file;
    EXPECT_EQ(c.firstTime, first.hostTime) << c.file;
    EXPECT_EQ(c.lastDate, last.hostDate) << c.file;
    EXPECT_EQ(c.lastTime, last.hostTime) << c.file;
    EXPECT_STREQ(c.firstOpen, first.text[0]) << c.file;
    EXPECT_STREQ(c.lastClose, last.text[3]) << c.file;
    EXPECT_EQ(5123.0, first.open) << c.file;
    EXPECT_EQ(5122.86f, last.closeF) << c.file;
    EXPECT_EQ(5124.74, first.high) << c.file;
    EXPECT_EQ(5122.75, last.low) << c.file;
    EXPECT_EQ(c.lastVolume, last.volume) << c.file;
  }
}

TEST(BarFile, LinesUpToTheLimitAreRead) {
  // A bar padded with blanks to exactly the limit, then CR LF.
  std::string line = kBar7.substr(0, kBar7.size() - 1);
  line.insert(0, kMaxBarLine - line.size(), ' ');
  BarSeries s;
  EXPECT_EQ("", Parse(line + "\r\n", &s));
  EXPECT_EQ("f.csv:1: line longer than 4096 characters", Parse(" " + line + "x\n", &s));
}

// The file reader and the text parser agree, line numbers and errors included.
TEST(BarFile, FileAndTextGiveTheSameAnswer) {
  const std::string path = testing::TempDir() + "replay_bars_test.csv";
  const std::string texts[] = {"# c\n" + kBar9 + "x\n", kBar7, std::string(5000, '1'), "\n\n",
                               "\xef\xbb\xbf" + kBar7.substr(0, kBar7.size() - 1) + "\r"};
  for (const std::string& text : texts) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    BarSeries fromFile, fromText;
    std::string fileError, textError;
    const bool fileOk = ReadBarFile(path, &fromFile, &fileError);
    const bool textOk = ParseBars(text.data(), text.size(), path, &fromText, &textError);
    EXPECT_EQ(textOk, fileOk) << text;
    EXPECT_EQ(textError, fileError);
    EXPECT_EQ(fromText.bars.size(), fromFile.bars.size());
  }
  remove(path.c_str());
  std::string error;
  BarSeries s;
  EXPECT_FALSE(ReadBarFile(path, &s, &error));
  EXPECT_EQ(path + ": cannot open (No such file or directory)", error);
}

TEST(BarFile, TheBundledSampleIsAWellFormedChart) {
  BarSeries s;
  std::string error;
  ASSERT_TRUE(ParseBars(kSampleBars, kSampleBarsSize, "sample", &s, &error)) << error;
  EXPECT_EQ(3600u, s.bars.size());
  EXPECT_TRUE(s.hasTickVolumes);
  EXPECT_NE(std::string::npos, std::string(kSampleBars, 200).find("NOT market data"));
}

}  // namespace
}  // namespace vqm::replay
