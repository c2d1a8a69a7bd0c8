#include "replay_csv.h"

#include <cmath>
#include <cstring>

#include "decimal_digits.h"
#include "shortest_float.h"

namespace vqm::replay {
namespace {

constexpr size_t kFlushAt = 1 << 16;

// Appends at p and returns the end.
char* PutFloat(char* p, float v) { return WriteShortest(p, v); }
char* PutTwoDigits(char* p, int v) {
  memcpy(p, kDigitPairs + 2 * v, 2);
  return p + 2;
}
// A price as written: the whole of its room is copied, a fixed size, then the end moved back.
char* PutPriceText(char* p, const char (&text)[kPriceText], size_t size) {
  memcpy(p, text, kPriceText);
  return p + size;
}

}  // namespace

ReplayCsv::ReplayCsv(FILE* file, bool tickVolumes, bool daily, const std::vector<std::string>& columns)
    : file_(file), tickVolumes_(tickVolumes), daily_(daily), columns_(columns.size()),
      rowLimit_(256 + 4 * kPriceText + (kShortestFloatRoom + 1) * columns.size()) {
  std::string header = "timestamp,line,bar,tick,open,high,low,close,volume";
  if (tickVolumes_) header += ",upvolume,downvolume";
  for (const std::string& name : columns) header += "," + name;
  header += "\n";
  buffer_.resize(kFlushAt + rowLimit_ + header.size());
  memcpy(buffer_.data(), header.data(), header.size());
  used_ = header.size();
}

ReplayCsv::~ReplayCsv() {
  if (file_ != nullptr) fclose(file_);
}

void ReplayCsv::Row(const Bar& b, int barNumber, int tick, const Cell* cells) {
  char* const start = buffer_.data() + used_;
  char* p = start;
  // The date changes once a day at most: its text is kept.
  if (b.hostDate != textDate_) {
    const int d = CalendarDate(b.hostDate);
    char* t = dateText_;
    t = PutTwoDigits(t, d / 1000000);
    t = PutTwoDigits(t, d / 10000 % 100);
    *t++ = '-';
    t = PutTwoDigits(t, d / 100 % 100);
    *t++ = '-';
    PutTwoDigits(t, d % 100);
    textDate_ = b.hostDate;
  }
  memcpy(p, dateText_, sizeof dateText_);
  p += kDateSize;
  if (!daily_) {
    *p++ = 'T';
    p = PutTwoDigits(p, b.hostTime / 100);
    *p++ = ':';
    p = PutTwoDigits(p, b.hostTime % 100);
    *p++ = ':';
    p = PutTwoDigits(p, b.second);
  }
  *p++ = ',';
  p = PutInt(p, b.line);
  *p++ = ',';
  p = PutInt(p, barNumber);
  *p++ = ',';
  p = PutInt(p, tick);
  for (int k = 0; k < 4; ++k) {
    *p++ = ',';
    p = PutPriceText(p, b.text[k], b.textSize[k]);
  }
  *p++ = ',';
  p = PutInt(p, b.volume);
  if (tickVolumes_) {
    *p++ = ',';
    p = PutFloat(p, b.upVolume);
    *p++ = ',';
    p = PutFloat(p, b.downVolume);
  }
  for (size_t i = 0; i < columns_; ++i) {
    *p++ = ',';
    const Cell& c = cells[i];
    if (c.kind == Cell::kInt) p = PutInt(p, c.i);
    else if (c.kind == Cell::kFloat && !std::isnan(c.f)) p = PutFloat(p, c.f);
  }
  *p++ = '\n';
  used_ += static_cast<size_t>(p - start);
  if (used_ >= kFlushAt) Flush();
}

void ReplayCsv::Flush() {
  if (used_ > 0 && fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
  used_ = 0;
}
bool ReplayCsv::Close() {
  Flush();
  const bool ok = !failed_ && ferror(file_) == 0;
  const bool closed = fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}

}  // namespace vqm::replay
