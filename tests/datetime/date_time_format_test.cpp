#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "datetime/date_time.h"
#include "datetime/date_time_fixture.h"

namespace vqm {
namespace {

using test::MakeDateTime;

TEST(DateTimeFormat, EveryLayoutOnMidnightNoonAndTheEndsOfTheRange) {
  const DateTime values[4] = {
      MakeDateTime(2024, 3, 15, 14, 5, 9),
      MakeDateTime(2000, 1, 1, 0, 0, 0),
      MakeDateTime(2024, 7, 4, 12, 0, 0),
      MakeDateTime(2155, 12, 31, 23, 59, 59),
  };
  struct Case {
    int code;
    const char* text[4];
  } cases[] = {
      {0, {"20240315 14:05:09", "20000101 00:00:00", "20240704 12:00:00", "21551231 23:59:59"}},
      {1, {"20240315", "20000101", "20240704", "21551231"}},
      {2, {"14:05:09", "00:00:00", "12:00:00", "23:59:59"}},
      {3, {"3/15/24 14:05:09", "1/1/00 00:00:00", "7/4/24 12:00:00", "12/31/55 23:59:59"}},
      {4, {"3/15/24", "1/1/00", "7/4/24", "12/31/55"}},
      {5, {"14:05", "00:00", "12:00", "23:59"}},
      {6, {"3/15/2024", "1/1/2000", "7/4/2024", "12/31/2155"}},
      {7, {"02:05:09PM", "00:00:00AM", "12:00:00AM", "11:59:59PM"}},
      {8, {"02:05PM", "00:00AM", "12:00AM", "11:59PM"}},
      {9, {"3/15/2024 14:05:09", "1/1/2000 00:00:00", "7/4/2024 12:00:00", "12/31/2155 23:59:59"}},
      {10, {"20240315_140509", "20000101_000000", "20240704_120000", "21551231_235959"}},
      {11, {"140509", "000000", "120000", "235959"}},
      {12, {"03/15/2024", "01/01/2000", "07/04/2024", "12/31/2155"}},
      {13, {"03/15/2024 14:05", "01/01/2000 00:00", "07/04/2024 12:00", "12/31/2155 23:59"}},
      {14, {"03/15", "01/01", "07/04", "12/31"}},
      {15, {"03/15/2024 02:05PM", "01/01/2000 00:00AM", "07/04/2024 12:00AM", "12/31/2155 11:59PM"}},
      {16, {"03/15/2024 02:05:09PM", "01/01/2000 00:00:00AM", "07/04/2024 12:00:00AM", "12/31/2155 11:59:59PM"}},
      {17, {"03/15/2024 14:05:09", "01/01/2000 00:00:00", "07/04/2024 12:00:00", "12/31/2155 23:59:59"}},
      {18, {"3/15/2024,14:05:09", "1/1/2000,00:00:00", "7/4/2024,12:00:00", "12/31/2155,23:59:59"}},
      {19, {"03/15/2024|14:05:09", "01/01/2000|00:00:00", "07/04/2024|12:00:00", "12/31/2155|23:59:59"}},
      {20, {"3/2024", "1/2000", "7/2024", "12/2155"}},
      {21, {"2024-Q1", "2000-Q1", "2024-Q3", "2155-Q4"}},
      {22, {"Mar/2024", "Jan/2000", "Jul/2024", "Dec/2155"}},
      {23, {"Mar/24", "Jan/00", "Jul/24", "Dec/55"}},
      {24, {"03/15/2024,14:05:09", "01/01/2000,00:00:00", "07/04/2024,12:00:00", "12/31/2155,23:59:59"}},
      {25, {"03/15/2024,14:05", "01/01/2000,00:00", "07/04/2024,12:00", "12/31/2155,23:59"}},
      {26, {"3/15", "1/1", "7/4", "12/31"}},
      {27, {"3/15/2024 14:05", "1/1/2000 00:00", "7/4/2024 12:00", "12/31/2155 23:59"}},
      {28, {"Mar+15%2C+2024", "Jan+1%2C+2000", "Jul+4%2C+2024", "Dec+31%2C+2155"}},
      {29, {"Mar/15/2024 14:05:09", "Jan/1/2000 00:00:00", "Jul/4/2024 12:00:00", "Dec/31/2155 23:59:59"}},
      {30, {"2024/3/15", "2000/1/1", "2024/7/4", "2155/12/31"}},
  };
  ASSERT_EQ(31u, sizeof cases / sizeof cases[0]);
  std::string text;
  char buffer[64];
  for (const Case& c : cases)
    for (int i = 0; i < 4; ++i) {
      const int length = static_cast<int>(strlen(c.text[i]));
      EXPECT_EQ(length, values[i].FormatText(text, c.code)) << c.code;
      EXPECT_EQ(c.text[i], text) << c.code;
      EXPECT_EQ(length, values[i].FormatText(buffer, sizeof buffer, c.code)) << c.code;
      EXPECT_STREQ(c.text[i], buffer) << c.code;
    }
}

TEST(DateTimeFormat, TwelveHourForms) {
  struct Case {
    int hour;
    const char* text;
  } cases[] = {{0, "00:30AM"},  {1, "01:30AM"},  {11, "11:30AM"}, {12, "12:30AM"},
               {13, "01:30PM"}, {23, "11:30PM"}};
  std::string text;
  for (const Case& c : cases) {
    MakeDateTime(2024, 3, 15, c.hour, 30).FormatText(text, 8);
    EXPECT_EQ(c.text, text) << c.hour;
  }
}

TEST(DateTimeFormat, UnknownCodesLeaveTheTextAlone) {
  const DateTime v = MakeDateTime(2024, 3, 15, 14, 5, 9);
  std::string text = "kept";
  char buffer[8] = "kept";
  for (int code : {-1, 31, 1000}) {
    EXPECT_EQ(-1, v.FormatText(text, code));
    EXPECT_EQ("kept", text);
    EXPECT_EQ(-1, v.FormatText(buffer, sizeof buffer, code));
    EXPECT_STREQ("kept", buffer);
  }
}

TEST(DateTimeFormat, BufferFormIsBounded) {
  const DateTime v = MakeDateTime(2024, 3, 15, 14, 5, 9);
  char buffer[9] = "xxxxxxxx";
  EXPECT_EQ(4, v.FormatText(buffer, 5, 0));
  EXPECT_STREQ("2024", buffer);
  EXPECT_EQ('x', buffer[5]);
  EXPECT_EQ(0, v.FormatText(buffer, 1, 0));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0, v.FormatText(nullptr, 10, 0));
}

TEST(DateTimeFormat, MonthNames) {
  const char* shortNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* longNames[] = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November",
                             "December"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(shortNames[m - 1], MonthName(m, 1));
    EXPECT_EQ(shortNames[m - 1], MonthName(m, -7));
    EXPECT_EQ(longNames[m - 1], MonthName(m, 0));
  }
  EXPECT_EQ("?0", MonthName(0, 1));
  EXPECT_EQ("?13", MonthName(13, 0));
  EXPECT_EQ("?-1", MonthName(-1, 1));
  std::string text;
  MakeDateTime(2024, 0, 5).FormatText(text, 28);
  EXPECT_EQ("?0+5%2C+2024", text);
}

}  // namespace
}  // namespace vqm
