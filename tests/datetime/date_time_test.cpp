#include "datetime/date_time.h"

#include <gtest/gtest.h>

#include <climits>

#include "datetime/date_time_fixture.h"
#include "datetime/host_forms.h"

namespace vqm {
namespace {

using test::Fields;
using test::MakeDateTime;

class DateTimeValueTest : public test::DateTimeTest {};

TEST_F(DateTimeValueTest, SetDateTimeChecksRangesAndLogsRefusals) {
  struct Case {
    int date, time, result;
    const char* fields;  // starting from 2020-05-06 07:08:09
    int valid;
    const char* log;     // what the call writes to the log
  } cases[] = {
      {20240229, 235959, 0, "2024-02-29 23:59:59", 1, ""},
      {20230229, 0, 0, "2023-02-29 00:00:00", 0, ""},
      {20240231, 126199, 0, "2024-02-31 12:61:99", 0, ""},  // range checks only
      {20240315, 240000, 0, "2024-03-15 24:00:00", 0, ""},
      {19000101, 0, 0, "1900-01-01 00:00:00", 1, ""},
      {21551231, 235959, 0, "2155-12-31 23:59:59", 1, ""},
      {18991231, 120000, -1, "2020-05-06 12:00:00", 1, " |Invalid Date: 18991231\n"},
      {21560101, 93000, -1, "2020-05-06 09:30:00", 1, " |Invalid Date: 21560101\n"},
      {29991231, 0, -1, "2020-05-06 00:00:00", 1, " |Invalid Date: 29991231\n"},
      {-20240315, 0, -1, "2020-05-06 00:00:00", 1, " |Invalid Date: -20240315\n"},
      {20240315, 240001, -2, "2020-05-06 07:08:09", 1, " |Invalid Time: 240001\n"},
      {20240315, -1, -2, "2020-05-06 07:08:09", 1, " |Invalid Time: -1\n"},
  };
  std::string log;
  for (const Case& c : cases) {
    DateTime v = MakeDateTime(2020, 5, 6, 7, 8, 9);
    EXPECT_EQ(c.result, v.SetDateTime(c.date, c.time)) << c.date << " " << c.time;
    EXPECT_EQ(c.fields, Fields(v)) << c.date << " " << c.time;
    EXPECT_EQ(c.valid, v.IsValid()) << c.date << " " << c.time;
    log += c.log;
    EXPECT_EQ(log, DateTimeLogMessages()) << c.date << " " << c.time;
  }
}

// The host's date and time converted without SetDateTime where it would take them as they
// stand, and through it elsewhere: the same six bytes and the same log either way. The memo
// that keeps a date's part from the call before gives the same bytes, fed the plain cases in
// turn (the date changes, comes back and repeats).
TEST_F(DateTimeValueTest, HostBarTimeEqualsTheSetterOnBothSidesOfItsShortcut) {
  struct Case {
    int hostDate, hostTime;
    bool plain;
  } cases[] = {
      {101, 0, true},        {100, 0, false},       {2551231, 2400, true},
      {2551232, 0, false},   {1240315, 2401, false}, {1240315, -1, false},
      {1240099, 2399, true}, {1241399, 99, true},   {-1, 0, false},
      {INT_MIN, INT_MIN, false}, {1240315, 42949673, false},  // * 100 wraps to 4 seconds
      {900000, 930, true},   {INT_MAX, 0, false},   {900000, 2400, true},
      {1240099, 0, true},
  };
  PlainHostBarBytesMemo memo;
  for (const Case& c : cases) {
    EXPECT_EQ(c.plain, IsPlainHostBarTime(c.hostDate, c.hostTime)) << c.hostDate << " " << c.hostTime;
    const std::string before = DateTimeLogMessages();
    DateTime viaSetter;
    viaSetter.SetDateTime(CalendarDateOfHostDate(c.hostDate), ClockTimeOfHostTime(c.hostTime));
    const std::string afterSetter = DateTimeLogMessages();
    const DateTime t = HostBarTime(c.hostDate, c.hostTime);
    EXPECT_EQ(Fields(viaSetter), Fields(t)) << c.hostDate << " " << c.hostTime;
    EXPECT_EQ(PackedBytes(viaSetter), PackedBytes(t)) << c.hostDate << " " << c.hostTime;
    if (c.plain) {
      EXPECT_EQ(PackedBytes(viaSetter), memo(c.hostDate, c.hostTime)) << c.hostDate;
    }
    EXPECT_EQ(afterSetter + afterSetter.substr(before.size()), DateTimeLogMessages())
        << c.hostDate << " " << c.hostTime;
  }
}

// The packed key orders as Compare at depth 6 does, and equal keys are equal values.
TEST_F(DateTimeValueTest, ChronologicalKeyOrdersAsCompare) {
  const DateTime values[] = {
      MakeDateTime(1900, 1, 1),          MakeDateTime(2024, 3, 15, 9, 30),
      MakeDateTime(2024, 3, 15, 9, 30, 1), MakeDateTime(2024, 3, 16),
      MakeDateTime(2024, 4, 1),          MakeDateTime(2155, 12, 31, 23, 59, 59),
      MakeDateTime(2024, 3, 15, 255, 255, 255), DateTime(),
  };
  for (const DateTime& a : values)
    for (const DateTime& b : values) {
      const uint64_t ka = ChronologicalKey(a), kb = ChronologicalKey(b);
      EXPECT_EQ(a.Compare(b, 6), ka < kb ? -1 : ka > kb ? 1 : 0) << Fields(a) << " " << Fields(b);
      EXPECT_EQ(a.Compare(b, 6) == 0, PackedBytes(a) == PackedBytes(b));
    }
}

TEST_F(DateTimeValueTest, IntegerFormChecks) {
  struct Case {
    int value, validDate, validTime;
  } cases[] = {
      {0, 0, 1},         {-1, 0, 0},        {19000100, 0, 0}, {19000101, 1, 0},
      {29991231, 1, 0},  {29991232, 0, 0},  {240000, 0, 1},   {240001, 0, 0},
      {INT_MIN, 0, 0},   {INT_MAX, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.validDate, IsValidDateInt(c.value)) << c.value;
    EXPECT_EQ(c.validTime, IsValidTimeInt(c.value)) << c.value;
  }
}

TEST_F(DateTimeValueTest, CalendarTables) {
  struct Case {
    int year, month, days, yearDays;
  } cases[] = {
      {1900, 2, 28, 365}, {2000, 2, 29, 366}, {2023, 2, 28, 365}, {2024, 2, 29, 366},
      {2100, 2, 28, 365}, {2024, 1, 31, 366}, {2024, 4, 30, 366}, {2024, 12, 31, 366},
      {2024, 0, 0, 366},  {2024, 13, 0, 366}, {2024, -1, 0, 366},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.days, DaysInMonth(c.year, c.month)) << c.year << "-" << c.month;
    EXPECT_EQ(c.yearDays, DaysInYear(c.year)) << c.year;
  }
}

TEST_F(DateTimeValueTest, EmptyValidAndTimeOfDay) {
  DateTime v;
  EXPECT_EQ(1, v.IsEmpty());
  EXPECT_EQ(0, v.IsValid());
  EXPECT_EQ(1900, v.GetYear());
  EXPECT_EQ(0, v.SetTimeOfDay(86399));
  EXPECT_EQ("1900-00-00 23:59:59", Fields(v));
  EXPECT_EQ(86399, v.SecondsOfDay());
  EXPECT_EQ(0, v.IsEmpty());
  v.Clear();
  EXPECT_EQ(1, v.IsEmpty());
  DateTime day = MakeDateTime(2024, 3, 15, 9, 30, 1);
  day.SetTimeOfDay(3661);
  EXPECT_EQ("2024-03-15 01:01:01", Fields(day));
}

TEST_F(DateTimeValueTest, ToDateIntModes) {
  struct Case {
    DateTime v;
    int mode, result;
  } cases[] = {
      {MakeDateTime(2024, 3, 15), 1, 1240315},  {MakeDateTime(2024, 3, 15), 0, 20240315},
      {MakeDateTime(2024, 3, 15), 2, 20240315}, {MakeDateTime(2024, 3, 15), -1, 1240315},
      {MakeDateTime(2024, 3, 15), -2, 20240315}, {MakeDateTime(1999, 12, 31), 1, 991231},
      {MakeDateTime(2024, 2, 30), 1, 0},        {MakeDateTime(2024, 2, 30), 0, 0},
      {MakeDateTime(2024, 2, 30), -1, 1240230}, {MakeDateTime(2024, 2, 30), -2, 20240230},
      {MakeDateTime(2024, 3, 15, 24), 0, 0},    {DateTime(), -2, 19000000},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.v.ToDateInt(c.mode)) << Fields(c.v);
}

TEST_F(DateTimeValueTest, AddSecondsCarriesIntoTheDate) {
  struct Case {
    DateTime start;
    int seconds;
    const char* result;
  } cases[] = {
      {MakeDateTime(2024, 3, 1), -1, "2024-02-29 23:59:59"},
      {MakeDateTime(2023, 12, 31, 23, 59, 58), 86400 * 2 + 5, "2024-01-03 00:00:03"},
      {MakeDateTime(2024, 3, 15, 14, 5, 9), 0, "2024-03-15 14:05:09"},
      {MakeDateTime(2024, 3, 15), -86400, "2024-03-14 00:00:00"},
      {MakeDateTime(2024, 3, 15), -86401, "2024-03-13 23:59:59"},
      {MakeDateTime(2024, 3, 1), -86400 * 366, "2023-03-01 00:00:00"},
      {MakeDateTime(1900, 3, 1), -1, "1900-02-28 23:59:59"},
      {MakeDateTime(2000, 1, 1), INT_MAX, "2068-01-19 03:14:07"},
      {MakeDateTime(2100, 1, 1), INT_MIN, "2031-12-13 20:45:52"},
      // The ends of the year byte hold instead of wrapping to the other end.
      {MakeDateTime(2155, 12, 31, 23, 59, 59), 1, "2155-12-31 23:59:59"},
      {MakeDateTime(2155, 12, 30, 1), 3 * 86400, "2155-12-31 23:59:59"},
      {MakeDateTime(1900, 1, 1), -1, "1900-01-01 00:00:00"},
      {MakeDateTime(1900, 1, 2, 12), INT_MIN, "1900-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    DateTime v = c.start;
    v.AddSeconds(c.seconds);
    EXPECT_EQ(c.result, Fields(v)) << Fields(c.start) << " + " << c.seconds;
  }
}

TEST_F(DateTimeValueTest, AddDaysStepsTheCalendar) {
  struct Case {
    DateTime start;
    int days;
    const char* result;
  } cases[] = {
      {MakeDateTime(2024, 2, 28, 7), 1, "2024-02-29 07:00:00"},
      {MakeDateTime(2023, 2, 28, 7), 1, "2023-03-01 07:00:00"},
      {MakeDateTime(2023, 12, 31), 1, "2024-01-01 00:00:00"},
      {MakeDateTime(2024, 1, 1), -1, "2023-12-31 00:00:00"},
      {MakeDateTime(2024, 3, 1), -1, "2024-02-29 00:00:00"},
      {MakeDateTime(2024, 1, 31), 30, "2024-03-01 00:00:00"},
      {MakeDateTime(2024, 3, 15), 0, "2024-03-15 00:00:00"},
      {MakeDateTime(2024, 2, 31), 1, "2024-03-01 00:00:00"},  // an invalid day moves on
      {MakeDateTime(2155, 12, 30), 1000, "2155-12-31 00:00:00"},
      {MakeDateTime(1900, 1, 2), -1000, "1900-01-01 00:00:00"},
      {MakeDateTime(2000, 1, 1), INT_MAX, "2155-12-31 00:00:00"},
      {MakeDateTime(2000, 1, 1), INT_MIN, "1900-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    DateTime v = c.start;
    v.AddDays(c.days);
    EXPECT_EQ(c.result, Fields(v)) << Fields(c.start) << " + " << c.days;
  }
}

TEST_F(DateTimeValueTest, CompareByDepth) {
  const DateTime base = MakeDateTime(2024, 3, 15, 10, 0, 0);
  struct Case {
    DateTime other;
    int depth, result;
  } cases[] = {
      {MakeDateTime(2024, 3, 15, 9, 0, 0), 3, 0},   {MakeDateTime(2024, 3, 15, 9, 0, 0), 4, 1},
      {MakeDateTime(2024, 3, 15, 10, 0, 1), 5, 0},  {MakeDateTime(2024, 3, 15, 10, 0, 1), 6, -1},
      {MakeDateTime(2024, 3, 15, 10, 0, 1), 0, -1}, {MakeDateTime(2024, 3, 15, 10, 0, 1), 7, -1},
      {MakeDateTime(2024, 3, 15, 10, 0, 1), -1, -1}, {MakeDateTime(2025, 1, 1), 1, -1},
      {MakeDateTime(2024, 2, 29, 23), 1, 0},        {MakeDateTime(2024, 2, 29, 23), 2, 1},
      {MakeDateTime(2024, 3, 16), 3, -1},           {MakeDateTime(2024, 3, 15, 10), 6, 0},
      {MakeDateTime(2024, 3, 15, 10, 59), 5, -1},   {DateTime(), 6, 1},
      {MakeDateTime(2155, 1, 1), 6, -1},            // bytes compare unsigned
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, base.Compare(c.other, c.depth)) << Fields(c.other) << " " << c.depth;
    EXPECT_EQ(c.result, base.Compare(&c.other, c.depth)) << Fields(c.other) << " " << c.depth;
    EXPECT_EQ(-c.result, c.other.Compare(base, c.depth)) << Fields(c.other) << " " << c.depth;
  }
}

TEST_F(DateTimeValueTest, CompareWithNowUsesTheLocalClock) {
  EXPECT_EQ(0, MakeDateTime(2032, 7, 9, 10, 11, 12).Compare(nullptr));
  EXPECT_EQ(-1, MakeDateTime(2032, 7, 9, 10, 11, 11).Compare(nullptr));
  EXPECT_EQ(0, MakeDateTime(2032, 7, 9).Compare(nullptr, 3));
}

TEST_F(DateTimeValueTest, DayNumberOfKnownDates) {
  struct Case {
    DateTime v;
    int julianDay;
  } cases[] = {
      {MakeDateTime(2000, 1, 1), 2451545},   {MakeDateTime(1900, 1, 1), 2415021},
      {MakeDateTime(1900, 3, 1), 2415080},   {MakeDateTime(1970, 1, 1), 2440588},
      {MakeDateTime(2000, 2, 29), 2451604},  {MakeDateTime(2024, 3, 15, 23, 59), 2460385},
      {MakeDateTime(2155, 12, 31), 2508522},
  };
  for (const Case& c : cases) EXPECT_EQ(c.julianDay, c.v.DayNumber()) << Fields(c.v);
}

// Every day of the year byte's range, walked with AddDays, numbers one more than the day
// before: the calendar step and the Julian day formula agree on each month and leap year.
TEST_F(DateTimeValueTest, DayNumberAndAddDaysAgreeOnEveryDay) {
  DateTime v = MakeDateTime(1900, 1, 1);
  int expected = 2415021;
  int days = 0;
  while (v.Compare(MakeDateTime(2155, 12, 31), 3) < 0) {
    ASSERT_EQ(expected, v.DayNumber()) << Fields(v);
    ASSERT_EQ(1, v.IsValid()) << Fields(v);
    v.AddDays(1);
    ++expected;
    ++days;
  }
  EXPECT_EQ(2508522, v.DayNumber());
  EXPECT_EQ(2508522 - 2415021, days);
}

TEST_F(DateTimeValueTest, SecondsUntil) {
  struct Case {
    DateTime from, to;
    int seconds;
  } cases[] = {
      {MakeDateTime(2023, 12, 31, 23, 59, 50), MakeDateTime(2024, 1, 1, 0, 0, 10), 20},
      {MakeDateTime(2024, 1, 1, 0, 0, 10), MakeDateTime(2023, 12, 31, 23, 59, 50), -20},
      {MakeDateTime(2024, 3, 15, 9), MakeDateTime(2024, 3, 15, 9), 0},
      {MakeDateTime(2024, 2, 28), MakeDateTime(2024, 3, 1), 2 * 86400},
      {MakeDateTime(1900, 1, 1), MakeDateTime(2155, 12, 31, 23, 59, 59), INT_MAX},
      {MakeDateTime(2155, 12, 31, 23, 59, 59), MakeDateTime(1900, 1, 1), INT_MIN},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.seconds, c.from.SecondsUntil(c.to)) << Fields(c.from) << " " << Fields(c.to);
    EXPECT_EQ(c.seconds, c.from.SecondsUntil(&c.to)) << Fields(c.from) << " " << Fields(c.to);
  }
}

TEST_F(DateTimeValueTest, StopwatchAgainstTheLocalClock) {
  DateTime start;
  start.SetNowLocal();
  EXPECT_EQ("2032-07-09 10:11:12", Fields(start));
  StopClock(2032, 7, 10, 0, 0, 15, 7200);
  EXPECT_EQ(13 * 3600 + 48 * 60 + 63, start.SecondsUntil());
  EXPECT_EQ(13 * 3600 + 48 * 60 + 63, start.SecondsUntil(DateTime()));  // empty: now
  DateTime now;
  now.SetNowLocal();
  EXPECT_EQ(0, now.SecondsUntil());
}

TEST_F(DateTimeValueTest, FailedLocalConversion) {
  test::SetClock([] {
    platform::ClockReading r = test::MakeReading(2032, 7, 9, 10, 11, 12);
    r.localValid = false;
    return r;
  });
  DateTime v;
  v.SetNowLocal();
  EXPECT_EQ(148, v.year);
  EXPECT_EQ("2048-00-00 255:255:255", Fields(v));
}

}  // namespace
}  // namespace vqm
