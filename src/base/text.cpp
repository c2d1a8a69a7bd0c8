#include "base/text.h"

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
  int n = 0;
  if (text != nullptr)
    while (n < capacity - 1 && text[n] != 0) {
      out[n] = text[n];
      ++n;
    }
  out[n] = 0;
  return n;
}

}  // namespace vqm
