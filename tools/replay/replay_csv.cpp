#include "replay_csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "shortest_float.h"

namespace vqm::replay {
namespace {

constexpr size_t kFlushAt = 1 << 16;

// Appends at p and returns the end: numbers, zero-padded digits and texts.
char* PutInt(char* p, long long v) { return std::to_chars(p, p + 24, v).ptr; }
char* PutFloat(char* p, float v) { return WriteShortest(p, v); }
char* PutDigits(char* p, int v, int width) {
  for (int i = width - 1; i >= 0; --i, v /= 10) p[i] = static_cast<char>('0' + v % 10);
  return p + width;
}
char* PutText(char* p, const char* text, size_t size) {
  memcpy(p, text, size);
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
  const int d = CalendarDate(b.hostDate);
  p = PutDigits(p, d / 10000, 4);
  *p++ = '-';
  p = PutDigits(p, d / 100 % 100, 2);
  *p++ = '-';
  p = PutDigits(p, d % 100, 2);
  if (!daily_) {
    *p++ = 'T';
    p = PutDigits(p, b.hostTime / 100, 2);
    *p++ = ':';
    p = PutDigits(p, b.hostTime % 100, 2);
    *p++ = ':';
    p = PutDigits(p, b.second, 2);
  }
  *p++ = ',';
  p = PutInt(p, b.line);
  *p++ = ',';
  p = PutInt(p, barNumber);
  *p++ = ',';
  p = PutInt(p, tick);
  for (int k = 0; k < 4; ++k) {
    *p++ = ',';
    p = PutText(p, b.text[k], b.textSize[k]);
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
