// DateTime: the library's calendar value, six unsigned bytes from year to second, with its
// integer forms (YYYYMMDD, host date, HHMMSS), calendar steps, Julian day numbers, the local
// and US Eastern clocks, and its text forms (FormatText, SetFromText and the two parsers).
//
// A plain value: copy it freely, keep it inside records. The empty value (all bytes 0) is what
// a new DateTime holds. Because the bytes run from year to second, comparing them in order
// gives chronological order. Years 1900 to 2155 fit the year byte; nothing stores a later one.
//
// No locks: a value belongs to its user. Only SetDateTime writes to the log.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace vqm {

struct DateTime {
  uint8_t year = 0;    // calendar year - 1900
  uint8_t month = 0;   // 1..12 when valid
  uint8_t day = 0;     // 1..days in the month when valid
  uint8_t hour = 0;    // 0..23 when valid
  uint8_t minute = 0;  // 0..59 when valid
  uint8_t second = 0;  // 0..59 when valid

  void Clear() { *this = DateTime(); }
  // 1 when all six fields are 0.
  int IsEmpty() const;
  // 1 when month, day, hour, minute and second are all in their ranges.
  int IsValid() const;
  int GetYear() const { return year + 1900; }
  int SecondsOfDay() const { return hour * 3600 + minute * 60 + second; }
  // REQUIRES: 0 <= seconds <= 86399. The date is unchanged. Returns 0.
  int SetTimeOfDay(int seconds);

  // Sets the time from HHMMSS and the date from YYYYMMDD. The checks are range checks only
  // (a 31 February or a minute 61 passes; IsValid tells). Returns 0; -2 for a time above
  // 240000 (nothing changes); -1 for a date outside 19000101..21551231 (the time is set, the
  // date kept). Each failure writes "Invalid Time: %d" or "Invalid Date: %d" to the log.
  int SetDateTime(int date, int time);

  // mode >= 0: 0 for an invalid value, else the host date (mode 1) or YYYYMMDD (others).
  // mode < 0: unchecked, the host date (mode -1) or YYYYMMDD (others).
  int ToDateInt(int mode) const;

  // Steps the date one day at a time (cost grows with |days|); the time is untouched. The
  // value stops at 1 January 1900 and 31 December 2155 rather than wrap the year byte.
  void AddDays(int days);
  // Steps the time of day, carrying whole days into the date through AddDays; at the ends
  // of the range the value holds at 1900-01-01 00:00:00 or 2155-12-31 23:59:59.
  void AddSeconds(int seconds);

  // The local wall-clock time now; on a failed local conversion the fields become
  // 148, 0, 0, 255, 255, 255.
  void SetNowLocal();
  // The US Eastern wall-clock time now: UTC plus EasternOffsetSeconds().
  void SetNowEST();

  // -1, 0 or 1 by the fields from year down, as unsigned bytes. Depth 1 to 5 compares that
  // many fields (3: the date only); any other depth all six. A null other means now (local).
  int Compare(const DateTime& other, int depth = 6) const;
  int Compare(const DateTime* other, int depth = 6) const;

  // Julian day number of the date (1 January 2000 is 2451545).
  int DayNumber() const;

  // Seconds from this value to other, positive when other is later; clamped to the int
  // range. A null or empty other means now (local): the stopwatch.
  int SecondsUntil(const DateTime& other) const;
  int SecondsUntil(const DateTime* other = nullptr) const;

  // Text forms. FormatText replaces text with the value in layout code 0..30 and returns
  // its length; any other code leaves text as it was and returns -1. The std::string form
  // keeps the string's capacity, so a reused string does not allocate per call. The buffer
  // form writes at most size - 1 characters and always terminates (size > 0).
  int FormatText(std::string& text, int code) const;
  int FormatText(char* out, int size, int code) const;

  // Reads a date and time text ("03/15/2024 02:05:09 PM", "2024-03-15 14:05", "240315",
  // "Today", "NowEST", ...; at most 999 characters are looked at). Returns 0, -1 bad date,
  // -2 bad time, -3 the first word is not a non-zero number. An empty or null text clears.
  int SetFromText(const char* text);
};

static_assert(sizeof(DateTime) == 6, "DateTime is six bytes inside per-bar records");
static_assert(alignof(DateTime) == 1, "DateTime packs without padding");
static_assert(std::is_trivially_copyable<DateTime>::value, "DateTime is a plain value");

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the fields are packed low first");

// The six fields as one number, year in the lowest byte: the value's bytes as they lie in
// memory (PackedBytes). Each field is below 256.
inline uint64_t PackFields(uint32_t year, uint32_t month, uint32_t day, uint32_t hour,
                           uint32_t minute, uint32_t second) {
  const uint32_t first = year | month << 8 | day << 16 | hour << 24;
  return uint64_t{first} | uint64_t{minute | second << 8} << 32;
}

// Writes packed six bytes as one four-byte and one two-byte store: a caller that copies the
// value next reads it back with loads of those widths (PackedBytes, a copy), which six byte
// stores would stall.
inline void StorePackedBytes(DateTime& t, uint64_t packed) {
  const uint32_t first = static_cast<uint32_t>(packed);
  const uint16_t last = static_cast<uint16_t>(packed >> 32);
  unsigned char* bytes = reinterpret_cast<unsigned char*>(&t);
  memcpy(bytes, &first, sizeof first);
  memcpy(bytes + sizeof first, &last, sizeof last);
}

inline void StorePackedFields(DateTime& t, uint32_t year, uint32_t month, uint32_t day,
                              uint32_t hour, uint32_t minute, uint32_t second) {
  StorePackedBytes(t, PackFields(year, month, day, hour, minute, second));
}

// The six bytes as they lie in memory, year in the lowest byte: equal values give equal
// numbers. Read as one four-byte and one two-byte load, the widths StorePackedBytes stores.
inline uint64_t PackedBytes(const DateTime& t) {
  uint32_t first;
  uint16_t last;
  memcpy(&first, &t, sizeof first);
  memcpy(&last, reinterpret_cast<const unsigned char*>(&t) + sizeof first, sizeof last);
  return uint64_t{first} | uint64_t{last} << 32;
}

// The value as one number, its six fields year first, a byte each: the numbers order as
// Compare at depth 6 does, for the per-bar ordering tests. (The packed bytes reversed: the
// year, lowest in memory, becomes the most significant.)
inline uint64_t ChronologicalKeyOfBytes(uint64_t packed) { return __builtin_bswap64(packed) >> 16; }
inline uint64_t ChronologicalKey(const DateTime& t) {
  return ChronologicalKeyOfBytes(PackedBytes(t));
}

// 1 when 19000101 <= date <= 29991231 (negative dates are invalid).
int IsValidDateInt(int date);
// 1 when 0 <= time <= 240000.
int IsValidTimeInt(int time);
int DaysInYear(int year);
// Days of the month in that year; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

// "Jan".."Dec" (shortFlag non-zero) or "January".."December"; "?<n>" outside 1..12.
std::string MonthName(int month, int shortFlag);

// YYYYMMDD from "M/D/Y", "M/D" (this year), "Y-M-D", "YYMMDD" or "YYYYMMDD"; two-digit
// years 0..69 mean 2000..2069 and 70..99 mean 1970..1999. Returns -1 (bad form or year),
// -2 (bad month) or -3 (bad day); a null text is a bad form.
int ParseDateText(const char* text);
// HHMMSS from "h:m[:s]" (a "PM" anywhere adds 12 to hours below 12), or from a plain number
// read as hours (below 24), HHMM (below 2400) or HHMMSS. Returns -1 (bad hour), -2 (bad
// minute) or -3 (bad second); a null text or a negative number is a bad hour.
int ParseTimeText(const char* text);

// Seconds to add to UTC for US Eastern time: -18000, or -14400 while this machine's own time
// zone observes daylight saving time (read from the Windows time-zone settings at each call).
int EasternOffsetSeconds();

}  // namespace vqm
