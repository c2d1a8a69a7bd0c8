#include "replay_csv.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vqm::replay {
namespace {

constexpr size_t kFlushAt = 1 << 16;

void AppendInt(std::string& out, long long v) {
  char t[24];
  const auto r = std::to_chars(t, t + sizeof t, v);
  out.append(t, r.ptr);
}

// Zero-padded digits, for dates and times.
void AppendDigits(std::string& out, int v, int width) {
  char t[12];
  for (int i = width - 1; i >= 0; --i, v /= 10) t[i] = static_cast<char>('0' + v % 10);
  out.append(t, static_cast<size_t>(width));
}

}  // namespace

ReplayCsv::ReplayCsv(FILE* file, bool tickVolumes, bool daily, const std::vector<std::string>& columns)
    : file_(file), tickVolumes_(tickVolumes), daily_(daily), columns_(columns.size()) {
  out_.reserve(kFlushAt + 4096);
  out_ = "timestamp,line,bar,tick,open,high,low,close,volume";
  if (tickVolumes_) out_ += ",upvolume,downvolume";
  for (const std::string& name : columns) out_ += "," + name;
  out_ += "\n";
}

ReplayCsv::~ReplayCsv() {
  if (file_ != nullptr) fclose(file_);
}

void ReplayCsv::Row(const Bar& b, int barNumber, int tick, const Cell* cells) {
  const int d = CalendarDate(b.hostDate);
  AppendDigits(out_, d / 10000, 4);
  out_ += '-';
  AppendDigits(out_, d / 100 % 100, 2);
  out_ += '-';
  AppendDigits(out_, d % 100, 2);
  if (!daily_) {
    out_ += 'T';
    AppendDigits(out_, b.hostTime / 100, 2);
    out_ += ':';
    AppendDigits(out_, b.hostTime % 100, 2);
    out_ += ':';
    AppendDigits(out_, b.second, 2);
  }
  out_ += ',';
  AppendInt(out_, b.line);
  out_ += ',';
  AppendInt(out_, barNumber);
  out_ += ',';
  AppendInt(out_, tick);
  for (const char* text : b.text) {
    out_ += ',';
    out_ += text;
  }
  out_ += ',';
  AppendInt(out_, b.volume);
  for (float v : {b.upVolume, b.downVolume}) {
    if (!tickVolumes_) break;
    out_ += ',';
    char t[32];
    out_.append(t, std::to_chars(t, t + sizeof t, v).ptr);
  }
  for (size_t i = 0; i < columns_; ++i) {
    out_ += ',';
    const Cell& c = cells[i];
    if (c.kind == Cell::kInt) {
      AppendInt(out_, c.i);
    } else if (c.kind == Cell::kFloat && !std::isnan(c.f)) {
      char t[32];
      out_.append(t, std::to_chars(t, t + sizeof t, c.f).ptr);
    }
  }
  out_ += '\n';
  if (out_.size() >= kFlushAt) Flush();
}

void ReplayCsv::Flush() {
  if (!out_.empty() && fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) failed_ = true;
  out_.clear();
}

bool ReplayCsv::Close() {
  Flush();
  const bool ok = !failed_ && ferror(file_) == 0;
  const bool closed = fclose(file_) == 0;
  file_ = nullptr;
  return ok && closed;
}

}  // namespace vqm::replay
