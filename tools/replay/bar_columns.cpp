#include "bar_columns.h"

namespace vqm::replay {
namespace {

struct Spelling {
  const char* name;  // lower case, letters and digits only
  Role role;
};

const Spelling kSpellings[] = {
    {"date", Role::kDate},           {"day", Role::kDate},           {"datum", Role::kDate},
    {"zeit", Role::kTime},           {"tradedate", Role::kDate},
    {"tradingday", Role::kDate},     {"time", Role::kTime},          {"hhmm", Role::kTime},
    {"timeofday", Role::kTime},      {"datetime", Role::kDateTime},  {"timestamp", Role::kDateTime},
    {"dateandtime", Role::kDateTime}, {"gmttime", Role::kDateTime},  {"localtime", Role::kDateTime},
    {"open", Role::kOpen},           {"o", Role::kOpen},             {"openprice", Role::kOpen},
    {"first", Role::kOpen},          {"high", Role::kHigh},          {"h", Role::kHigh},
    {"highprice", Role::kHigh},      {"max", Role::kHigh},           {"low", Role::kLow},
    {"l", Role::kLow},               {"lowprice", Role::kLow},       {"min", Role::kLow},
    {"close", Role::kClose},         {"c", Role::kClose},            {"closeprice", Role::kClose},
    {"last", Role::kClose},          {"lastprice", Role::kClose},    {"price", Role::kClose},
    {"volume", Role::kVolume},       {"vol", Role::kVolume},         {"v", Role::kVolume},
    {"totalvolume", Role::kVolume},  {"upvolume", Role::kUp},        {"upvol", Role::kUp},
    {"volup", Role::kUp},            {"uptickvolume", Role::kUp},    {"upticks", Role::kUp},
    {"up", Role::kUp},               {"downvolume", Role::kDown},    {"downvol", Role::kDown},
    {"voldn", Role::kDown},          {"voldown", Role::kDown},       {"dnvolume", Role::kDown},
    {"downtickvolume", Role::kDown}, {"downticks", Role::kDown},     {"down", Role::kDown},
};

}  // namespace

Role RoleOfName(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') key += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) key += c;
  }
  for (const Spelling& s : kSpellings)
    if (key == s.name) return s.role;
  return Role::kNone;
}

bool MapHeader(const std::vector<std::string_view>& names, ColumnMap* map, std::string* why) {
  *map = ColumnMap();
  for (size_t i = 0; i < names.size(); ++i) {
    const Role r = RoleOfName(names[i]);
    if (r != Role::kNone && (*map)[r] < 0) (*map)[r] = static_cast<int>(i);
  }
  // A lone time column holds the date too ("time" of platforms that write time stamps).
  if ((*map)[Role::kDate] < 0 && (*map)[Role::kDateTime] < 0 && (*map)[Role::kTime] >= 0) {
    (*map)[Role::kDateTime] = (*map)[Role::kTime];
    (*map)[Role::kTime] = -1;
  }
  // With a date-time column, a date column is not needed (and a time column not used).
  if ((*map)[Role::kDateTime] >= 0) (*map)[Role::kDate] = (*map)[Role::kTime] = -1;
  std::string missing;
  if ((*map)[Role::kDate] < 0 && (*map)[Role::kDateTime] < 0) missing = "date";
  if ((*map)[Role::kClose] < 0) missing += missing.empty() ? "close" : " and no close";
  if (missing.empty()) return true;
  std::string list;
  for (std::string_view n : names) list += (list.empty() ? "" : ", ") + std::string(n);
  *why = "the header names no " + missing + " column (columns: " + list + ")";
  return false;
}

bool MapPositions(size_t fields, ColumnMap* map, std::string* why) {
  *map = ColumnMap();
  if (fields != 7 && fields != 9) {
    *why = "expected 7 fields (date,time,open,high,low,close,volume) or 9 (with up-tick and "
           "down-tick volume), found " + std::to_string(fields) + ", and no header line naming the columns";
    return false;
  }
  const Role order[] = {Role::kDate, Role::kTime, Role::kOpen,   Role::kHigh, Role::kLow,
                        Role::kClose, Role::kVolume, Role::kUp, Role::kDown};
  for (size_t i = 0; i < fields; ++i) (*map)[order[i]] = static_cast<int>(i);
  return true;
}

const char* RoleName(Role r) {
  switch (r) {
    case Role::kDate: return "date";
    case Role::kTime: return "time";
    case Role::kDateTime: return "date-time";
    case Role::kOpen: return "open";
    case Role::kHigh: return "high";
    case Role::kLow: return "low";
    case Role::kClose: return "close";
    case Role::kVolume: return "volume";
    case Role::kUp: return "up-tick volume";
    case Role::kDown: return "down-tick volume";
    case Role::kNone: break;
  }
  return "";
}

}  // namespace vqm::replay
