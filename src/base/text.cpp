#include "base/text.h"

#include <cstring>

#include "base/upper_fold.h"

namespace vqm {

int StrCompareNoCase(const char* a, const char* b, int mode) {
  if (a == nullptr || b == nullptr) return 3;
  if (*a == 0 && *b == 0) return 0;
  // Equal bytes fold alike: only bytes that differ are folded (a key found by its hash is
  // mostly compared with itself).
  const UpperFold fold;
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (*a != *b && fold(static_cast<unsigned char>(*a)) != fold(static_cast<unsigned char>(*b)))
      return 1;
  if (mode == 1) return (*a == 0 && *b == 0) ? 0 : 2;
  if (mode == 2) return *a != 0 ? 2 : 0;
  return 0;
}

int CopyBounded(char* out, int capacity, const char* text) {
  if (out == nullptr || capacity <= 0) return 0;
  const size_t n = text != nullptr ? strnlen(text, static_cast<size_t>(capacity - 1)) : 0;
  if (n > 0) memmove(out, text, n);  // memmove: an overlapping copy stays defined
  out[n] = 0;
  return static_cast<int>(n);
}

}  // namespace vqm
