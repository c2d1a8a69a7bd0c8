#include "svg_chart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vqm::replay {
namespace {

constexpr double kWidth = 1400;
constexpr double kLeft = 80, kRight = kWidth - 24;
constexpr double kPlot = kRight - kLeft;
static_assert(kPlot == kPlotWidth);
constexpr double kPriceTop = 70, kPriceHeight = 400;
constexpr double kPanelGap = 44, kPanelHeight = 110;
constexpr double kCharWidth = 7;  // a generous width of a character of the 11-pixel labels
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "%.1f": std::to_chars gives printf's digits several times faster (a chart of many
// columns writes a few hundred thousand numbers); printf only for what does not fit.
std::string Num(double v) {
  char t[32];
  const std::to_chars_result r = std::to_chars(t, t + sizeof t, v, std::chars_format::fixed, 1);
  if (r.ec == std::errc()) return std::string(t, r.ptr);
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

double X(size_t i, size_t n) { return kLeft + kPlot * (static_cast<double>(i) + 0.5) / static_cast<double>(n); }

struct Panel {
  double top, height, lo, hi;
  double Y(double v) const { return top + height * (hi - std::clamp(v, lo, hi)) / (hi - lo); }
};

// About six round steps over [lo, hi].
double TickStep(double lo, double hi) {
  const double raw = (hi - lo) / 6;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 2.5, 5.0, 10.0})
    if (raw <= m * p) return m * p;
  return 10 * p;
}

void Frame(std::string& svg, const Panel& p, const std::string& label) {
  svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(p.top) + "\" width=\"" + Num(kPlot) +
         "\" height=\"" + Num(p.height) + "\" fill=\"#fcfcfc\" stroke=\"#888\"/>\n";
  svg += "<text x=\"" + Num(kLeft + 6) + "\" y=\"" + Num(p.top - 8) +
         "\" font-size=\"14\" fill=\"#222\">" + Escape(label) + "</text>\n";
  const double step = TickStep(p.lo, p.hi);
  for (double v = std::ceil(p.lo / step) * step; v <= p.hi + step * 1e-9; v += step) {
    char t[32];
    snprintf(t, sizeof t, "%g", std::fabs(v) < step * 1e-9 ? 0.0 : v);
    svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kRight) + "\" y1=\"" + Num(p.Y(v)) +
           "\" y2=\"" + Num(p.Y(v)) + "\" stroke=\"#e4e4e4\"/>\n";
    svg += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(p.Y(v) + 4) +
           "\" font-size=\"11\" text-anchor=\"end\" fill=\"#444\">" + t + "</text>\n";
  }
}

// A series as a line through each column's mean, over a light band from its lowest to its
// highest value where a column pools bars that differ; a column without it breaks the line.
void Band(std::string& svg, const Panel& p, const std::vector<Column>& cols, Series s,
          const char* color) {
  const size_t n = cols.size();
  size_t i = 0;
  while (i < n) {
    if (cols[i].series[s].empty()) {
      ++i;
      continue;
    }
    size_t j = i;
    bool spread = false;
    for (; j < n && !cols[j].series[s].empty(); ++j) spread = spread || cols[j].series[s].lo < cols[j].series[s].hi;
    if (spread) {
      std::string points;
      for (size_t k = i; k < j; ++k) points += Num(X(k, n)) + "," + Num(p.Y(cols[k].series[s].hi)) + " ";
      for (size_t k = j; k-- > i;) points += Num(X(k, n)) + "," + Num(p.Y(cols[k].series[s].lo)) + " ";
      svg += std::string("<polygon fill=\"") + color + "\" fill-opacity=\"0.22\" points=\"" + points + "\"/>\n";
    }
    std::string line;
    for (size_t k = i; k < j; ++k) line += Num(X(k, n)) + "," + Num(p.Y(cols[k].series[s].mean())) + " ";
    svg += std::string("<polyline fill=\"none\" stroke=\"") + color +
           "\" stroke-width=\"1.2\" stroke-linejoin=\"round\" points=\"" + line + "\"/>\n";
    i = j;
  }
}

Range SeriesRange(const std::vector<Column>& cols, const std::vector<Series>& series) {
  Range r;
  for (const Column& c : cols)
    for (Series s : series) r.Add(c.series[s]);
  return r;
}

Panel PanelFor(double top, Range r, bool withZero) {
  if (r.empty()) r.lo = r.hi = 0;
  if (withZero) {
    r.lo = std::min(r.lo, 0.0f);
    r.hi = std::max(r.hi, 0.0f);
  }
  const double pad = (static_cast<double>(r.hi) - r.lo) * 0.06 + 1e-6;
  return {top, kPanelHeight, r.lo - pad, r.hi + pad};
}

void Legend(std::string& svg, double x, double y, const std::vector<std::pair<const char*, std::string>>& items) {
  double w = 16;
  for (const auto& it : items) w += 40 + kCharWidth * static_cast<double>(it.second.size());
  svg += "<rect x=\"" + Num(x - 6) + "\" y=\"" + Num(y - 11) + "\" width=\"" + Num(w) +
         "\" height=\"20\" fill=\"white\" fill-opacity=\"0.9\" stroke=\"#ccc\"/>\n";
  for (const auto& it : items) {
    svg += "<line x1=\"" + Num(x) + "\" x2=\"" + Num(x + 22) + "\" y1=\"" + Num(y) + "\" y2=\"" +
           Num(y) + "\" stroke=\"" + it.first + "\" stroke-width=\"3\"/>\n";
    svg += "<text x=\"" + Num(x + 28) + "\" y=\"" + Num(y + 4) + "\" font-size=\"12\" fill=\"#222\">" +
           Escape(it.second) + "</text>\n";
    x += 40 + kCharWidth * static_cast<double>(it.second.size());
  }
}

// Days since 1 January 1970 of a host date.
long DayNumber(int hostDate) {
  const int d = CalendarDate(hostDate);
  int y = d / 10000;
  const int m = d / 100 % 100, day = d % 100;
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Spacing of the time labels: minutes within a day, days, or months.
struct Unit {
  enum Kind { kMinutes, kDays, kMonths } kind;
  int count;
};
const Unit kUnits[] = {{Unit::kMinutes, 1},   {Unit::kMinutes, 5},   {Unit::kMinutes, 15},
                       {Unit::kMinutes, 30},  {Unit::kMinutes, 60},  {Unit::kMinutes, 120},
                       {Unit::kMinutes, 240}, {Unit::kMinutes, 720}, {Unit::kDays, 1},
                       {Unit::kDays, 7},      {Unit::kMonths, 1},    {Unit::kMonths, 3},
                       {Unit::kMonths, 6},    {Unit::kMonths, 12},   {Unit::kMonths, 24},
                       {Unit::kMonths, 60},   {Unit::kMonths, 120},  {Unit::kMonths, 240}};

long PeriodOf(const Column& c, Unit u) {
  const int d = CalendarDate(c.date);
  switch (u.kind) {
    case Unit::kMinutes:
      return DayNumber(c.date) * 10000 + (c.time / 100 * 60 + c.time % 100) / u.count;
    case Unit::kDays:
      return u.count == 7 ? (DayNumber(c.date) + 3) / 7 : DayNumber(c.date);  // weeks from Monday
    case Unit::kMonths:
      return (d / 10000 * 12 + d / 100 % 100 - 1) / u.count;
  }
  return 0;
}

std::string LabelText(const Column& c, Unit u, const Column* previous) {
  const int d = CalendarDate(c.date);
  const int year = d / 10000, month = d / 100 % 100, day = d % 100;
  const bool newYear = previous == nullptr || CalendarDate(previous->date) / 10000 != year;
  char t[48];
  if (u.kind == Unit::kMinutes) {
    if (previous == nullptr || previous->date != c.date)
      snprintf(t, sizeof t, "%s %d %02d:%02d", kMonths[month - 1], day, c.time / 100, c.time % 100);
    else
      snprintf(t, sizeof t, "%02d:%02d", c.time / 100, c.time % 100);
  } else if (u.kind == Unit::kDays) {
    if (newYear) snprintf(t, sizeof t, "%s %d %d", kMonths[month - 1], day, year);
    else snprintf(t, sizeof t, "%s %d", kMonths[month - 1], day);
  } else if (u.count < 12) {
    if (newYear) snprintf(t, sizeof t, "%s %d", kMonths[month - 1], year);
    else snprintf(t, sizeof t, "%s", kMonths[month - 1]);
  } else {
    snprintf(t, sizeof t, "%d", year);
  }
  return t;
}

// Pools columns into at most kPlotWidth, one per pixel.
std::vector<Column> PixelColumns(const std::vector<Column>& in) {
  if (in.size() <= kPlotWidth) return in;
  std::vector<Column> out;
  out.reserve(kPlotWidth);
  for (size_t j = 0; j < kPlotWidth; ++j) {
    const size_t b = j * in.size() / kPlotWidth, e = (j + 1) * in.size() / kPlotWidth;
    Column c = in[b];
    for (size_t k = b + 1; k < e; ++k) c.Merge(in[k]);
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::vector<AxisLabel> TimeAxis(const std::vector<Column>& cols) {
  std::vector<AxisLabel> labels;
  const size_t n = cols.size();
  if (n == 0) return labels;
  const size_t most = static_cast<size_t>(kPlot / 90);
  Unit unit = kUnits[std::size(kUnits) - 1];
  for (Unit u : kUnits) {
    size_t count = 0;
    for (size_t i = 0; i < n && count <= most; ++i) count += i == 0 || PeriodOf(cols[i], u) != PeriodOf(cols[i - 1], u);
    if (count <= most) {
      unit = u;
      break;
    }
  }
  const Column* previous = nullptr;
  double freeFrom = kLeft;
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && PeriodOf(cols[i], unit) == PeriodOf(cols[i - 1], unit)) continue;
    const double x = X(i, n);
    const std::string text = LabelText(cols[i], unit, previous);
    const double width = kCharWidth * static_cast<double>(text.size());
    if (x < freeFrom || x + width > kWidth - 4) continue;  // it would overlap or run off
    labels.push_back({x, width, text});
    freeFrom = x + width + 12;
    previous = &cols[i];
  }
  return labels;
}

std::string RenderSvg(const ChartData& data, const std::string& title, const ChartPanels& panels) {
  const std::vector<Column> cols = PixelColumns(data.columns());
  const size_t n = cols.size();
  double lo = INFINITY, hi = -INFINITY;
  for (const Column& c : cols) {
    lo = std::min(lo, c.low);
    hi = std::max(hi, c.high);
  }
  if (n == 0) lo = hi = 0;
  const double pad = (hi - lo) * 0.05 + 1e-6;
  const Panel price{kPriceTop, kPriceHeight, lo - pad, hi + pad};

  // The panels below the price, top to bottom.
  struct Lower {
    const char* label;
    Panel panel;
    std::vector<Series> series;
  };
  std::vector<Lower> lower;
  double top = kPriceTop + kPriceHeight + kPanelGap;
  auto addPanel = [&](const char* label, std::vector<Series> s, bool zero, bool fixed) {
    Panel p = fixed ? Panel{top, kPanelHeight, -110, 110} : PanelFor(top, SeriesRange(cols, s), zero);
    lower.push_back({label, p, s});
    top += kPanelHeight + kPanelGap;
  };
  if (panels.trendrev) {
    addPanel("VQM_TrendReversal position in the ribbon (-100 below it, +100 above it)", {kPosition}, false, true);
    addPanel("VQM_TrendReversal ribbon width", {kRibbonWidth}, true, false);
  }
  if (panels.pressure) addPanel("VQM_BSPCalc buy/sell pressure", {kPressure}, true, false);
  if (panels.findgem)
    addPanel("VQM_FindGemCalc excursions", {kFallBelowLow, kRiseAboveLow, kRiseAboveHigh, kFallBelowHigh}, true, false);
  const double bottom = top - kPanelGap;
  const double height = bottom + 40;

  std::string svg;
  svg.reserve(256 * 1024);
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" +
         Num(height) + "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(height) +
         "\" font-family=\"sans-serif\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + Num(kLeft) + "\" y=\"28\" font-size=\"18\" fill=\"#111\">" + Escape(title) +
         "</text>\n";
  Frame(svg, price, "Price" + std::string(panels.average ? ", VQM_RareAvg" : "") +
                        (panels.ribbon ? " and the ribbon bounds" : ""));
  for (const Lower& l : lower) Frame(svg, l.panel, l.label);

  // Time axis: a faint line at each label; day separators where days are wider than a few pixels.
  const std::vector<AxisLabel> labels = TimeAxis(cols);
  for (const AxisLabel& l : labels) {
    svg += "<line x1=\"" + Num(l.x) + "\" x2=\"" + Num(l.x) + "\" y1=\"" + Num(kPriceTop) + "\" y2=\"" +
           Num(bottom + 4) + "\" stroke=\"#ddd\"/>\n";
    svg += "<text class=\"time\" x=\"" + Num(l.x + 2) + "\" y=\"" + Num(bottom + 18) +
           "\" font-size=\"11\" fill=\"#444\">" + Escape(l.text) + "</text>\n";
  }
  size_t dayStarts = 0;
  bool pooled = false;
  for (const Column& c : cols) {
    dayStarts += c.dayStart;
    pooled = pooled || c.bars > 1;
  }
  const bool intraday = n > 0 && (data.first().hostTime != 0 || data.last().hostTime != 0);
  if (intraday && dayStarts > 1 && static_cast<double>(dayStarts) <= kPlot / 12) {
    double last = -1e9;
    for (size_t i = 1; i < n; ++i) {
      if (!cols[i].dayStart || X(i, n) - last < 12) continue;
      last = X(i, n);
      svg += "<line class=\"day\" x1=\"" + Num(last - kPlot / (2.0 * n)) + "\" x2=\"" + Num(last - kPlot / (2.0 * n)) +
             "\" y1=\"" + Num(kPriceTop) + "\" y2=\"" + Num(bottom) +
             "\" stroke=\"#bbb\" stroke-dasharray=\"4 4\"/>\n";
    }
  }

  // Price panel: ribbon band, the bars, the average.
  if (panels.ribbon) {
    std::string band;
    for (size_t i = 0; i < n; ++i) band += Num(X(i, n)) + "," + Num(price.Y(cols[i].series[kRibbonHigh].hi)) + " ";
    for (size_t i = n; i-- > 0;) band += Num(X(i, n)) + "," + Num(price.Y(cols[i].series[kRibbonLow].lo)) + " ";
    svg += "<polygon fill=\"#f6b26b\" fill-opacity=\"0.35\" stroke=\"#e69138\" stroke-width=\"0.8\" points=\"" +
           band + "\"/>\n";
  }
  const double pitch = kPlot / static_cast<double>(std::max<size_t>(n, 1));
  if (!pooled && pitch >= 4) {
    // Candles: a wick from low to high, a body from open to close.
    std::string up, down, wicks;
    const double body = std::max(1.0, pitch * 0.6);
    for (size_t i = 0; i < n; ++i) {
      const Column& c = cols[i];
      const double x = X(i, n);
      wicks += "M" + Num(x) + " " + Num(price.Y(c.high)) + "V" + Num(price.Y(c.low));
      const double y1 = price.Y(std::max(c.open, c.close)), y2 = price.Y(std::min(c.open, c.close));
      (c.close >= c.open ? up : down) += "M" + Num(x - body / 2) + " " + Num(y1) + "h" + Num(body) + "V" +
                                         Num(std::max(y2, y1 + 0.8)) + "h" + Num(-body) + "Z";
    }
    svg += "<path class=\"wicks\" stroke=\"#555\" d=\"" + wicks + "\"/>\n";
    svg += "<path class=\"candles\" fill=\"#ffffff\" stroke=\"#555\" d=\"" + up + "\"/>\n";
    svg += "<path class=\"candles\" fill=\"#555\" stroke=\"#555\" d=\"" + down + "\"/>\n";
  } else {
    // Each column's range from low to high, and the close.
    std::string ranges, close;
    for (size_t i = 0; i < n; ++i) {
      const double x = X(i, n);
      ranges += "M" + Num(x) + " " + Num(price.Y(cols[i].high)) + "V" + Num(price.Y(cols[i].low));
      close += Num(x) + "," + Num(price.Y(cols[i].close)) + " ";
    }
    svg += "<path class=\"ranges\" stroke=\"#c8c8c8\" stroke-width=\"" + Num(std::max(1.0, pitch)) +
           "\" d=\"" + ranges + "\"/>\n";
    svg += "<polyline fill=\"none\" stroke=\"#6a6a6a\" stroke-width=\"1\" points=\"" + close + "\"/>\n";
  }
  if (panels.average) Band(svg, price, cols, kAverage, "#1f5fd6");
  std::vector<std::pair<const char*, std::string>> items = {{"#6a6a6a", pooled ? "range and close" : "bars"}};
  if (panels.average) items.push_back({"#1f5fd6", "VQM_RareAvg"});
  if (panels.ribbon) items.push_back({"#e69138", panels.ribbonLabel});
  Legend(svg, kLeft + 12, kPriceTop + 18, items);

  for (const Lower& l : lower) {
    const Series first = l.series.front();
    if (first == kPressure) {
      std::string up, down;
      const double zero = l.panel.Y(0);
      for (size_t i = 0; i < n; ++i) {
        const Range& r = cols[i].series[kPressure];
        if (r.empty()) continue;
        if (r.hi > 0) up += "M" + Num(X(i, n)) + " " + Num(zero) + "V" + Num(l.panel.Y(r.hi));
        if (r.lo < 0) down += "M" + Num(X(i, n)) + " " + Num(zero) + "V" + Num(l.panel.Y(r.lo));
      }
      const std::string w = Num(std::max(0.6, std::min(pitch * 0.7, 3.0)));
      const char* opacity = pooled ? "0.35" : "1";
      svg += "<path stroke=\"#2e9e44\" stroke-opacity=\"" + std::string(opacity) + "\" stroke-width=\"" + w +
             "\" d=\"" + up + "\"/>\n";
      svg += "<path stroke=\"#d0453a\" stroke-opacity=\"" + std::string(opacity) + "\" stroke-width=\"" + w +
             "\" d=\"" + down + "\"/>\n";
      if (pooled) Band(svg, l.panel, cols, kPressure, "#333333");
    } else if (first == kFallBelowLow) {
      const char* colors[] = {"#d0453a", "#2e9e44", "#1f5fd6", "#8e44ad"};
      int k = 0;
      for (Series s : l.series) Band(svg, l.panel, cols, s, colors[k++]);
      Legend(svg, kLeft + 12, l.panel.top + 16,
             {{colors[0], "fall below low"}, {colors[1], "rise above low"},
              {colors[2], "rise above high"}, {colors[3], "fall below high"}});
    } else {
      Band(svg, l.panel, cols, first, first == kPosition ? "#8e44ad" : "#e69138");
    }
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace vqm::replay
