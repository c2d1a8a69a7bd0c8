// vqm-replay: replays a bar file through the library's exports the way a platform script
// calls them, and writes every output per call into a CSV file and a chart into an SVG file.
// The bar file is streamed: each bar goes through every runner, into the CSV and into the
// chart's columns before the next is read. Run with --help for the options.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <io.h>
#define VQM_ISATTY _isatty
#define VQM_FILENO _fileno
#else
#include <unistd.h>
#define VQM_ISATTY isatty
#define VQM_FILENO fileno
#endif

#include "bars.h"
#include "chart_data.h"
#include "options.h"
#include "output_place.h"
#include "replay_csv.h"
#include "ribbon.h"
#include "runner.h"
#include "sample_bars.h"
#include "svg_chart.h"

namespace vqm::replay {
namespace {

constexpr size_t kProgressEvery = 1 << 16;  // bars between updates of the progress line

int Fail(const std::string& message) {
  fprintf(stderr, "vqm-replay: %s\n", message.c_str());
  return 2;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

std::string DateTimeText(const Bar& b, bool daily) {
  const int d = CalendarDate(b.hostDate);
  char t[32];
  if (daily)
    snprintf(t, sizeof t, "%04d-%02d-%02d", d / 10000, d / 100 % 100, d % 100);
  else
    snprintf(t, sizeof t, "%04d-%02d-%02d %02d:%02d", d / 10000, d / 100 % 100, d % 100,
             b.hostTime / 100, b.hostTime % 100);
  return t;
}

long long WhenKey(const Bar& b) { return CalendarDate(b.hostDate) * 10000LL + b.hostTime; }

bool OpenBars(const Options& o, BarReader* reader, std::string* error) {
  if (!o.barFile.empty()) return reader->Open(o.barFile, o.read, error);
  reader->OpenText(kSampleBars, kSampleBarsSize, "sample", o.read);
  return true;
}

// Where each chart series comes from: a column of the row, or -1.
struct SeriesColumns {
  int at[kSeriesCount];
  explicit SeriesColumns(const std::vector<std::string>& names) {
    static const char* const kNames[kSeriesCount] = {
        "rareavg", "", "", "trendrev_position", "trendrev_width", "bsp_pressure",
        "findgem_fall_below_low", "findgem_rise_above_low", "findgem_rise_above_high",
        "findgem_fall_below_high"};
    for (int s = 0; s < kSeriesCount; ++s) {
      at[s] = -1;
      for (size_t c = 0; c < names.size(); ++c)
        if (names[c] == kNames[s]) at[s] = static_cast<int>(c);
    }
  }
};

struct Ran {
  Runner* runner;
  size_t first;  // its first column in the row
};

int Replay(int argc, char** argv) {
  const std::vector<std::unique_ptr<Runner>> runners = AllRunners();
  Options o;
  std::string error;
  if (!ParseOptions(argc, argv, runners, &o, &error)) return Fail(error);
  if (o.help) {
    fputs(Usage(runners).c_str(), stdout);
    return 0;
  }
  if (o.version) {
    printf("vqm-replay %s\n", VQM_VERSION);
    return 0;
  }

  // The library beside this program, found before the host folder is moved to the output.
  ClearLibraryEnvironment();
  const std::string libraryPath = o.library.empty() ? test::DefaultLibraryPath() : o.library;
  // Output next: the library reads where to write when it is loaded and first called.
  const OutputPlace place = ChooseOutputPlace(o.out, o.barFile);
  BarReader reader;
  if (!OpenBars(o, &reader, &error)) return Fail(error);
  Bar bar;
  if (reader.Next(&bar, &error) != 1) return Fail(error);
  const Bar firstBar = bar;
  if (!PrepareOutputPlace(place, o.log, &error)) return Fail(error);

  const bool sample = o.barFile.empty();
  const std::string symbol = !o.symbol.empty() ? o.symbol
                             : sample          ? "VQMSAMPLE"
                             : o.barFile == "-" ? "STDIN"
                                                : std::filesystem::path(o.barFile).stem().string();
  const Library library(libraryPath);
  if (!library.ok()) return Fail("cannot load " + libraryPath + ": " + library.error());

  // Each runner prepares its calls; one that cannot run is reported and left out.
  // VQM_SaveDataToCsv2 shares its row counter with VQM_SaveDataToCsv: call by call, the two
  // symbols would restart each other's file, so with both it replays in a pass of its own.
  const bool bothCsv = std::count(o.runners.begin(), o.runners.end(), "savecsv") > 0 &&
                       std::count(o.runners.begin(), o.runners.end(), "savecsv2") > 0;
  std::vector<Runner*> apart;
  std::vector<Ran> ran;
  std::vector<std::string> columns;
  std::vector<std::string> notes;
  bool chosenFailed = false;
  // A runner that cannot run is named in the summary and warned of.
  auto skip = [&](const std::string& name, const std::string& why) {
    char pad[16];
    snprintf(pad, sizeof pad, "  %-9s ", name.c_str());
    notes.push_back(pad + ("skipped: " + why));
    fprintf(stderr, "vqm-replay: warning: %s did not run: %s\n", name.c_str(), why.c_str());
    chosenFailed = chosenFailed || o.runnersChosen;
  };
  for (const std::string& name : o.runners) {
    Runner* runner = nullptr;
    for (const auto& r : runners)
      if (name == r->name()) runner = r.get();
    RunContext context;
    context.library = &library;
    context.symbol = symbol;
    context.divisor = o.divisor;
    context.hasTickVolumes = reader.hasTickVolumes();
    context.daily = reader.daily();
    context.firstDate = bar.hostDate;
    context.params = o.params[name];
    context.given = o.given[name];
    std::string why;
    if (!runner->Begin(context, &why)) {
      skip(name, why);
      continue;
    }
    const bool passOfItsOwn = bothCsv && name == "savecsv2";
    if (o.barFile == "-" && (passOfItsOwn || runner->NeedsBarsFirst())) {
      skip(name, "it needs the bars twice, and standard input can be read only once: give a bar file");
      continue;
    }
    if (passOfItsOwn) {
      apart.push_back(runner);
      notes.push_back("  savecsv2  replayed in a pass of its own after the others (it shares its row counter "
                      "with savecsv); its results are not in the CSV");
      continue;
    }
    ran.push_back({runner, columns.size()});
    for (const std::string& c : runner->columns()) columns.push_back(c);
  }
  // A runner that needs every bar before its first call gets its own pass over the file.
  for (const Ran& r : ran) {
    if (!r.runner->NeedsBarsFirst()) continue;
    BarReader first;
    if (!OpenBars(o, &first, &error)) return Fail(error);
    Bar b;
    int got;
    while ((got = first.Next(&b, &error)) == 1) r.runner->Prepare(b);
    if (got < 0) return Fail(error);
    if (!r.runner->Prepared(&error)) return Fail(error);
  }

  FILE* csvFile = fopen(place.csv.c_str(), "wb");
  if (csvFile == nullptr) return Fail("cannot write " + place.csv);
  ReplayCsv csv(csvFile, reader.hasTickVolumes(), reader.daily(), columns);
  std::vector<Cell> cells(columns.size());

  ChartData chart(kPlotWidth);
  const SeriesColumns from(columns);
  const std::map<std::string, std::string>& tr = o.params["trendrev"];
  const std::vector<int> lengths = RibbonLengths(atoi(tr.at("fast").c_str()), atoi(tr.at("slow").c_str()));
  const bool trendrevRan = from.at[kPosition] >= 0;
  RibbonTracker ribbon(trendrevRan ? lengths : std::vector<int>());

  const bool progress = !o.quiet && VQM_ISATTY(VQM_FILENO(stderr));
  int barNumber = 0;
  Bar last;
  for (int got = 1; got == 1; got = reader.Next(&bar, &error)) {
    ++barNumber;
    std::fill(cells.begin(), cells.end(), Cell());
    const Call call{&bar, barNumber, 0};
    for (const Ran& r : ran) r.runner->Step(call, &cells[r.first]);
    csv.Row(bar, barNumber, 0, cells.data());
    const RibbonBounds bounds = ribbon.empty() ? RibbonBounds{NAN, NAN} : ribbon.Add(bar.close);
    const long long when = WhenKey(bar);
    if ((o.from == 0 || when >= o.from) && (o.to == 0 || when <= o.to)) {
      float values[kSeriesCount];
      for (int s = 0; s < kSeriesCount; ++s) {
        const int c = from.at[s];
        values[s] = c >= 0 && cells[static_cast<size_t>(c)].kind == Cell::kFloat ? cells[static_cast<size_t>(c)].f : NAN;
      }
      values[kRibbonLow] = static_cast<float>(bounds.low);
      values[kRibbonHigh] = static_cast<float>(bounds.high);
      chart.Add(bar, values);
    }
    if (progress && barNumber % kProgressEvery == 0) {
      const uint64_t size = reader.lines().size();
      if (size > 0)
        fprintf(stderr, "\rvqm-replay: %d bars (%d%%)", barNumber,
                static_cast<int>(reader.lines().consumed() * 100 / size));
      else
        fprintf(stderr, "\rvqm-replay: %d bars", barNumber);
      fflush(stderr);
    }
    last = bar;
  }
  if (progress && barNumber >= static_cast<int>(kProgressEvery)) fprintf(stderr, "\n");
  if (!error.empty()) {
    csv.Close();
    std::filesystem::remove(place.csv);
    return Fail(error);
  }
  for (int t = 1; t <= o.ticks; ++t) {
    std::fill(cells.begin(), cells.end(), Cell());
    const Call call{&last, barNumber, t};
    for (const Ran& r : ran) r.runner->Step(call, &cells[r.first]);
    csv.Row(last, barNumber, t, cells.data());
  }
  if (!csv.Close()) return Fail("cannot write " + place.csv);
  for (Runner* runner : apart) {
    BarReader again;
    if (!OpenBars(o, &again, &error)) return Fail(error);
    std::vector<Cell> scratch(runner->columns().size());
    Bar b;
    int got, number = 0;
    while ((got = again.Next(&b, &error)) == 1) runner->Step({&b, ++number, 0}, scratch.data());
    if (got < 0) return Fail(error);
    for (int t = 1; t <= o.ticks; ++t) runner->Step({&last, number, t}, scratch.data());
    ran.push_back({runner, 0});
  }

  const bool daily = reader.daily();
  std::string chartLine;
  if (o.chart && chart.bars() == 0) {
    fprintf(stderr, "vqm-replay: warning: no bars between --from and --to, no chart\n");
  } else if (o.chart) {
    ChartPanels panels;
    panels.average = from.at[kAverage] >= 0;
    panels.trendrev = trendrevRan;
    panels.ribbon = trendrevRan && !lengths.empty();
    panels.pressure = from.at[kPressure] >= 0;
    panels.findgem = from.at[kFallBelowLow] >= 0;
    if (panels.ribbon)
      panels.ribbonLabel = "ribbon bounds: lowest and highest SMA " + std::to_string(lengths.front()) +
                           ".." + std::to_string(lengths.back()) + " of the close (drawn by vqm-replay)";
    const std::string title = symbol + ": " + std::to_string(chart.bars()) + " bars, " +
                              DateTimeText(chart.first(), daily) + " to " + DateTimeText(chart.last(), daily) +
                              (sample ? " (synthetic sample)" : "");
    const std::string svgText = RenderSvg(chart, title, panels);
    FILE* svg = fopen(place.svg.c_str(), "wb");
    if (svg == nullptr) return Fail("cannot write " + place.svg);
    const bool written = fwrite(svgText.data(), 1, svgText.size(), svg) == svgText.size();
    if (fclose(svg) != 0 || !written) return Fail("cannot write " + place.svg);
    chartLine = "Chart: " + Absolute(place.svg);
  }

  // An indicator that gave no result, or next to none, says why.
  for (const Ran& r : ran) {
    const Runner& x = *r.runner;
    if (x.calls() == 0 || static_cast<long long>(x.empties()) * 20 < static_cast<long long>(x.calls()) * 19) continue;
    fprintf(stderr, "vqm-replay: warning: %s gave no result for %d of %d calls: %s\n", x.name(),
            x.empties(), x.calls(), x.NothingReason().c_str());
    chosenFailed = chosenFailed || o.runnersChosen;
  }

  if (!o.quiet) {
    printf("vqm-replay: %d bars of %s, %s to %s%s, %d real-time ticks\n", barNumber, symbol.c_str(),
           DateTimeText(firstBar, daily).c_str(), DateTimeText(last, daily).c_str(),
           sample ? " (bundled synthetic sample)" : "", o.ticks);
    printf("library: %s\n", library.path().c_str());
    for (const Ran& r : ran) {
      printf("  %-9s %s\n", r.runner->name(), r.runner->Summary().c_str());
      for (const std::string& f : r.runner->Files()) printf("  %-9s file %s\n", "", Absolute(f).c_str());
    }
    for (const std::string& n : notes) printf("%s\n", n.c_str());
    printf("CSV:   %s\n", Absolute(place.csv).c_str());
    if (!chartLine.empty()) printf("%s\n", chartLine.c_str());
    if (o.log) printf("Log:   %s\n", Absolute(LibraryLogPath()).c_str());
  }
  return chosenFailed ? 1 : 0;
}

}  // namespace
}  // namespace vqm::replay

int main(int argc, char** argv) {
  try {
    return vqm::replay::Replay(argc, argv);
  } catch (const std::exception& e) {
    fprintf(stderr, "vqm-replay: %s\n", e.what());
    return 2;
  }
}
