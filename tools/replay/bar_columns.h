// What a bar file's header names: which column holds the date, the time, each price and
// each volume. Names are compared ignoring case, blanks and punctuation ("Adj Close",
// "<DATE>", "Up Volume"), with the spellings that vendors, spreadsheets and platforms use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vqm::replay {

enum class Role { kNone, kDate, kTime, kDateTime, kOpen, kHigh, kLow, kClose, kVolume, kUp, kDown };
constexpr int kRoles = 11;

// The role of a header name; kNone for columns the replay does not use (adjusted close,
// open interest, symbol, ...).
Role RoleOfName(std::string_view name);

// Column index per role, -1 when absent.
struct ColumnMap {
  int at[kRoles];
  ColumnMap() {
    for (int& i : at) i = -1;
  }
  int operator[](Role r) const { return at[static_cast<int>(r)]; }
  int& operator[](Role r) { return at[static_cast<int>(r)]; }
};

// From a header; false with the reason when it lacks a date or a close.
bool MapHeader(const std::vector<std::string_view>& names, ColumnMap* map, std::string* why);

// Without a header: date, time, open, high, low, close, volume[, up volume, down volume].
bool MapPositions(size_t fields, ColumnMap* map, std::string* why);

// The name a refusal gives a column: the header's, or the role's without a header.
const char* RoleName(Role r);

}  // namespace vqm::replay
