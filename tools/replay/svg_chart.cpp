#include "svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vqm::replay {
namespace {

constexpr double kWidth = 1400;
constexpr double kLeft = 80, kRight = 24;
constexpr double kPriceTop = 70, kPriceHeight = 440;
constexpr double kPositionTop = 560, kPositionHeight = 110;
constexpr double kPressureTop = 720, kPressureHeight = 150;
constexpr double kHeight = 910;
constexpr size_t kMaxPoints = 2600;  // beyond this, lines take every k-th bar

std::string Num(double v) {
  char t[32];
  snprintf(t, sizeof t, "%.1f", v);
  return t;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

// Maps a bar index and a value into a panel.
struct Panel {
  double top, height, lo, hi;
  size_t bars;
  double X(size_t i) const {
    const double span = bars > 1 ? static_cast<double>(bars - 1) : 1.0;
    return kLeft + (kWidth - kLeft - kRight) * static_cast<double>(i) / span;
  }
  double Y(double v) const { return top + height * (hi - v) / (hi - lo); }
};

// About six round steps over [lo, hi].
double TickStep(double lo, double hi) {
  const double raw = (hi - lo) / 6;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (raw <= m * p) return m * p;
  return 10 * p;
}

void Frame(std::string& svg, const Panel& p, const std::string& label, bool ticks) {
  svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(p.top) + "\" width=\"" +
         Num(kWidth - kLeft - kRight) + "\" height=\"" + Num(p.height) +
         "\" fill=\"#fcfcfc\" stroke=\"#888\"/>\n";
  svg += "<text x=\"" + Num(kLeft + 6) + "\" y=\"" + Num(p.top - 8) +
         "\" font-size=\"14\" fill=\"#222\">" + Escape(label) + "</text>\n";
  if (!ticks) return;
  const double step = TickStep(p.lo, p.hi);
  for (double v = std::ceil(p.lo / step) * step; v <= p.hi + step * 1e-9; v += step) {
    char t[32];
    snprintf(t, sizeof t, "%g", std::fabs(v) < step * 1e-9 ? 0.0 : v);
    svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) + "\" y1=\"" +
           Num(p.Y(v)) + "\" y2=\"" + Num(p.Y(v)) + "\" stroke=\"#e4e4e4\"/>\n";
    svg += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(p.Y(v) + 4) +
           "\" font-size=\"11\" text-anchor=\"end\" fill=\"#444\">" + t + "</text>\n";
  }
}

void Note(std::string& svg, const Panel& p, const std::string& text) {
  svg += "<text x=\"" + Num(kWidth / 2) + "\" y=\"" + Num(p.top + p.height / 2) +
         "\" font-size=\"14\" text-anchor=\"middle\" fill=\"#a00\">" + Escape(text) + "</text>\n";
}

size_t Stride(size_t n) { return n <= kMaxPoints ? 1 : (n + kMaxPoints - 1) / kMaxPoints; }

// A polyline through the values that exist; a missing value breaks the line.
template <class Get>
void Line(std::string& svg, const Panel& p, size_t n, Get get, const char* style) {
  const size_t stride = Stride(n);
  std::string points;
  auto flush = [&] {
    if (points.empty()) return;
    svg += "<polyline fill=\"none\" " + std::string(style) + " points=\"" + points + "\"/>\n";
    points.clear();
  };
  for (size_t i = 0; i < n; i += stride) {
    const std::optional<double> v = get(i);
    if (!v) {
      flush();
      continue;
    }
    points += Num(p.X(i)) + "," + Num(p.Y(std::clamp(*v, p.lo, p.hi))) + " ";
  }
  flush();
}

void DaySeparators(std::string& svg, const std::vector<Bar>& bars, const Panel& price,
                   double bottom) {
  for (size_t i = 1; i < bars.size(); ++i) {
    if (bars[i].hostDate == bars[i - 1].hostDate) continue;
    svg += "<line x1=\"" + Num(price.X(i)) + "\" x2=\"" + Num(price.X(i)) + "\" y1=\"" +
           Num(price.top) + "\" y2=\"" + Num(bottom) +
           "\" stroke=\"#bbb\" stroke-dasharray=\"4 4\"/>\n";
  }
  // A date label under the price panel at the start of each day.
  for (size_t i = 0; i < bars.size(); ++i) {
    if (i > 0 && bars[i].hostDate == bars[i - 1].hostDate) continue;
    const int d = CalendarDate(bars[i].hostDate);
    char t[32];
    snprintf(t, sizeof t, "%04d-%02d-%02d", d / 10000, d / 100 % 100, d % 100);
    svg += "<text x=\"" + Num(price.X(i) + 4) + "\" y=\"" + Num(price.top + price.height + 16) +
           "\" font-size=\"11\" fill=\"#444\">" + t + "</text>\n";
  }
}

}  // namespace

std::string RenderSvg(const ChartData& d) {
  const std::vector<Bar>& bars = *d.bars;
  const size_t n = bars.size();
  double lo = bars[0].low, hi = bars[0].high;
  for (const Bar& b : bars) {
    lo = std::min(lo, b.low);
    hi = std::max(hi, b.high);
  }
  const double pad = (hi - lo) * 0.05 + 1e-6;
  const Panel price{kPriceTop, kPriceHeight, lo - pad, hi + pad, n};
  const Panel position{kPositionTop, kPositionHeight, -110, 110, n};
  double plimit = 1;
  for (const auto& v : d.pressure)
    if (v && std::isfinite(*v)) plimit = std::max(plimit, static_cast<double>(std::fabs(*v)));
  const Panel pressure{kPressureTop, kPressureHeight, -plimit * 1.05, plimit * 1.05, n};

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" +
         Num(kHeight) + "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(kHeight) +
         "\" font-family=\"sans-serif\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + Num(kLeft) + "\" y=\"28\" font-size=\"18\" fill=\"#111\">" +
         Escape(d.title) + "</text>\n";

  // Price panel: ribbon band, close, average.
  Frame(svg, price, "Close, VQM_RareAvg and the ribbon bounds", true);
  if (!d.ribbon.empty()) {
    std::vector<size_t> at;
    for (size_t i = 0; i < n; i += Stride(n)) at.push_back(i);
    std::string band;
    for (size_t i : at) band += Num(price.X(i)) + "," + Num(price.Y(d.ribbon[i].high)) + " ";
    for (auto i = at.rbegin(); i != at.rend(); ++i)
      band += Num(price.X(*i)) + "," + Num(price.Y(d.ribbon[*i].low)) + " ";
    svg += "<polygon fill=\"#f6b26b\" fill-opacity=\"0.35\" stroke=\"none\" points=\"" + band +
           "\"/>\n";
    Line(svg, price, n, [&](size_t i) { return std::optional<double>(d.ribbon[i].high); },
         "stroke=\"#e69138\" stroke-width=\"1\"");
    Line(svg, price, n, [&](size_t i) { return std::optional<double>(d.ribbon[i].low); },
         "stroke=\"#e69138\" stroke-width=\"1\"");
  }
  Line(svg, price, n, [&](size_t i) { return std::optional<double>(bars[i].close); },
       "stroke=\"#8a8a8a\" stroke-width=\"1\"");
  Line(svg, price, n,
       [&](size_t i) {
         return d.average.empty() || !d.average[i] ? std::nullopt
                                                   : std::optional<double>(*d.average[i]);
       },
       "stroke=\"#1f5fd6\" stroke-width=\"1.3\"");
  if (d.average.empty()) Note(svg, price, "VQM_RareAvg not run: " + d.averageNote);
  // Legend.
  const double ly = kPriceTop + 18;
  struct Item {
    const char* color;
    std::string text;
  };
  const Item items[] = {{"#8a8a8a", "close"},
                        {"#1f5fd6", "VQM_RareAvg"},
                        {"#e69138", d.ribbonLabel}};
  double lx = kLeft + 12;
  for (const Item& it : items) {
    svg += "<line x1=\"" + Num(lx) + "\" x2=\"" + Num(lx + 22) + "\" y1=\"" + Num(ly) +
           "\" y2=\"" + Num(ly) + "\" stroke=\"" + it.color + "\" stroke-width=\"3\"/>\n";
    svg += "<text x=\"" + Num(lx + 28) + "\" y=\"" + Num(ly + 4) +
           "\" font-size=\"12\" fill=\"#222\">" + Escape(it.text) + "</text>\n";
    lx += 40 + 6.6 * static_cast<double>(it.text.size());
  }

  // Trend-reversal position panel: a step line from -100 to 100.
  Frame(svg, position, "VQM_TrendReversal position in the ribbon (-100 below it, +100 above it)",
        false);
  for (int v : {-100, 0, 100}) {
    svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kWidth - kRight) + "\" y1=\"" +
           Num(position.Y(v)) + "\" y2=\"" + Num(position.Y(v)) + "\" stroke=\"#e4e4e4\"/>\n";
    svg += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(position.Y(v) + 4) +
           "\" font-size=\"11\" text-anchor=\"end\" fill=\"#444\">" + std::to_string(v) +
           "</text>\n";
  }
  if (d.position.empty()) {
    Note(svg, position, "VQM_TrendReversal not run: " + d.positionNote);
  } else {
    Line(svg, position, n,
         [&](size_t i) {
           return d.position[i] ? std::optional<double>(*d.position[i]) : std::nullopt;
         },
         "stroke=\"#8e44ad\" stroke-width=\"1\"");
  }

  // Pressure panel: one bar per bar, green above zero, red below.
  Frame(svg, pressure, "VQM_BSPCalc buy/sell pressure", true);
  if (d.pressure.empty()) {
    Note(svg, pressure, "VQM_BSP not run: " + d.pressureNote);
  } else {
    std::string up, down;
    const double zero = pressure.Y(0);
    for (size_t i = 0; i < n; ++i) {
      if (!d.pressure[i] || !std::isfinite(*d.pressure[i])) continue;
      const double v = *d.pressure[i];
      (v >= 0 ? up : down) += "M" + Num(pressure.X(i)) + " " + Num(zero) + "V" +
                              Num(pressure.Y(v)) + " ";
    }
    const char* width = n > 1500 ? "0.6" : "1.2";
    svg += "<path stroke=\"#2e9e44\" stroke-width=\"" + std::string(width) + "\" d=\"" + up +
           "\"/>\n";
    svg += "<path stroke=\"#d0453a\" stroke-width=\"" + std::string(width) + "\" d=\"" + down +
           "\"/>\n";
  }
  DaySeparators(svg, bars, price, kPressureTop + kPressureHeight);
  svg += "</svg>\n";
  return svg;
}

}  // namespace vqm::replay
