// The script declarations (docs/script/declarations.txt), the sample scripts and the
// reference for script authors (docs/exports.md) against the export table: every export of
// VQM_FUNC1.def must be declared with the result and argument kinds of its prototype, and
// must have its section in the reference with one argument row per argument, of the same
// kinds. An export added without its declaration or its section fails here.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/export_list.h"
#include "frame/exports.h"
#include "series/series_export_list.h"

namespace vqm::test {
namespace {

// The platform's type names for the types at the boundary.
template <class T>
struct HostType;
template <> struct HostType<int> { static constexpr const char* name = "int"; };
template <> struct HostType<float> { static constexpr const char* name = "float"; };
template <> struct HostType<int64_t> { static constexpr const char* name = "int64"; };
template <> struct HostType<const char*> { static constexpr const char* name = "LPSTR"; };
template <> struct HostType<char*> { static constexpr const char* name = "LPSTR"; };
template <> struct HostType<int*> { static constexpr const char* name = "LPINT"; };
template <> struct HostType<float*> { static constexpr const char* name = "LPFLOAT"; };
// A value block is passed as the address of its first slot.
template <> struct HostType<ValueBlock*> { static constexpr const char* name = "LPFLOAT"; };
template <> struct HostType<HostScriptObject*> {
  static constexpr const char* name = "IEasyLanguageObject";
};
// The buy/sell pressure instance travels as the 64-bit handle of VQM_BSPHandle.
template <> struct HostType<CBSPSet*> { static constexpr const char* name = "int64"; };

struct Signature {
  std::string result;
  std::vector<std::string> arguments;
  bool operator==(const Signature& o) const {
    return result == o.result && arguments == o.arguments;
  }
};

std::string Text(const Signature& s) {
  std::string t = s.result + " (";
  for (size_t i = 0; i < s.arguments.size(); ++i) t += (i ? ", " : "") + s.arguments[i];
  return t + ")";
}

template <class R, class... A>
Signature SignatureOf(R (*)(A...)) {
  return {HostType<R>::name, {HostType<A>::name...}};
}

// Every export of the library, from its prototype (no address taken).
const std::map<std::string, Signature>& Prototypes() {
  static const std::map<std::string, Signature> table = {
#define VQM_SIGNATURE(name) {#name, SignatureOf(static_cast<decltype(&::name)>(nullptr))},
      VQM_EXPORT_LIST(VQM_SIGNATURE)
#undef VQM_SIGNATURE
  };
  return table;
}

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(VQM_SOURCE_DIR) + "/" + relative, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The exports of VQM_FUNC1.def whose names start with prefix: "VQM_" for the script-facing
// exports, "vqm_" for the series API.
std::vector<std::string> DefExports(const std::string& prefix = "VQM_") {
  std::istringstream in(ReadSource("src/VQM_FUNC1.def"));
  std::vector<std::string> names;
  bool exports = false;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_search(line, std::regex("^\\s*EXPORTS\\b"))) exports = true;
    else if (exports && std::regex_match(line, m, std::regex("\\s*(" + prefix + "\\w+)\\s*\\r?")))
      names.push_back(m[1]);
  }
  return names;
}

// DefineDLLFunc: "VQM_FUNC1.DLL", <result>, "<name>"[, <argument>...];  ({...} comments
// are dropped first). A name declared twice keeps both, so duplicates can be seen.
std::multimap<std::string, Signature> Declarations(const std::string& relative) {
  const std::string text =
      std::regex_replace(ReadSource(relative), std::regex("\\{[^}]*\\}"), " ");
  const std::regex declaration(
      "DefineDLLFunc\\s*:\\s*\"VQM_FUNC1\\.DLL\"\\s*,\\s*(\\w+)\\s*,\\s*\"(\\w+)\"([^;]*);",
      std::regex::icase);
  std::multimap<std::string, Signature> found;
  for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it) {
    Signature s{(*it)[1], {}};
    const std::string args = (*it)[3];
    const std::regex word("\\w+");
    for (std::sregex_iterator a(args.begin(), args.end(), word); a != end; ++a)
      s.arguments.push_back(a->str());
    found.emplace((*it)[2], s);
  }
  return found;
}

// The reference's sections: "## VQM_X" headings, each with its "Result: <type>" line and
// its argument table, the rows "| n | <type> | ..." under the header "| # | Host type | ...".
std::map<std::string, Signature> ReferenceSections() {
  std::istringstream in(ReadSource("docs/exports.md"));
  std::map<std::string, Signature> sections;
  Signature* current = nullptr;
  bool inArguments = false;
  const std::regex heading("^## `?(\\w+)`?\\s*$");
  const std::regex argumentsHeader("^\\|\\s*#\\s*\\|\\s*Host type\\s*\\|.*");
  const std::regex argument("^\\|\\s*(\\d+)\\s*\\|\\s*`?(\\w+)`?\\s*\\|.*");
  const std::regex result("^Result:\\s*`?(\\w+)`?.*");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::smatch m;
    if (std::regex_match(line, m, heading)) {
      const std::string name = m[1];
      current = name.compare(0, 4, "VQM_") == 0 ? &sections[name] : nullptr;
      inArguments = false;
    } else if (current == nullptr) {
      continue;
    } else if (std::regex_match(line, argumentsHeader)) {
      inArguments = true;
    } else if (line.empty() || line[0] != '|') {
      inArguments = false;
      if (current->result.empty() && std::regex_match(line, m, result)) current->result = m[1];
    } else if (inArguments && std::regex_match(line, m, argument)) {
      EXPECT_EQ(current->arguments.size() + 1, std::stoul(m[1])) << line;
      current->arguments.push_back(m[2]);
    }
  }
  return sections;
}

TEST(ScriptDeclarations, EveryExportOfTheDefFileHasAPrototypeInTheExportList) {
  const std::vector<std::string> names = DefExports();
  ASSERT_FALSE(names.empty()) << "no exports read from src/VQM_FUNC1.def";
  for (const std::string& name : names)
    EXPECT_EQ(1u, Prototypes().count(name)) << name << " is exported but not in export_list.h";
  EXPECT_EQ(names.size(), std::set<std::string>(names.begin(), names.end()).size());
}

TEST(ScriptDeclarations, EveryExportIsDeclaredOnceWithItsArgumentKinds) {
  const auto declared = Declarations("docs/script/declarations.txt");
  for (const auto& [name, prototype] : Prototypes()) {
    ASSERT_EQ(1u, declared.count(name)) << name << " must be declared once";
    const Signature& d = declared.find(name)->second;
    EXPECT_EQ(prototype, d) << name << ": declared " << Text(d) << ", exported "
                            << Text(prototype);
  }
}

TEST(ScriptDeclarations, SampleScriptsDeclareWhatTheyCallAsTheExportsAre) {
  const auto reference = Declarations("docs/script/declarations.txt");
  const char* samples[] = {"docs/script/sample_bsp.txt", "docs/script/sample_rareavg.txt",
                           "docs/script/sample_trendreversal.txt",
                           "docs/script/sample_findgem.txt", "docs/script/sample_prcnorm.txt"};
  for (const char* sample : samples) {
    const auto declared = Declarations(sample);
    EXPECT_FALSE(declared.empty()) << sample << " declares nothing";
    for (const auto& [name, signature] : declared) {
      const auto it = reference.find(name);
      ASSERT_NE(reference.end(), it) << sample << ": " << name << " is not a declared export";
      EXPECT_EQ(it->second, signature) << sample << ": " << name << " declared " << Text(signature)
                                       << " unlike declarations.txt";
      const std::regex call(name + "\\s*\\(");
      EXPECT_TRUE(std::regex_search(ReadSource(sample), call)) << sample << " never calls " << name;
    }
  }
}

TEST(ScriptDeclarations, EveryExportHasAReferenceSectionWithItsArguments) {
  const auto sections = ReferenceSections();
  for (const auto& [name, prototype] : Prototypes()) {
    const auto it = sections.find(name);
    ASSERT_NE(sections.end(), it) << "docs/exports.md has no section ## " << name;
    EXPECT_EQ(prototype, it->second) << name << ": the reference lists " << Text(it->second)
                                     << ", exported " << Text(prototype);
  }
}

// The series API is exported for programs, not scripts: every "vqm_" export of the .def
// file is in the series list, the exported symbols of the .so follow the same pattern, and
// each is declared in the public header and has its section in docs/series.md.
TEST(SeriesDeclarations, EverySeriesExportIsListedDeclaredAndDocumented) {
  const std::vector<std::string> def = DefExports("vqm_");
  const std::vector<std::string> listed = {
#define VQM_SERIES_NAME(name) #name,
      VQM_SERIES_EXPORT_LIST(VQM_SERIES_NAME)
#undef VQM_SERIES_NAME
  };
  EXPECT_EQ(listed, def) << "src/VQM_FUNC1.def and series_export_list.h differ";
  EXPECT_NE(std::string::npos, ReadSource("src/VQM_FUNC1.map").find("vqm_*;"));
  const std::string header = ReadSource("include/vqm/series.h");
  const std::string guide = ReadSource("docs/series.md");
  for (const std::string& name : listed) {
    EXPECT_TRUE(std::regex_search(header, std::regex("VQM_SERIES_API[^;]*\\b" + name + "\\(")))
        << name << " is not declared in include/vqm/series.h";
    EXPECT_TRUE(std::regex_search(guide, std::regex("\\n### `" + name + "`")))
        << "docs/series.md has no section ### `" << name << "`";
  }
}

}  // namespace
}  // namespace vqm::test
