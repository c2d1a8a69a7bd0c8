#include "options.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vqm::replay {
namespace {

bool ParseInt(const std::string& text, int* value) {
  const char* b = text.data();
  const char* e = b + text.size();
  if (b != e && *b == '+') ++b;
  const auto r = std::from_chars(b, e, *value);
  return !text.empty() && r.ec == std::errc() && r.ptr == e;
}

bool ValidValue(const Param& p, const std::string& value) {
  int i;
  double d;
  switch (p.kind) {
    case Param::kInt:
      return ParseInt(value, &i);
    case Param::kFloat: {
      const auto r = std::from_chars(value.data(), value.data() + value.size(), d);
      return !value.empty() && r.ec == std::errc() && r.ptr == value.data() + value.size() &&
             std::isfinite(d);
    }
    case Param::kText:
      return true;
  }
  return false;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string::npos ? text.size() : comma;
    if (end > start) items.push_back(text.substr(start, end - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return items;
}

const Runner* FindRunner(const std::vector<std::unique_ptr<Runner>>& runners,
                         const std::string& name) {
  for (const auto& r : runners)
    if (name == r->name()) return r.get();
  return nullptr;
}

}  // namespace

const char* const kIndicators[5] = {"rareavg", "trendrev", "bsp", "findgem", "prcnorm"};

bool ParseOptions(int argc, char** argv, const std::vector<std::unique_ptr<Runner>>& runners,
                  Options* o, std::string* error) {
  for (const auto& r : runners)
    for (const Param& p : r->params()) o->params[r->name()][p.name] = p.defaultValue;
  o->runners.assign(std::begin(kIndicators), std::end(kIndicators));
  static const char* const kFlags[] = {"--help", "-h", "--version", "--quiet", "--log", "--no-chart"};
  static const char* const kValued[] = {"--lib",   "--symbol",    "--out",  "--divisor",
                                        "--ticks", "--run",       "--from", "--to",
                                        "--delimiter", "--date-format"};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.empty() || arg[0] != '-' || arg == "-") {
      if (!o->barFile.empty()) {
        *error = "more than one bar file: '" + o->barFile + "' and '" + arg + "'";
        return false;
      }
      o->barFile = arg;
      continue;
    }
    std::string value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasValue = true;
    }
    if (std::find(std::begin(kFlags), std::end(kFlags), arg) != std::end(kFlags)) {
      if (hasValue) {
        *error = "option " + arg + " takes no value";
        return false;
      }
      o->help = o->help || arg == "--help" || arg == "-h";
      o->version = o->version || arg == "--version";
      o->quiet = o->quiet || arg == "--quiet";
      o->log = o->log || arg == "--log";
      o->chart = o->chart && arg != "--no-chart";
      continue;
    }
    // --<runner>-<parameter>
    const Runner* runner = nullptr;
    const Param* param = nullptr;
    std::vector<Param> ps;
    const size_t dash = arg.find('-', 2);
    if (arg.compare(0, 2, "--") == 0 && dash != std::string::npos) {
      runner = FindRunner(runners, arg.substr(2, dash - 2));
      if (runner != nullptr) ps = runner->params();
      for (const Param& p : ps)
        if (p.name == arg.substr(dash + 1)) param = &p;
    }
    if (param == nullptr && std::find(std::begin(kValued), std::end(kValued), arg) == std::end(kValued)) {
      *error = "unknown option " + arg + " (see --help)";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        *error = "option " + arg + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (param != nullptr) {
      if (!ValidValue(*param, value)) {
        *error = arg + " '" + value + "' is not " +
                 (param->kind == Param::kInt ? "a whole number" : "a number");
        return false;
      }
      o->params[runner->name()][param->name] = value;
      o->given[runner->name()][param->name] = true;
    } else if (arg == "--lib") {
      o->library = value;
    } else if (arg == "--symbol") {
      if (value.empty()) {
        *error = "--symbol needs a non-empty text";
        return false;
      }
      o->symbol = value;
    } else if (arg == "--out") {
      if (value.empty()) {
        *error = "--out needs a directory or a file name ending in .csv";
        return false;
      }
      o->out = value;
    } else if (arg == "--divisor") {
      if (!ParseInt(value, &o->divisor) || o->divisor < 1) {
        *error = "--divisor '" + value + "' is not a whole number of 1 or more";
        return false;
      }
    } else if (arg == "--ticks") {
      if (!ParseInt(value, &o->ticks) || o->ticks < 0 || o->ticks > 100000) {
        *error = "--ticks '" + value + "' is not a whole number from 0 to 100000";
        return false;
      }
    } else if (arg == "--from" || arg == "--to") {
      Clock c;
      std::string why;
      if (!ParseDate(value, DateOrder::kAuto, &c, &why)) {
        *error = arg + " " + why;
        return false;
      }
      // A date alone takes in the whole day at either end.
      const bool to = arg == "--to";
      const int hhmm = c.hasTime ? c.hour * 100 + c.minute : to ? 2359 : 0;
      (to ? o->to : o->from) = (c.year * 10000LL + c.month * 100 + c.day) * 10000 + hhmm;
    } else if (arg == "--delimiter") {
      const std::map<std::string, char> names = {{",", ','}, {"comma", ','}, {";", ';'},
                                                 {"semicolon", ';'}, {"tab", '\t'}, {"\t", '\t'}};
      if (names.count(value) == 0) {
        *error = "--delimiter '" + value + "' is not comma, semicolon or tab";
        return false;
      }
      o->read.delimiter = names.at(value);
    } else if (arg == "--date-format") {
      if (value == "mdy") o->read.dateOrder = DateOrder::kMonthFirst;
      else if (value == "dmy") o->read.dateOrder = DateOrder::kDayFirst;
      else {
        *error = "--date-format '" + value + "' is not mdy (month first) or dmy (day first)";
        return false;
      }
    } else if (arg == "--run") {
      o->runners.clear();
      o->runnersChosen = true;
      for (const std::string& name : SplitList(value)) {
        if (name == "all") {
          for (const auto& r : runners) o->runners.push_back(r->name());
          continue;
        }
        if (FindRunner(runners, name) == nullptr) {
          *error = "--run: no indicator or export called '" + name + "'";
          return false;
        }
        o->runners.push_back(name);
      }
      if (o->runners.empty()) {
        *error = "--run needs at least one name";
        return false;
      }
    }
  }
  if (o->from != 0 && o->to != 0 && o->from > o->to) {
    *error = "--from is after --to";
    return false;
  }
  return true;
}

std::string Usage(const std::vector<std::unique_ptr<Runner>>& runners) {
  std::string u =
      "Usage: vqm-replay [options] [BARFILE | -]\n"
      "Replays a bar file through the library's exports the way a platform script calls\n"
      "them, one call per bar, and writes a CSV (one row per call, every output) and an SVG\n"
      "chart. Without BARFILE it replays the bundled synthetic sample; - reads standard input.\n\n"
      "BARFILE: one bar a line, fields separated by commas, semicolons or tabs. A header line\n"
      "  names the columns (Date, Time or a date-time/Timestamp, Open, High, Low, Close, Volume,\n"
      "  UpVolume, DownVolume, in any case and common spellings; other columns are ignored);\n"
      "  without one: date,time,open,high,low,close,volume[,upvolume,downvolume]. Dates\n"
      "  YYYYMMDD, YYYY-MM-DD, MM/DD/YYYY, DD.MM.YYYY; times HHMM, HH:MM, HH:MM:SS; a file\n"
      "  without times holds daily bars. The library's own CSV, text and value-block exports\n"
      "  read back.\n\n"
      "Options:\n"
      "  -h, --help       this text\n"
      "  --version        the version\n"
      "  --out PATH       output directory (default: BARFILE's folder/<name>.replay, or\n"
      "                   ./sample.replay and ./stdin.replay in the current directory);\n"
      "                   a name ending in .csv is the CSV file itself, in its folder.\n"
      "                   The CSV, the chart and every file the library writes go there.\n"
      "  --run LIST       comma-separated indicators and exports (default: rareavg,trendrev,\n"
      "                   bsp,findgem,prcnorm; 'all' adds the file exports)\n"
      "  --lib PATH       library to load (default: the one beside vqm-replay)\n"
      "  --symbol TEXT    symbol passed to the exports (default: the bar file's name)\n"
      "  --divisor N      integer prices are the prices times N (default 100)\n"
      "  --ticks N        repeat the last bar N times as real-time ticks (default 0)\n"
      "  --delimiter D    comma, semicolon or tab (default: detected)\n"
      "  --date-format F  mdy or dmy for dates with the year last (default: mdy with / and -,\n"
      "                   dmy with dots)\n"
      "  --from WHEN      chart from this date or date-time on (all bars are replayed)\n"
      "  --to WHEN        chart up to this date or date-time\n"
      "  --no-chart       no SVG chart\n"
      "  --log            let the library write its log (in the output directory)\n"
      "  --quiet          no summary and no progress line (warnings still shown)\n\n"
      "Exit status: 0 replayed; 1 replayed, but an indicator chosen with --run could not run\n"
      "or gave no result; 2 an error (bad option, bar file or library), reported on one line.\n\n"
      "Indicators and exports, with their parameters (--NAME-PARAM VALUE):\n";
  for (const auto& r : runners) {
    u += "  " + std::string(r->name()) + ": " + r->help() + "\n";
    for (const Param& p : r->params())
      u += "      --" + std::string(r->name()) + "-" + p.name + " (" +
           (p.defaultValue.empty() ? std::string("none") : p.defaultValue) + "): " + p.help + "\n";
  }
  return u;
}

}  // namespace vqm::replay
