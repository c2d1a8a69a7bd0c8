#include "options.h"

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

bool ParseOptions(int argc, char** argv, const std::vector<std::unique_ptr<Runner>>& runners,
                  Options* o, std::string* error) {
  for (const auto& r : runners) {
    o->runners.push_back(r->name());
    for (const Param& p : r->params()) o->params[r->name()][p.name] = p.defaultValue;
  }
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
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
    if (arg == "--help") {
      o->help = true;
      continue;
    }
    if (arg == "--quiet") {
      o->quiet = true;
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        *error = "option " + arg + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (arg == "--lib") {
      o->library = value;
    } else if (arg == "--symbol") {
      if (value.empty()) {
        *error = "--symbol needs a non-empty text";
        return false;
      }
      o->symbol = value;
    } else if (arg == "--out") {
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
    } else if (arg == "--run") {
      o->runners.clear();
      o->runnersChosen = true;
      for (const std::string& name : SplitList(value)) {
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
    } else {
      // --<runner>-<parameter>
      const std::string key = arg.substr(2);
      const size_t dash = key.find('-');
      const Runner* r = dash == std::string::npos ? nullptr : FindRunner(runners, key.substr(0, dash));
      const std::string pname = dash == std::string::npos ? "" : key.substr(dash + 1);
      const Param* param = nullptr;
      std::vector<Param> ps;
      if (r != nullptr) ps = r->params();
      for (const Param& p : ps)
        if (p.name == pname) param = &p;
      if (param == nullptr) {
        *error = "unknown option " + arg + " (see --help)";
        return false;
      }
      if (!ValidValue(*param, value)) {
        *error = arg + " '" + value + "' is not " +
                 (param->kind == Param::kInt ? "a whole number" : "a number");
        return false;
      }
      o->params[r->name()][pname] = value;
    }
  }
  return true;
}

std::string Usage(const std::vector<std::unique_ptr<Runner>>& runners) {
  std::string u =
      "Usage: vqm-replay [options] [BARFILE]\n"
      "Replays a bar file through the library's exports the way a platform script calls\n"
      "them, one call per bar, and writes PREFIX.csv (one row per call, every output) and\n"
      "PREFIX.svg (price, regression average, ribbon bounds, trend position, pressure).\n"
      "Without BARFILE it replays the bundled synthetic sample.\n\n"
      "BARFILE: CSV lines date,time,open,high,low,close,volume[,upvolume,downvolume]\n"
      "  (date YYYYMMDD or YYYY-MM-DD, time HHMM or HH:MM; an optional header line).\n\n"
      "Options:\n"
      "  --lib PATH       library to load (default: the one beside vqm-replay)\n"
      "  --run LIST       comma-separated indicators and exports (default: all)\n"
      "  --symbol TEXT    symbol passed to the exports (default: the bar file's name)\n"
      "  --divisor N      integer prices are the prices times N (default 100)\n"
      "  --ticks N        repeat the last bar N times as real-time ticks (default 0)\n"
      "  --out PREFIX     output files PREFIX.csv and PREFIX.svg (default: <bar file>.replay)\n"
      "  --quiet          no progress line\n\n"
      "Exit status: 0 replayed; 1 replayed, but an indicator chosen with --run could not run\n"
      "(an export missing from the library, no tick volumes for bsp); 2 an error (bad option,\n"
      "bar file or library), reported on one line.\n\n"
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
