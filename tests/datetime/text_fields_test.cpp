#include "datetime/text_fields.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace vqm {
namespace {

const char* Show(const char* text) { return text != nullptr ? text : "(null)"; }

TEST(TextFields, CountFields) {
  struct Case {
    const char* text;
    char sep;
    int count;
  } cases[] = {
      {"1/2/3", '/', 3},   {"1/2/", '/', 2},        {"abc", '/', 1},     {"a  b", ' ', 2},
      {"", '/', 0},        {"   ", ' ', 0},         {"   ", '/', 0},     {nullptr, '/', 0},
      {"/", '/', 1},       {"a,,b", ',', 3},        {"1/2/3   ", '/', 3}, {"1/2/ ", '/', 2},
      {"  a b  ", ' ', 2}, {"a\tb\t\tc", '\t', 4}, {"  x", '/', 1},     {"a b", '/', 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.count, CountFields(c.text, c.sep)) << Show(c.text) << " '" << c.sep << "'";
}

struct FieldsCase {
  const char* text;
  char sep;
  int from, to, size;
  int result;
  const char* out;
};

void ExpectFields(const FieldsCase& c) {
  char out[64];
  memset(out, 'x', sizeof out);
  EXPECT_EQ(c.result, GetFields(c.text, c.sep, c.from, c.to, out, c.size))
      << Show(c.text) << " " << c.from << ".." << c.to << " size " << c.size;
  EXPECT_STREQ(c.out, out) << Show(c.text) << " " << c.from << ".." << c.to;
}

TEST(TextFields, GetFieldsNumbering) {
  const FieldsCase cases[] = {
      {"a/b/c/d", '/', 1, 0, 64, 1, "a"},      {"a/b/c/d", '/', 2, 3, 64, 3, "b/c"},
      {"a/b/c/d", '/', 1, 4, 64, 7, "a/b/c/d"}, {"a/b/c/d", '/', 4, 0, 64, 1, "d"},
      {"a/b/c/d", '/', 3, 9, 64, 3, "c/d"},    {"a/b/c/d", '/', 5, 0, 64, -2, ""},
      {"a/b/c/d", '/', -1, 0, 64, 1, "d"},     {"a/b/c/d", '/', -2, -1, 64, 3, "c/d"},
      {"a/b/c/d", '/', -4, 0, 64, 1, "a"},     {"a/b/c/d", '/', -5, 0, 64, -2, ""},
      {"a/b/c/d", '/', -9, -3, 64, -2, ""},    {"a/b/c/d", '/', 3, 2, 64, -1, ""},
      {"a/b/c/d", '/', -1, -2, 64, -1, ""},    {"a/b/c/d", '/', 0, 0, 64, 0, ""},
      {"a/b/c/d", '/', 0, 2, 64, 3, "a/b"},    {"a/b/c/d", '/', 99, 0, 64, 1, "d"},
      {"a/b/c/d", '/', -99, 0, 64, 1, "a"},    {"a/b/c/d", '/', -99, -1, 64, 7, "a/b/c/d"},
      {"a/b/c/d", '/', 99, 99, 64, 1, "d"},    {"a/b/c/d", '/', 1, -1, 64, 7, "a/b/c/d"},
      {"a/b/c/d", '/', 2, -2, 64, 3, "b/c"},   {"a/b/c/d", '/', -1, 1, 64, -1, ""},
      {"a/b/", '/', 2, 0, 64, 1, "b"},         {"a/b/", '/', 3, 0, 64, -2, ""},
      {"a/b/", '/', -1, 0, 64, 1, "b"},        {"a//c", '/', 2, 0, 64, 0, ""},
      {"a//c", '/', 3, 0, 64, 1, "c"},         {"1/2/3  ", '/', 3, 0, 64, 3, "3  "},
      {"", '/', 1, 0, 64, -2, ""},             {"", '/', 0, 0, 64, 0, ""},
      {"", '/', 99, 0, 64, 0, ""},             {nullptr, '/', 1, 0, 64, -2, ""},
      {"a/b", '/', INT_MIN, 0, 64, -2, ""},    {"a/b", '/', 1, INT_MAX, 64, 3, "a/b"},
  };
  for (const FieldsCase& c : cases) ExpectFields(c);
}

TEST(TextFields, GetFieldsWithBlanks) {
  // Leading blanks are skipped; only the last blank of a run separates, so the others stay
  // at the end of the field before it.
  const FieldsCase cases[] = {
      {"  a  b c ", ' ', 1, 0, 64, 2, "a "},    {"  a  b c ", ' ', 2, 0, 64, 1, "b"},
      {"  a  b c ", ' ', 3, 0, 64, 1, "c"},     {"  a  b c ", ' ', 4, 0, 64, -2, ""},
      {"  a  b c ", ' ', -1, 0, 64, 1, "c"},    {"  a  b c ", ' ', 1, 3, 64, 6, "a  b c"},
      {"  a  b c ", ' ', 2, 3, 64, 3, "b c"},   {"     ", ' ', 1, 0, 64, -2, ""},
      {"03/15/2024 02:05:09 PM", ' ', 2, 3, 64, 11, "02:05:09 PM"},
  };
  for (const FieldsCase& c : cases) ExpectFields(c);
}

TEST(TextFields, GetFieldsOutputIsBounded) {
  const FieldsCase cases[] = {
      {"a/b/c/d", '/', 1, 4, 4, 3, "a/b"},
      {"a/b/c/d", '/', 1, 4, 3, 1, "a"},  // a cut that ends on the separator drops it
      {"a/b/c/d", '/', 1, 4, 1, 0, ""},
  };
  for (const FieldsCase& c : cases) ExpectFields(c);
  char out[4] = "xyz";
  EXPECT_EQ(-1, GetFields("a/b", '/', 1, 0, out, 0));
  EXPECT_STREQ("xyz", out);
  EXPECT_EQ(-1, GetFields("a/b", '/', 1, 0, nullptr, 10));

  const std::string huge(100000, 'z');
  std::string big(10000, 'x');
  EXPECT_EQ(9999, GetFields(huge.c_str(), ',', 1, 0, &big[0], 10000));
  EXPECT_EQ(std::string(9999, 'z'), big.c_str());
}

// Past the 998th separator the text ends for GetFields: field 999 is the last it sees.
TEST(TextFields, GetFieldsSeparatorLimit) {
  std::string text;
  for (int i = 1; i <= 1500; ++i) text += std::to_string(i) + "/";
  ASSERT_EQ(1500, CountFields(text.c_str(), '/'));
  const char* t = text.c_str();
  const FieldsCase cases[] = {
      {t, '/', 998, 0, 64, 3, "998"},          {t, '/', 999, 0, 64, 3, "999"},
      {t, '/', 1000, 0, 64, -2, ""},           {t, '/', -1, 0, 64, 3, "999"},
      {t, '/', 997, 1200, 64, 11, "997/998/999"}, {t, '/', 99, 0, 64, 2, "99"},
      {t, '/', -999, 0, 64, 1, "1"},
  };
  for (const FieldsCase& c : cases) ExpectFields(c);
}

TEST(TextFields, GetFieldInt) {
  struct Case {
    const char* text;
    char sep;
    int k, value;
  } cases[] = {
      {"10,20,30", ',', 2, 20},           {"10,20,30", ',', 4, 0},
      {"10,20,30", ',', -1, 30},          {"a,-7x", ',', 2, -7},
      {" 12", ',', 1, 12},                {"99999999999", ',', 1, INT_MAX},
      {"-99999999999", ',', 1, INT_MIN}, {nullptr, ',', 1, 0},
      {"1253", '5', 1, 12},               {"x,,y", ',', 2, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, GetFieldInt(c.text, c.sep, c.k)) << Show(c.text);
}

TEST(TextFields, TrimBlanks) {
  struct Case {
    const char* text;
    const char* trimmed;
  } cases[] = {{"  ab c\t ", "ab c"}, {"\t \t", ""}, {"", ""}, {"x", "x"}, {"\tx", "x"}};
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(static_cast<int>(strlen(c.trimmed)), TrimBlanks(&text[0])) << c.text;
    EXPECT_STREQ(c.trimmed, text.c_str());
  }
  EXPECT_EQ(0, TrimBlanks(nullptr));
}

TEST(TextFields, FindNoCaseAndCharIndex) {
  struct Find {
    const char* text;
    const char* word;
    int index;
  } finds[] = {
      {"02:05 pm", "PM", 6}, {"abc", "", 0},   {"abc", "abcd", -1}, {"aab", "AB", 1},
      {"", "", 0},           {"", "a", -1},    {nullptr, "a", -1},  {"a", nullptr, -1},
      {"xyz", "Z", 2},
  };
  for (const Find& f : finds)
    EXPECT_EQ(f.index, FindNoCase(f.text, f.word)) << Show(f.text) << " " << Show(f.word);
  struct Index {
    char ch;
    const char* text;
    int index;
  } indexes[] = {{'/', "3/15", 1}, {'x', "abc", -1}, {0, "abc", -1}, {'a', nullptr, -1},
                 {'c', "abcc", 2}};
  for (const Index& i : indexes) EXPECT_EQ(i.index, CharIndex(i.ch, i.text)) << Show(i.text);
}

TEST(TextFields, LeadingNumberReadsLikeA32BitStrtol) {
  struct Case {
    const char* text;
    int value;
  } cases[] = {
      {"42abc", 42},           {"  -17", -17},        {"+5", 5},
      {"x1", 0},               {"", 0},               {nullptr, 0},
      {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
      {"-2147483649", INT_MIN}, {"0x1A", 0},          {"00012", 12},
      {"123456789012345678901234567890", INT_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, LeadingNumber(c.text)) << Show(c.text);
}

}  // namespace
}  // namespace vqm
