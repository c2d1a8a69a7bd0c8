#include "bars.h"

#include <algorithm>
#include <cstring>

namespace vqm::replay {
namespace {

bool StartsLikeAHeader(std::string_view field) {
  if (!field.empty() && field.front() == '"') field.remove_prefix(1);
  return !field.empty() && !(field.front() >= '0' && field.front() <= '9');
}

bool Skipped(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return i == line.size() || line[i] == '#';
}

}  // namespace

bool BarReader::Open(const std::string& path, const ReadOptions& options, std::string* error) {
  options_ = options;
  return lines_.Open(path, error);
}

void BarReader::OpenText(const char* text, size_t size, const std::string& source,
                         const ReadOptions& options) {
  options_ = options;
  lines_.OpenText(text, size, source);
}

std::string BarReader::Where(int lineNumber, Role role) const {
  std::string w = lines_.source() + ":" + std::to_string(lineNumber) + ": ";
  const int column = columns_[role];
  if (column < 0) return w;
  const std::string name =
      static_cast<size_t>(column) < names_.size() ? names_[static_cast<size_t>(column)] : RoleName(role);
  return w + "column " + std::to_string(column + 1) + " (" + name + "): ";
}

// The first line that is not a comment: the delimiter, and the header or the positions.
bool BarReader::Start(std::string_view line, std::string* why) {
  const char delimiter = options_.delimiter != 0 ? options_.delimiter : DetectDelimiter(line);
  options_.delimiter = delimiter;
  decimalComma_ = delimiter != ',';
  SplitFields(line, delimiter, &fields_);
  if (StartsLikeAHeader(fields_[0])) {
    header_ = std::string(line);
    for (std::string_view f : fields_) names_.emplace_back(f);
    std::vector<std::string_view> names(names_.begin(), names_.end());
    if (!MapHeader(names, &columns_, why)) return false;
  } else if (!MapPositions(fields_.size(), &columns_, why)) {
    return false;
  }
  for (int r = 1; r < kRoles; ++r) widest_ = std::max(widest_, static_cast<size_t>(columns_.at[r] + 1));
  return true;
}

int BarReader::Next(Bar* bar, std::string* error) {
  std::string_view line;
  for (;;) {
    const int got = lines_.Next(&line, error);
    if (got < 0) return -1;
    const int number = lines_.lineNumber();
    if (got == 0) {
      if (bars_ > 0) return 0;
      *error = lines_.source() + ":" + std::to_string(number < 1 ? 1 : number) +
               (number == 0 ? ": empty file, no bars" : ": no bars in the file");
      return -1;
    }
    if (Skipped(line)) continue;
    if (!started_) {
      started_ = true;
      std::string why;
      if (!Start(line, &why)) {
        *error = lines_.source() + ":" + std::to_string(number) + ": " + why;
        return -1;
      }
      if (!names_.empty()) continue;
    } else if (!header_.empty() && line == header_) {
      continue;  // a file appended to by an export repeats its header
    }
    SplitFields(line, options_.delimiter, &fields_);
    if (!ToBar(number, bar, error)) return -1;
    ++bars_;
    return 1;
  }
}

bool BarReader::ToBar(int lineNumber, Bar* b, std::string* error) {
  *b = Bar();
  b->line = lineNumber;
  std::string why;
  auto fail = [&](Role role, const std::string& reason) {
    *error = Where(lineNumber, role) + reason;
    return false;
  };
  auto at = [&] { return lines_.source() + ":" + std::to_string(lineNumber) + ": "; };
  if (names_.empty() && fields_.size() != (hasTickVolumes() ? 9u : 7u)) {
    *error = at() + "expected " + std::to_string(hasTickVolumes() ? 9 : 7) +
             " fields like the first bar, found " + std::to_string(fields_.size());
    return false;
  }
  // Every column the header names must be on the line.
  for (int r = 1; r < kRoles && fields_.size() < widest_; ++r) {
    if (columns_.at[r] >= 0 && static_cast<size_t>(columns_.at[r]) >= fields_.size()) {
      *error = at() + "expected " + std::to_string(columns_.at[r] + 1) + " fields or more for the " +
               RoleName(static_cast<Role>(r)) + " column, found " + std::to_string(fields_.size());
      return false;
    }
  }
  auto field = [&](Role r) { return fields_[static_cast<size_t>(columns_[r])]; };

  Clock when;
  const Role dateRole = columns_[Role::kDateTime] >= 0 ? Role::kDateTime : Role::kDate;
  // Bars of a day repeat its date: a text read on the bar before is not read again.
  const std::string_view dateText = field(dateRole);
  if (lastDateSize_ != 0 && dateText.size() == lastDateSize_ &&
      memcmp(dateText.data(), lastDateText_, lastDateSize_) == 0) {
    when = lastDateClock_;
  } else {
    if (!ParseDate(dateText, options_.dateOrder, &when, &why)) return fail(dateRole, why);
    lastDateSize_ = dateText.size() <= sizeof lastDateText_ ? dateText.size() : 0;
    memcpy(lastDateText_, dateText.data(), lastDateSize_);
    lastDateClock_ = when;
  }
  if (columns_[Role::kTime] >= 0) {
    if (when.hasTime) return fail(Role::kDate, Shown(field(Role::kDate)) + " holds a time as well as the time column");
    if (!ParseTime(field(Role::kTime), &when, &why)) return fail(Role::kTime, why);
  }
  // The library's own text export writes daily bars' dates with the time 00:00:00.
  if (dateRole == Role::kDate && columns_[Role::kTime] < 0 && when.hasTime && when.hour == 0 &&
      when.minute == 0 && when.second == 0)
    when.hasTime = false;
  // Daily bars are known by the first: a file whose first bar has no time of day.
  if (bars_ == 0) daily_ = !when.hasTime;
  b->hostDate = (when.year - 1900) * 10000 + when.month * 100 + when.day;
  b->hostTime = when.hour * 100 + when.minute;
  b->second = when.second;

  const Role prices[4] = {Role::kOpen, Role::kHigh, Role::kLow, Role::kClose};
  double* values[4] = {&b->open, &b->high, &b->low, &b->close};
  float* singles[4] = {&b->openF, &b->highF, &b->lowF, &b->closeF};
  for (int k = 0; k < 4; ++k) {
    const Role r = columns_[prices[k]] >= 0 ? prices[k] : Role::kClose;
    const std::string_view t = field(r);
    if (!ParsePrice(t, decimalComma_, values[k], singles[k]))
      return fail(r, Shown(t) + " is not a number");
    if (*values[k] <= 0) return fail(r, Shown(t) + " is not above zero");
    if (t.size() >= kPriceText) return fail(r, Shown(t) + " is longer than " + std::to_string(kPriceText - 1) + " characters");
    memcpy(b->text[k], t.data(), t.size());
    b->textSize[k] = static_cast<uint8_t>(t.size());
  }
  if (columns_[Role::kVolume] >= 0 && !ParseVolume(field(Role::kVolume), &b->volume))
    return fail(Role::kVolume, Shown(field(Role::kVolume)) + " is not a whole number from 0 to 2147483647");
  for (Role r : {Role::kUp, Role::kDown}) {
    if (columns_[r] < 0) continue;
    float* v = r == Role::kUp ? &b->upVolume : &b->downVolume;
    if (!ParseFloat(field(r), decimalComma_, v) || *v < 0)
      return fail(r, Shown(field(r)) + " is not a number of 0 or more");
  }
  // Files with tick volumes only (the value-block export) give their sum as the volume.
  if (columns_[Role::kVolume] < 0 && hasTickVolumes()) {
    const double sum = static_cast<double>(b->upVolume) + b->downVolume;
    b->volume = sum < 2147483647.0 ? static_cast<int>(sum) : 2147483647;
  }
  if (b->low > b->high || b->open > b->high || b->open < b->low || b->close > b->high || b->close < b->low) {
    *error = at() + "prices out of order: open and close must lie between low and high";
    return false;
  }
  if (b->hostDate < lastDate_ || (b->hostDate == lastDate_ && b->hostTime <= lastTime_)) {
    *error = at() + "date and time not after those of the bar on line " + std::to_string(lastLine_) +
             " (bars must run oldest first, one per minute at most)";
    return false;
  }
  lastDate_ = b->hostDate;
  lastTime_ = b->hostTime;
  lastLine_ = lineNumber;
  return true;
}

namespace {

bool ReadAll(BarReader& reader, BarSeries* out, std::string* error) {
  Bar bar;
  int got;
  while ((got = reader.Next(&bar, error)) == 1) out->bars.push_back(bar);
  out->hasTickVolumes = reader.hasTickVolumes();
  out->daily = reader.daily();
  return got == 0;
}

}  // namespace

bool ParseBars(const char* text, size_t size, const std::string& source, BarSeries* out,
               std::string* error, const ReadOptions& options) {
  *out = BarSeries();
  BarReader reader;
  reader.OpenText(text, size, source, options);
  return ReadAll(reader, out, error);
}

bool ReadBarFile(const std::string& path, BarSeries* out, std::string* error,
                 const ReadOptions& options) {
  *out = BarSeries();
  BarReader reader;
  return reader.Open(path, options, error) && ReadAll(reader, out, error);
}

}  // namespace vqm::replay
