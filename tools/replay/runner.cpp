#include "runner.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tally.h"

namespace vqm::replay {

int RunContext::Int(const std::string& name) const { return atoi(params.at(name).c_str()); }

float RunContext::Float(const std::string& name) const {
  return static_cast<float>(strtod(params.at(name).c_str(), nullptr));
}

const std::string& RunContext::Text(const std::string& name) const { return params.at(name); }

std::string MissingExport(const RunContext& context, const char* name) {
  return std::string("export ") + name + " missing from " + context.library->path();
}

std::string DatesBefore1990(const RunContext& context) {
  if (context.firstDate >= 900000) return "";
  return "the bars are dated before 1990 (from " + std::to_string(CalendarDate(context.firstDate)) +
         "), which it refuses";
}

bool ScaledPrice(double price, int divisor, int* out) {
  const double scaled = std::round(price * divisor);
  if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) return false;
  *out = static_cast<int>(scaled);
  return true;
}

std::string Tally::Text() const {
  std::string text;
  for (const auto& [result, count] : counts_) {
    if (!text.empty()) text += ", ";
    text += std::to_string(result) + " x" + std::to_string(count);
  }
  return text.empty() ? "no calls" : text;
}

std::string FloatText(float value) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

}  // namespace vqm::replay
