#include "datetime/text_fields.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vqm {
namespace {

constexpr int kMaxFields = kMaxFieldSeparators + 1;
constexpr int kFieldNumberForEnd = 99;  // from 99: the last field, -99: the first
constexpr int kNumberFieldCapacity = 1000;

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// True when text[i] ends a field: with a blank separator only the last blank of a run does.
bool Separates(const char* text, size_t i, char sep) {
  return text[i] == sep && !(sep == ' ' && text[i + 1] == ' ');
}

}  // namespace

int CountFields(const char* text, char sep) {
  if (text == nullptr) return 0;
  size_t begin = 0;
  while (text[begin] == ' ') ++begin;
  size_t end = begin + strlen(text + begin);
  if (sep != ' ')
    while (end > begin && text[end - 1] == ' ') --end;
  if (begin == end) return 0;
  int count = 0;
  for (size_t i = begin; i < end; ++i)
    if (text[i] == sep && !(sep == ' ' && i + 1 < end && text[i + 1] == ' ')) ++count;
  if (text[end - 1] != sep) ++count;
  return count;
}

int GetFields(const char* text, char sep, int from, int to, char* out, int size) {
  if (out == nullptr || size <= 0) return -1;
  out[0] = 0;
  if (text == nullptr) text = "";
  if (to == 0) to = from;
  if (((from > 0 && to > 0) || (from < 0 && to < 0)) && from > to) return -1;

  int n = CountFields(text, sep);
  if (n > kMaxFields) n = kMaxFields;
  if (n < kFieldNumberForEnd) {
    if (from == kFieldNumberForEnd) from = n;
    if (from == -kFieldNumberForEnd) from = -n;
  }
  if (from > n || from < -n) return -2;
  if (to > n) to = n;
  if (to < -n) to = -n;
  if (from < 0) from = n + from + 1;
  if (to < 0) to = n + to + 1;
  if (from > 0 && from > to) return -1;  // mixed signs that cross over

  size_t pos = 0;
  if (sep == ' ')
    while (text[pos] == ' ') ++pos;
  size_t begin = pos;
  size_t end = pos;
  const int first = from < 1 ? 1 : from;
  int field = 1;
  // Walks the separators up to the start of field to + 1, which is where the copy ends.
  // to <= n <= kMaxFields, so the walk never passes the separator limit.
  for (;; ++end) {
    if (text[end] == 0) break;
    if (!Separates(text, end, sep)) continue;
    ++field;
    if (field == first) begin = end + 1;
    if (field == to + 1) {
      ++end;
      break;
    }
  }
  if (to < first) end = begin;

  size_t length = end - begin;
  if (length > static_cast<size_t>(size - 1)) length = static_cast<size_t>(size - 1);
  memcpy(out, text + begin, length);
  if (length > 0 && out[length - 1] == sep) --length;
  out[length] = 0;
  return static_cast<int>(length);
}

int GetFieldInt(const char* text, char sep, int k) {
  char field[kNumberFieldCapacity];
  if (GetFields(text, sep, k, k, field, sizeof field) <= 0) return 0;
  return LeadingNumber(field);
}

int TrimBlanks(char* text) {
  if (text == nullptr) return 0;
  size_t begin = 0;
  while (IsBlankOrTab(text[begin])) ++begin;
  size_t end = begin + strlen(text + begin);
  while (end > begin && IsBlankOrTab(text[end - 1])) --end;
  const size_t length = end - begin;
  memmove(text, text + begin, length);
  text[length] = 0;
  return static_cast<int>(length);
}

int FindNoCase(const char* text, const char* word) {
  if (text == nullptr || word == nullptr) return -1;
  for (size_t start = 0;; ++start) {
    size_t i = 0;
    while (word[i] != 0 && text[start + i] != 0 &&
           toupper(static_cast<unsigned char>(text[start + i])) ==
               toupper(static_cast<unsigned char>(word[i])))
      ++i;
    if (word[i] == 0) return static_cast<int>(start);
    if (text[start + i] == 0) return -1;  // the rest of the text is shorter than word
  }
}

int CharIndex(char ch, const char* text) {
  if (text == nullptr || ch == 0) return -1;
  const char* found = strchr(text, ch);
  return found == nullptr ? -1 : static_cast<int>(found - text);
}

int LeadingNumber(const char* text) {
  if (text == nullptr) return 0;
  const long long value = strtoll(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace vqm
