// The input/output tables of docs/indicators.md, recomputed through both backends. A table
// follows a line "<!-- recomputed: <function> key=value ... -->" that names the function and
// its fixed arguments; its columns are found by their header names. Outputs are compared as
// the text the table shows: the library's value printed with the cell's number of decimals.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "indicators/bsp/bsp_fixture.h"

namespace vqm {
namespace {

using test::HostDouble;

struct DocTable {
  std::string function;
  std::map<std::string, std::string> args;
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  int line = 0;  // of the marker, for messages

  size_t Column(const std::string& name) const {
    for (size_t i = 0; i < header.size(); ++i) {
      if (header[i] == name) return i;
    }
    ADD_FAILURE() << "line " << line << ": no column '" << name << "'";
    return 0;
  }
  std::string Arg(const std::string& key) const {
    auto it = args.find(key);
    if (it == args.end()) ADD_FAILURE() << "line " << line << ": no argument " << key;
    return it == args.end() ? "0" : it->second;
  }
  int IntArg(const std::string& key) const { return std::stoi(Arg(key)); }
};

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  for (size_t i = line.find('|') + 1; i < line.size(); ++i) {
    if (line[i] != '|') {
      cell += line[i];
      continue;
    }
    const size_t b = cell.find_first_not_of(' '), e = cell.find_last_not_of(' ');
    cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
    cell.clear();
  }
  return cells;
}

// Every marked table of the file; a function with two tables (the pattern search) gives two
// entries with the same marker.
std::vector<DocTable> ReadTables(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  std::vector<DocTable> tables;
  const std::string marker = "<!-- recomputed: ";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].compare(0, marker.size(), marker) != 0) continue;
    std::istringstream words(lines[i].substr(marker.size()));
    DocTable t;
    t.line = static_cast<int>(i + 1);
    words >> t.function;
    for (std::string w; words >> w && w != "-->";) {
      const size_t eq = w.find('=');
      t.args[w.substr(0, eq)] = eq == std::string::npos ? "" : w.substr(eq + 1);
    }
    const int wanted = t.function == "VQM_FindGem" ? 2 : 1;
    size_t j = i + 1;
    for (int n = 0; n < wanted; ++n) {
      while (j < lines.size() && lines[j].rfind("|", 0) != 0) ++j;
      DocTable table = t;
      for (bool first = true; j < lines.size() && lines[j].rfind("|", 0) == 0; ++j) {
        if (first) table.header = Cells(lines[j]);
        else if (lines[j].rfind("|---", 0) != 0) table.rows.push_back(Cells(lines[j]));
        first = false;
      }
      tables.push_back(table);
    }
  }
  return tables;
}

// The library's value as the cell shows it: as many decimals as the cell has.
std::string AsShown(double value, const std::string& cell) {
  const size_t dot = cell.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(cell.size() - dot - 1);
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

class IndicatorDocTables : public test::BspTest {
 protected:
  // A symbol of this run alone: the managers keep every series of the process.
  std::string Symbol(const DocTable& t) const {
    return t.Arg("symbol") + "." + keyText_ + "." + test::BackendName(GetParam());
  }
  void Expect(const DocTable& t, size_t row, const char* column, double value) {
    const std::string& cell = t.rows[row][t.Column(column)];
    EXPECT_EQ(cell, AsShown(value, cell))
        << "docs/indicators.md line " << t.line << ", row " << row + 1 << ", " << column
        << ": the library gives " << testing::PrintToString(value);
  }
  void RareAvg(const DocTable& t);
  void TrendReversal(const DocTable& t);
  void FindGemAdd(const DocTable& t);
  void FindGemCalc(const DocTable& t);
  void BspCalc(const DocTable& t);
};

int Int(const std::string& cell) { return std::stoi(cell); }
float Float(const std::string& cell) { return std::stof(cell); }

void IndicatorDocTables::RareAvg(const DocTable& t) {
  const std::string symbol = Symbol(t);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    const float result = api().VQM_RareAvg(
        symbol.c_str(), t.IntArg("regr"), t.IntArg("wgt"), Float(row[t.Column("value")]),
        t.IntArg("date"), Int(row[t.Column("time")]), t.IntArg("respfac"), 0,
        t.IntArg("bartype"), t.IntArg("daycont"), Int(row[t.Column("bar")]));
    Expect(t, r, "result", result);
  }
}

void IndicatorDocTables::TrendReversal(const DocTable& t) {
  const std::string symbol = Symbol(t);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    float position = -1, width = -1;
    const int result = api().VQM_TrendReversal(
        0, symbol.c_str(), t.IntArg("date"), Int(row[t.Column("time")]), 1, 0,
        Float(row[t.Column("price")]), Float(t.Arg("factor")), t.IntArg("fast"),
        t.IntArg("slow"), &position, &width);
    Expect(t, r, "result", result);
    Expect(t, r, "position", position);
    Expect(t, r, "width", width);
  }
}

void IndicatorDocTables::FindGemAdd(const DocTable& t) {
  const std::string symbol = Symbol(t);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    int v[5];
    const char* names[5] = {"open", "high", "low", "close", "volume"};
    for (int k = 0; k < 5; ++k) v[k] = Int(row[t.Column(names[k])]);
    const int added = api().VQM_FindGemAdd(
        0, symbol.c_str(), Int(row[t.Column("date")]), Int(row[t.Column("time")]),
        t.IntArg("divisor"), &v[0], &v[1], &v[2], &v[3], &v[4], t.IntArg("mode"));
    Expect(t, r, "added", added);
  }
}

void IndicatorDocTables::FindGemCalc(const DocTable& t) {
  const std::string symbol = Symbol(t);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    float out[4] = {-1, -1, -1, -1};
    const int result =
        api().VQM_FindGemCalc(0, symbol.c_str(), Int(row[t.Column("date")]),
                              Int(row[t.Column("time")]), 0, &out[0], &out[1], &out[2], &out[3]);
    Expect(t, r, "result", result);
    Expect(t, r, "fall below low", out[0]);
    Expect(t, r, "rise above low", out[1]);
    Expect(t, r, "rise above high", out[2]);
    Expect(t, r, "fall below high", out[3]);
  }
}

void IndicatorDocTables::BspCalc(const DocTable& t) {
  HostDouble host;
  host.SetParameters(Float(t.Arg("avglen")), Float(t.Arg("vollen")), Float(t.Arg("style")));
  ASSERT_EQ(0, Call(&host, "doc"));
  auto* instance = reinterpret_cast<CBSPSet*>(static_cast<intptr_t>(Handle("doc")));
  ASSERT_NE(nullptr, instance);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    const auto& row = t.rows[r];
    float pressure = 12345;
    EXPECT_EQ(0, api().VQM_BSPCalc(instance, Float(row[t.Column("up")]),
                                   Float(row[t.Column("down")]), t.IntArg("style"), &pressure));
    Expect(t, r, "pressure", pressure);
  }
}

TEST_P(IndicatorDocTables, AgreeWithTheLibrary) {
  const std::vector<DocTable> tables =
      ReadTables(std::string(VQM_SOURCE_DIR) + "/docs/indicators.md");
  std::map<std::string, int> seen;
  for (const DocTable& t : tables) {
    SCOPED_TRACE("docs/indicators.md line " + std::to_string(t.line) + ": " + t.function);
    ASSERT_FALSE(t.rows.empty());
    const int n = seen[t.function]++;
    if (t.function == "VQM_RareAvg") RareAvg(t);
    else if (t.function == "VQM_TrendReversal") TrendReversal(t);
    else if (t.function == "VQM_FindGem") n == 0 ? FindGemAdd(t) : FindGemCalc(t);
    else if (t.function == "VQM_BSPCalc") BspCalc(t);
    else ADD_FAILURE() << "no such function";
  }
  // Each indicator has its table.
  EXPECT_EQ((std::map<std::string, int>{{"VQM_BSPCalc", 1}, {"VQM_FindGem", 2},
                                        {"VQM_RareAvg", 1}, {"VQM_TrendReversal", 1}}),
            seen);
}

VQM_INSTANTIATE_BACKEND_TESTS(IndicatorDocTables);

}  // namespace
}  // namespace vqm
