// The command line: defaults, the runner selection and the per-runner parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace vqm::replay {
namespace {

struct Parsed {
  bool ok;
  Options options;
  std::string error;
};

Parsed ParseArgs(std::vector<std::string> args) {
  static const std::vector<std::unique_ptr<Runner>> runners = AllRunners();
  args.insert(args.begin(), "vqm-replay");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  Parsed p;
  p.ok = ParseOptions(static_cast<int>(argv.size()), argv.data(), runners, &p.options, &p.error);
  return p;
}

TEST(ReplayOptions, WithoutArgumentsEveryRunnerRunsWithItsDefaults) {
  const Parsed p = ParseArgs({});
  ASSERT_TRUE(p.ok) << p.error;
  // The file exports run only when asked for.
  EXPECT_EQ((std::vector<std::string>{"rareavg", "trendrev", "bsp", "findgem", "prcnorm"}),
            p.options.runners);
  EXPECT_TRUE(p.options.chart);
  EXPECT_FALSE(p.options.log);
  EXPECT_FALSE(p.options.runnersChosen);
  EXPECT_TRUE(p.options.barFile.empty());
  EXPECT_EQ(100, p.options.divisor);
  EXPECT_EQ("20", p.options.params.at("rareavg").at("regr"));
  EXPECT_EQ("120", p.options.params.at("trendrev").at("slow"));
  EXPECT_EQ("", p.options.params.at("loadcol").at("file"));
}

TEST(ReplayOptions, ChosenRunnersParametersAndFile) {
  const Parsed p = ParseArgs({"--run", "bsp,rareavg", "--rareavg-regr=30", "--bsp-style", "3",
                        "--trendrev-widthfactor", "0.5", "--ticks=4", "--symbol", "ES",
                        "bars.csv"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_EQ((std::vector<std::string>{"bsp", "rareavg"}), p.options.runners);
  EXPECT_TRUE(p.options.runnersChosen);
  EXPECT_EQ("30", p.options.params.at("rareavg").at("regr"));
  EXPECT_EQ("3", p.options.params.at("bsp").at("style"));
  EXPECT_EQ("0.5", p.options.params.at("trendrev").at("widthfactor"));
  EXPECT_EQ(4, p.options.ticks);
  EXPECT_EQ("ES", p.options.symbol);
  EXPECT_EQ("bars.csv", p.options.barFile);
  EXPECT_TRUE(p.options.given.at("rareavg").at("regr"));
  EXPECT_EQ(0u, p.options.given.at("rareavg").count("wgt"));

  const Parsed q = ParseArgs({"--run=all", "--from", "2024-03-11", "--to=2024-03-12T09:30",
                              "--delimiter", "tab", "--date-format", "dmy", "--no-chart", "--log",
                              "-h", "--version", "-"});
  ASSERT_TRUE(q.ok) << q.error;
  EXPECT_EQ(9u, q.options.runners.size());
  EXPECT_EQ(202403110000LL, q.options.from);
  EXPECT_EQ(202403120930LL, q.options.to);
  EXPECT_EQ('\t', q.options.read.delimiter);
  EXPECT_EQ(DateOrder::kDayFirst, q.options.read.dateOrder);
  EXPECT_FALSE(q.options.chart);
  EXPECT_TRUE(q.options.log && q.options.help && q.options.version);
  EXPECT_EQ("-", q.options.barFile);
  // A date alone as the end takes in the whole day.
  EXPECT_EQ(202403112359LL, ParseArgs({"--to", "20240311"}).options.to);
}

TEST(ReplayOptions, RefusesWhatItCannotUseWithOneLine) {
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--run", "rareavg,nosuch"}, "--run: no indicator or export called 'nosuch'"},
      {{"--run", ","}, "--run needs at least one name"},
      {{"--rareavg-regr", "2.5"}, "--rareavg-regr '2.5' is not a whole number"},
      {{"--trendrev-widthfactor", "x"}, "--trendrev-widthfactor 'x' is not a number"},
      {{"--rareavg-nosuch", "1"}, "unknown option --rareavg-nosuch (see --help)"},
      {{"--verbose"}, "unknown option --verbose (see --help)"},
      {{"--bogus", "x.csv"}, "unknown option --bogus (see --help)"},
      {{"-x"}, "unknown option -x (see --help)"},
      {{"--out"}, "option --out needs a value"},
      {{"--quiet=1"}, "option --quiet takes no value"},
      {{"--from", "2024-13-01"}, "--from '2024-13-01' is not a calendar date between 1900 and 2099"},
      {{"--from", "20240312", "--to", "20240311"}, "--from is after --to"},
      {{"--delimiter", "|"}, "--delimiter '|' is not comma, semicolon or tab"},
      {{"--date-format", "ymd"}, "--date-format 'ymd' is not mdy (month first) or dmy (day first)"},
      {{"--divisor", "0"}, "--divisor '0' is not a whole number of 1 or more"},
      {{"--ticks", "-1"}, "--ticks '-1' is not a whole number from 0 to 100000"},
      {{"a.csv", "b.csv"}, "more than one bar file: 'a.csv' and 'b.csv'"},
      {{"--symbol="}, "--symbol needs a non-empty text"},
  };
  for (const auto& c : cases) {
    const Parsed p = ParseArgs(c.args);
    EXPECT_FALSE(p.ok) << c.error;
    EXPECT_EQ(c.error, p.error);
  }
}

TEST(ReplayOptions, HelpListsEveryRunnerAndParameter) {
  const std::vector<std::unique_ptr<Runner>> runners = AllRunners();
  const std::string usage = Usage(runners);
  for (const auto& r : runners) {
    EXPECT_NE(std::string::npos, usage.find(std::string("  ") + r->name() + ": "));
    for (const Param& p : r->params())
      EXPECT_NE(std::string::npos, usage.find("--" + std::string(r->name()) + "-" + p.name + " "));
  }
}

}  // namespace
}  // namespace vqm::replay
