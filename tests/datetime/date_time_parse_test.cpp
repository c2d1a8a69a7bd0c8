#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "datetime/date_time.h"
#include "datetime/date_time_fixture.h"

namespace vqm {
namespace {

using test::Fields;
using test::MakeDateTime;

// The fixture's clock: local 2032-07-09 10:11:12, UTC 08:11:12, Eastern (summer) 04:11:12.
class DateTimeParseTest : public test::DateTimeTest {};

TEST_F(DateTimeParseTest, DateTexts) {
  struct Case {
    const char* text;
    int result;
  } cases[] = {
      {"20240315", 20240315},  {"18000000", 18000000},  {"29991231", 29991231},
      {"240315", 20240315},    {"991231", 19991231},    {"700101", 19700101},
      {"691231", 20691231},    {"5/", 20000005},        // YYMMDD: no month or day check
      {"17991231", -1},        {"30000101", -1},        {"99999999999", -1},
      {"2024-03-15", 20240315}, {"24-3-5", 20240305},   {"2024-13-01", -2},
      {"2024-02-30", -3},      {"3/15/2024", 20240315}, {"03/15/24", 20240315},
      {"3/15/69", 20690315},   {"3/15/70", 19700315},   {"3/15/3000", -1},
      {"3/15", 20320315},      {"2/29", 20320229},      {"2/29/2024", 20240229},
      {"2/29/2023", -3},       {"2/29/1900", -3},       {"02/30/2024", -3},
      {"13/01/2024", -2},      {"0/1/2024", -2},        {"1/0/2024", -3},
      {"1/32/2024", -3},       {"abc", -1},             {"", -1},
      {" 240315", -1},         {"Mar", -1},             {nullptr, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.result, ParseDateText(c.text)) << (c.text ? c.text : "(null)");
}

TEST_F(DateTimeParseTest, TimeTexts) {
  struct Case {
    const char* text;
    int result;
  } cases[] = {
      {"9", 90000},           {"930", 93000},          {"93000", 93000},
      {"2400", 2400},         {"24", 2400},            {"0", 0},
      {"", 0},                {"x", 0},                {"2147483647", INT_MAX},
      {"99999999999", INT_MAX}, {"-5", -1},            {nullptr, -1},
      {"14:05:09", 140509},   {"14:05", 140500},       {"02:05:09 PM", 140509},
      {"12:30 PM", 123000},   {"01:30 PM", 133000},    {"01:30 pm", 133000},
      {"12:30 AM", 123000},   {"1:2:3pm", 130203},     {"23:59:59", 235959},
      {"24:00", -1},          {"-1:00", -1},           {"23:60", -2},
      {"23:-1", -2},          {"23:59:60", -3},        {"9:30:", 93000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.result, ParseTimeText(c.text)) << (c.text ? c.text : "(null)");
}

TEST_F(DateTimeParseTest, SetFromTextResultsAndValues) {
  const std::string longTime = "20240315" + std::string(1000, ' ') + "10:00";
  struct Case {
    const char* text;
    int result;
    const char* fields;  // starting from 2001-02-03 04:05:06
  } cases[] = {
      {"03/15/2024 02:05:09 PM", 0, "2024-03-15 14:05:09"},
      {"2024-03-15 14:05", 0, "2024-03-15 14:05:00"},
      {"3/15", 0, "2032-03-15 00:00:00"},
      {"240315", 0, "2024-03-15 00:00:00"},
      {"  20240315   09:30  ", 0, "2024-03-15 09:30:00"},
      {"3/15/2024 12:30 PM", 0, "2024-03-15 12:30:00"},
      {"3/15/2024 01:30 PM", 0, "2024-03-15 13:30:00"},
      {"20240315 2359", 0, "2024-03-15 23:59:00"},
      {"02/30/2024", -1, "2001-02-03 04:05:06"},
      {"13/01/2024", -1, "2001-02-03 04:05:06"},
      {"Mar 15 2024", -3, "2001-02-03 04:05:06"},
      {"0 10:00", -3, "2001-02-03 04:05:06"},
      {"20240315 25:00", -2, "2001-02-03 04:05:06"},
      {"25:00", -2, "2001-02-03 04:05:06"},
      {"20240315 999999", -2, "2001-02-03 04:05:06"},  // refused by SetDateTime, logged
      {"14:05:09", -1, "2001-02-03 14:05:09"},          // a time alone: the date is refused
      {"21560101", -1, "2001-02-03 00:00:00"},          // beyond the year byte
      {longTime.c_str(), 0, "2024-03-15 00:00:00"},     // cut at 999 characters
      {"", 0, "1900-00-00 00:00:00"},
      {" \t ", 0, "1900-00-00 00:00:00"},
      {nullptr, 0, "1900-00-00 00:00:00"},
  };
  for (const Case& c : cases) {
    DateTime v = MakeDateTime(2001, 2, 3, 4, 5, 6);
    EXPECT_EQ(c.result, v.SetFromText(c.text)) << (c.text ? c.text : "(null)");
    EXPECT_EQ(c.fields, Fields(v)) << (c.text ? c.text : "(null)");
  }
  EXPECT_EQ(
      " |Invalid Time: 999999\n"
      " |Invalid Date: 0\n"
      " |Invalid Date: 21560101\n",
      DateTimeLogMessages());
}

TEST_F(DateTimeParseTest, KeywordsReadTheLocalAndEasternClocks) {
  struct Case {
    const char* text;
    const char* fields;
  } cases[] = {
      {"  Today  ", "2032-07-09 00:00:00"}, {"today", "2032-07-09 00:00:00"},
      {"Now", "2032-07-09 10:11:12"},       {"\tNOW\t", "2032-07-09 10:11:12"},
      {"nowest", "2032-07-09 04:11:12"},    {" NowEST ", "2032-07-09 04:11:12"},
      {"TodayEST", "2032-07-09 00:00:00"},  {"live", "2032-07-09 00:00:00"},
  };
  for (const Case& c : cases) {
    DateTime v = MakeDateTime(2001, 2, 3, 4, 5, 6);
    EXPECT_EQ(0, v.SetFromText(c.text)) << c.text;
    EXPECT_EQ(c.fields, Fields(v)) << c.text;
  }
  // Eastern midnight lies a day before the local one here.
  StopClock(2032, 7, 9, 1, 30, 0, 7200);  // UTC 2032-07-08 23:30:00
  DateTime v;
  EXPECT_EQ(0, v.SetFromText("TodayEST"));
  EXPECT_EQ("2032-07-08 00:00:00", Fields(v));
  EXPECT_EQ(0, v.SetFromText("Today"));
  EXPECT_EQ("2032-07-09 00:00:00", Fields(v));
}

TEST_F(DateTimeParseTest, EasternOffsetFollowsTheMachinesDaylightShift) {
  struct Case {
    bool keyOpened, hasBias, hasActiveBias;
    int bias, activeTimeBias, offset;
  } cases[] = {
      {false, false, false, 0, 0, -18000},    // key not opened: UTC-5
      {true, true, true, 300, 240, -14400},   // US Eastern in summer
      {true, true, true, 300, 300, -18000},   // US Eastern in winter
      {true, true, true, -60, -120, -14400},  // Central Europe in summer
      {true, true, true, 0, 0, -18000},       // UTC
      {true, false, true, 0, -120, -18000},   // a missing value equals the other
      {true, true, false, -60, 0, -18000},
      {true, false, false, 7, 9, -18000},
  };
  for (const Case& c : cases) {
    SetBiases(c.keyOpened, c.hasBias, c.hasActiveBias, c.bias, c.activeTimeBias);
    EXPECT_EQ(c.offset, EasternOffsetSeconds()) << c.bias << " " << c.activeTimeBias;
  }
}

TEST_F(DateTimeParseTest, SetNowEstFromUtc) {
  StopClock(2024, 1, 1, 2, 30, 0, 0);
  SetBiases(false, false, false, 0, 0);  // unreadable settings: UTC minus 5 hours
  DateTime v;
  v.SetNowEST();
  EXPECT_EQ("2023-12-31 21:30:00", Fields(v));
  StopClock(2024, 7, 1, 12, 0, 0, 3600);  // UTC 11:00, local summer time
  SetBiases(true, true, true, -60, -120);
  v.SetNowEST();
  EXPECT_EQ("2024-07-01 07:00:00", Fields(v));
}

}  // namespace
}  // namespace vqm
