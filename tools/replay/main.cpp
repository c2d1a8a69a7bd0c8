// vqm-replay: replays a bar file through the library's exports the way a platform script
// calls them, and writes every output per call into a CSV file and a chart into an SVG file.
// Run with --help for the options; without a bar file it replays the bundled sample.
#include <cstdio>
#include <filesystem>
#include <optional>
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
#include "options.h"
#include "results.h"
#include "ribbon.h"
#include "runner.h"
#include "sample_bars.h"
#include "svg_chart.h"

namespace vqm::replay {
namespace {

constexpr size_t kProgressFrom = 20000;  // calls per runner from which progress is shown

int Fail(const std::string& message) {
  fprintf(stderr, "vqm-replay: %s\n", message.c_str());
  return 2;
}

std::string Stem(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

std::string DateTimeText(const Bar& b) {
  const int d = CalendarDate(b.hostDate);
  char t[32];
  snprintf(t, sizeof t, "%04d-%02d-%02d %02d:%02d", d / 10000, d / 100 % 100, d % 100,
           b.hostTime / 100, b.hostTime % 100);
  return t;
}

// "\r<runner> 45% (1620/3600 calls)" on a terminal, for long runs.
class Progress {
 public:
  Progress(const char* name, size_t total, bool quiet)
      : name_(name), total_(total),
        show_(!quiet && total >= kProgressFrom && VQM_ISATTY(VQM_FILENO(stderr))) {}
  void Update(size_t done) {
    if (!show_) return;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == shown_) return;
    shown_ = percent;
    fprintf(stderr, "\rvqm-replay: %-9s %3d%% (%zu/%zu calls)", name_, percent, done, total_);
    if (done == total_) fputc('\n', stderr);
    fflush(stderr);
  }

 private:
  const char* name_;
  size_t total_;
  bool show_;
  int shown_ = -1;
};

std::vector<std::optional<float>> BarColumn(const Results& results, const std::string& name,
                                            size_t bars, bool dropRareAvgError) {
  std::vector<std::optional<float>> values;
  const int column = results.ColumnIndex(name);
  if (column < 0) return values;
  values.resize(bars);
  for (size_t i = 0; i < bars; ++i) {
    const Cell& c = results.At(i, static_cast<size_t>(column));
    if (c.kind != Cell::kFloat) continue;
    if (dropRareAvgError && c.f == 1000000000.0f) continue;
    values[i] = c.f;
  }
  return values;
}

struct Outcome {
  std::string name;
  bool ran = false;
  std::string line;  // summary or the reason it was skipped
  std::vector<std::string> files;
};

std::string NoteFor(const std::vector<Outcome>& outcomes, const char* name) {
  for (const Outcome& o : outcomes)
    if (o.name == name) return o.ran ? "" : o.line;
  return "not selected (--run)";
}

int Replay(int argc, char** argv) {
  const std::vector<std::unique_ptr<Runner>> runners = AllRunners();
  Options o;
  std::string error;
  if (!ParseOptions(argc, argv, runners, &o, &error)) return Fail(error);
  if (o.help) {
    fputs(Usage(runners).c_str(), stdout);
    return 0;
  }

  BarSeries chart;
  const bool sample = o.barFile.empty();
  const bool read = sample ? ParseBars(kSampleBars, kSampleBarsSize, "sample", &chart, &error)
                           : ReadBarFile(o.barFile, &chart, &error);
  if (!read) return Fail(error);
  const std::string symbol = !o.symbol.empty() ? o.symbol : sample ? "VQMSAMPLE" : Stem(o.barFile);
  const std::string prefix = !o.out.empty() ? o.out : (sample ? "sample" : Stem(o.barFile)) + ".replay";

  const std::string libraryPath = o.library.empty() ? test::LibraryBesideProgram() : o.library;
  const Library library(libraryPath);
  if (!library.ok()) return Fail("cannot load " + libraryPath + ": " + library.error());

  Results results(chart, o.ticks);
  std::vector<Outcome> outcomes;
  bool chosenSkipped = false;
  for (const std::string& name : o.runners) {
    Runner* runner = nullptr;
    for (const auto& r : runners)
      if (name == r->name()) runner = r.get();
    RunContext context;
    context.library = &library;
    context.chart = &chart;
    context.symbol = symbol;
    context.divisor = o.divisor;
    context.params = o.params[name];
    Outcome outcome;
    outcome.name = name;
    if (!runner->Begin(context, &outcome.line)) {
      chosenSkipped = chosenSkipped || o.runnersChosen;
      outcomes.push_back(outcome);
      continue;
    }
    const size_t first = results.AddColumns(runner->columns());
    Progress progress(runner->name(), results.rows().size(), o.quiet);
    for (size_t r = 0; r < results.rows().size(); ++r) {
      const Row& row = results.rows()[r];
      runner->Step({row.bar, row.barNumber, row.tick}, results.RowCells(r, first));
      progress.Update(r + 1);
    }
    outcome.ran = true;
    outcome.line = runner->Summary();
    outcome.files = runner->Files();
    outcomes.push_back(outcome);
  }

  const std::string csvPath = prefix + ".csv";
  FILE* csv = fopen(csvPath.c_str(), "wb");
  if (csv == nullptr) return Fail("cannot write " + csvPath);
  const bool written = results.WriteCsv(csv, chart.hasTickVolumes);
  if (fclose(csv) != 0 || !written) return Fail("cannot write " + csvPath);

  ChartData data;
  data.bars = &chart.bars;
  const size_t n = chart.bars.size();
  data.title = symbol + ": " + std::to_string(n) + " bars, " + DateTimeText(chart.bars.front()) +
               " to " + DateTimeText(chart.bars.back()) + (sample ? " (synthetic sample)" : "");
  data.average = BarColumn(results, "rareavg", n, true);
  data.averageNote = NoteFor(outcomes, "rareavg");
  const std::map<std::string, std::string>& tr = o.params["trendrev"];
  const int fast = atoi(tr.at("fast").c_str()), slow = atoi(tr.at("slow").c_str());
  const std::vector<int> lengths = RibbonLengths(fast, slow);
  data.ribbon = ComputeRibbonBounds(chart.bars, lengths);
  data.ribbonLabel = lengths.empty() ? "no ribbon (fast above slow)"
                                     : "ribbon bounds: lowest and highest SMA " +
                                           std::to_string(lengths.front()) + ".." +
                                           std::to_string(lengths.back()) +
                                           " of the close (drawn by vqm-replay)";
  data.position = BarColumn(results, "trendrev_position", n, false);
  data.positionNote = NoteFor(outcomes, "trendrev");
  data.pressure = BarColumn(results, "bsp_pressure", n, false);
  data.pressureNote = NoteFor(outcomes, "bsp");
  const std::string svgPath = prefix + ".svg";
  FILE* svg = fopen(svgPath.c_str(), "wb");
  if (svg == nullptr) return Fail("cannot write " + svgPath);
  const std::string svgText = RenderSvg(data);
  const bool svgWritten = fwrite(svgText.data(), 1, svgText.size(), svg) == svgText.size();
  if (fclose(svg) != 0 || !svgWritten) return Fail("cannot write " + svgPath);

  printf("vqm-replay: %zu bars of %s, %s to %s%s, %d real-time ticks\n", n, symbol.c_str(),
         DateTimeText(chart.bars.front()).c_str(), DateTimeText(chart.bars.back()).c_str(),
         sample ? " (bundled synthetic sample)" : "", o.ticks);
  printf("library: %s\n", library.path().c_str());
  for (const Outcome& oc : outcomes) {
    printf("  %-9s %s%s\n", oc.name.c_str(), oc.ran ? "" : "skipped: ", oc.line.c_str());
    for (const std::string& f : oc.files) printf("  %-9s file %s\n", "", Absolute(f).c_str());
  }
  printf("CSV:   %s\n", Absolute(csvPath).c_str());
  printf("Chart: %s\n", Absolute(svgPath).c_str());
  return chosenSkipped ? 1 : 0;
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
