#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "dataio/column_loader.h"
#include "frame/value_block.h"
#include "support/backend_test.h"
#include "support/files.h"

namespace vqm {
namespace {

constexpr const char* kDir = "C:/Database/LoadCol/";

struct Bar {
  int date;  // host form YYYMMDD
  int time;  // HHMM
  int number;
  int column;
};

class LoadColTest : public test::BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    MakeDirectoryPath(kDir, 0);
  }
  // File names carry the backend so the two runs never share a loader's file.
  std::string Name(const std::string& base) const {
    return base + (inProcess() ? "_in" : "_dll") + ".csv";
  }
  void Write(const std::string& name, const std::string& content) {
    test::WriteFileBytes(kDir + name, content);
  }
  int Call(const std::string& name, const Bar& b, float* value, std::string* error = nullptr) {
    ValueBlock block[16] = {};
    WriteSlot(block, 0, static_cast<float>(b.date));
    WriteSlot(block, 1, static_cast<float>(b.time));
    WriteSlot(block, 7, static_cast<float>(b.number));
    WriteSlot(block, 11, static_cast<float>(b.column));
    WriteSlot(block, 12, -12345.0f);
    char text[1100] = "untouched";
    const int r = api().VQM_LoadCol(name.c_str(), block, text);
    if (value) *value = ReadSlot(block, 12);
    if (error) *error = text;
    return r;
  }
};

const char* kFourLines =
    "Date,Time,Close\r\n20240315,0930,1.5\r\n20240315,0931,1.6\r\n20240315,0932,1.7\r\n";

TEST_P(LoadColTest, HandsOutOneLinePerCallFromTheBarsLine) {
  const std::string name = Name("four");
  Write(name, kFourLines);
  float v = 0;
  EXPECT_EQ(3, Call(name, {1240315, 931, 1, 3}, &v));
  EXPECT_EQ(1.6f, v);
  EXPECT_EQ(4, Call(name, {1240315, 932, 2, 3}, &v));
  EXPECT_EQ(1.7f, v);
  EXPECT_EQ(-4, Call(name, {1240315, 933, 3, 3}, &v));
  EXPECT_EQ(-12345.0f, v);  // nothing stored past the end
  // A bar number going down reloads and searches again.
  EXPECT_EQ(2, Call(name, {1240315, 930, 1, 2}, &v));
  EXPECT_EQ(930.0f, v);
  // No line at or after the bar.
  const std::string late = Name("late");
  Write(late, kFourLines);
  EXPECT_EQ(-3, Call(late, {1240316, 0, 5, 3}, &v));
  EXPECT_EQ(-3, Call(late, {1240316, 0, 6, 3}, &v));
}

TEST_P(LoadColTest, QuotesAndTimeForms) {
  const std::string name = Name("forms");
  Write(name,
        "2024-03-15,0930,\"1,5\",7\n"
        "3/15/2024,093100,2.5,8\n"
        "20240315,09:32,3.5,9\n"
        "20240315,09:33:30,4.5,10\n"
        "20240315,934,5.5,11\n"
        "20240315,0935,x,12");
  float v = 0;
  EXPECT_EQ(1, Call(name, {1240315, 930, 1, 3}, &v));
  EXPECT_EQ(1.0f, v);  // one field "1,5", read as far as it is a number
  EXPECT_EQ(2, Call(name, {1240315, 930, 2, 4}, &v));
  EXPECT_EQ(8.0f, v);
  EXPECT_EQ(3, Call(name, {1240315, 930, 3, 4}, &v));
  EXPECT_EQ(9.0f, v);
  // Colon times are accepted: a search from 09:32 finds the 09:32 line.
  EXPECT_EQ(3, Call(name, {1240315, 932, 1, 3}, &v));
  EXPECT_EQ(3.5f, v);
  // "934" is not a time: the search skips it and finds 09:35, whose text is no number.
  EXPECT_EQ(6, Call(name, {1240315, 934, 0, 3}, &v));
  EXPECT_EQ(0.0f, v);
  // While the last bar number is below 1 every call loads and searches again.
  EXPECT_EQ(6, Call(name, {1240315, 934, 1, 3}, &v));
  EXPECT_EQ(-4, Call(name, {1240315, 934, 2, 99}, &v));
}

TEST_P(LoadColTest, MissingEmptyAndReplacedFiles) {
  const std::string name = Name("missing");
  test::RemoveFile(kDir + name);
  std::string error;
  float v = 0;
  EXPECT_EQ(-1, Call(name, {1240315, 930, 5, 3}, &v, &error));
  EXPECT_EQ(std::string("Cannot open ") + kDir + name + " (No such file or directory)", error);
  Write(name, kFourLines);  // the next call tries again
  EXPECT_EQ(2, Call(name, {1240315, 930, 6, 3}, &v));
  EXPECT_EQ(1.5f, v);

  const std::string empty = Name("empty");
  Write(empty, "");
  EXPECT_EQ(-1, Call(empty, {1240315, 930, 7, 3}, &v, &error));
  EXPECT_EQ("", error);
  // The old file's lines were dropped: going back to it loads it again.
  EXPECT_EQ(-1, Call(empty, {1240315, 930, 8, 3}, &v));
  EXPECT_EQ(2, Call(name, {1240315, 930, 9, 3}, &v));

  // The same name in other letter case does not reload.
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  Write(upper, "20240315,0930,99\n");  // a reload would read this
  EXPECT_EQ(3, Call(upper, {1240315, 931, 10, 3}, &v));
  EXPECT_EQ(1.6f, v);

  EXPECT_EQ(-9, api().VQM_LoadCol(nullptr, nullptr, nullptr));
  ValueBlock block[16] = {};
  EXPECT_EQ(-9, api().VQM_LoadCol(nullptr, block, nullptr));
  EXPECT_EQ(-9, api().VQM_LoadCol(name.c_str(), nullptr, nullptr));
}

// The loader written plainly from its description, for generated files.
class ModelLoader {
 public:
  int Call(const std::map<std::string, std::string>& files, const std::string& name,
           const Bar& b, float* value) {
    const bool reload = !loaded_ || Upper(name) != Upper(lastFile_) || lastBar_ < 1 ||
                        b.number < lastBar_;
    if (reload) {
      lastFile_ = name;
      lines_.clear();
      auto f = files.find(Upper(name));
      if (f != files.end()) lines_ = Split(f->second);
      loaded_ = !lines_.empty();
      if (!loaded_) return -1;
      next_ = -1;
    }
    lastBar_ = b.number;
    if (next_ < 0) {
      const long long bar = Key((b.date + 19000000) / 10000, (b.date + 19000000) / 100 % 100,
                                (b.date + 19000000) % 100, b.time / 100, b.time % 100, 0);
      for (size_t i = 0; i < lines_.size() && next_ < 0; ++i)
        if (LineKey(lines_[i]) >= bar) next_ = static_cast<int>(i);
      if (next_ < 0) return -3;
    }
    const int at = next_++;
    if (at >= static_cast<int>(lines_.size())) return -4;
    const std::vector<std::string> fields = Fields(lines_[static_cast<size_t>(at)]);
    const size_t c = static_cast<size_t>(b.column);
    *value = static_cast<float>(
        b.column >= 1 && c <= fields.size() ? atof(fields[c - 1].c_str()) : 0.0);
    return next_;
  }
  static std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
  }

 private:
  static long long Key(int y, int mo, int d, int h, int mi, int s) {
    return ((((y * 100LL + mo) * 100 + d) * 100 + h) * 100 + mi) * 100 + s;
  }
  static std::vector<std::string> Split(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : content) {
      if (c == '\n') {
        lines.push_back(line);
        line.clear();
      } else if (c != '\r') {
        line += c;
      }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
  }
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f(1);
    for (char c : line) {
      if (c == ',')
        f.emplace_back();
      else
        f.back() += c;
    }
    return f;
  }
  // Lines the generator writes: YYYYMMDD,HHMM,... or a header; -1 for no valid date-time.
  static long long LineKey(const std::string& line) {
    int ymd, hm;
    if (sscanf(line.c_str(), "%8d,%4d,", &ymd, &hm) != 2 || line.size() < 13 || line[8] != ',')
      return -1;
    return Key(ymd / 10000, ymd / 100 % 100, ymd % 100, hm / 100, hm % 100, 0);
  }
  std::vector<std::string> lines_;
  std::string lastFile_;
  int lastBar_ = -1;
  int next_ = -1;
  bool loaded_ = false;
};

TEST_P(LoadColTest, AgreesWithTheModelOnGeneratedFilesAndCalls) {
  std::mt19937 rng(GetParam() == test::Backend::kInProcess ? 7 : 8);
  std::map<std::string, std::string> files;  // by upper-case name
  const std::string names[] = {Name("gen_a"), Name("gen_b"), Name("gen_missing")};
  for (int f = 0; f < 2; ++f) {
    std::string content = "Date,Time,Open,Close\r\n";
    int day = 10, minute = 9 * 60;
    for (int i = 0; i < 300; ++i) {
      minute += 1 + static_cast<int>(rng() % 3);
      if (minute >= 16 * 60) {
        minute = 9 * 60;
        ++day;
      }
      char line[64];
      snprintf(line, sizeof line, "202403%02d,%02d%02d,%d.%d,%u", day, minute / 60, minute % 60,
               i, f, static_cast<unsigned>(rng() % 1000));
      content += line;
      content += (rng() % 2) ? "\r\n" : "\n";
    }
    files[ModelLoader::Upper(names[f])] = content;
    Write(names[f], content);
  }
  test::RemoveFile(kDir + names[2]);
  ModelLoader model;
  int number = 1;
  for (int call = 0; call < 1500; ++call) {
    const std::string& name = names[rng() % 10 == 0 ? rng() % 3 : 0];
    if (rng() % 50 == 0) number = static_cast<int>(rng() % 5);
    Bar b{1240310 + static_cast<int>(rng() % 4), 900 + static_cast<int>(rng() % 7) * 100 +
                                                      static_cast<int>(rng() % 60),
          number++, static_cast<int>(rng() % 6)};
    float expected = -12345.0f, actual = -12345.0f;
    const int want = model.Call(files, name, b, &expected);
    const int got = Call(name, b, &actual);
    ASSERT_EQ(want, got) << "call " << call << " " << name;
    if (got > 0) {
      ASSERT_EQ(expected, actual) << "call " << call;
    }
  }
}

VQM_INSTANTIATE_BACKEND_TESTS(LoadColTest);

TEST(CommasToTabs, QuotesToggleAndAreDropped) {
  struct Case {
    std::string in, out;
  } cases[] = {{"a,b", "a\tb"}, {"\"1,5\",x", "1,5\tx"}, {"\"\"", ""}, {"\"open", "open"},
               {"a\"b,c\"d,e", "ab,cd\te"},
               // Longer than one 16-byte piece: commas before, in and after the piece of the
               // first quote.
               {"a,b,c,d,e,f,g,h,i,j,\"k,l\",m", "a\tb\tc\td\te\tf\tg\th\ti\tj\tk,l\tm"},
               {"0123456789abcd,,x\"y,z\",w", "0123456789abcd\t\tx" "y,z\tw"},
               {"20240315,0930,1.5,2.5,3.5,4.5,5.5", "20240315\t0930\t1.5\t2.5\t3.5\t4.5\t5.5"}};
  for (Case& c : cases) {
    std::string line = c.in;
    line.resize(static_cast<size_t>(CommasToTabs(&line[0], static_cast<int>(line.size()))));
    EXPECT_EQ(c.out, line) << c.in;
  }
}

}  // namespace
}  // namespace vqm
