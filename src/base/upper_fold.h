// A byte's upper-case form exactly as toupper gives it under the calling thread's locale (the
// host may set one), without a library call per byte: the case-insensitive comparison and
// the keyed hash fold every byte of a key on each lookup, and keys that compare equal must
// keep hashing equal.
#pragma once

#include <cctype>
#include <cstdint>

namespace vqm {

class UpperFold {
 public:
#if defined(__GLIBC__)
  // glibc's toupper reads this per-thread table (indexed -128 .. 255), which setlocale and
  // uselocale replace: taken once per key, it answers every byte as toupper would.
  UpperFold() : table_(*__ctype_toupper_loc()) {}
  int operator()(unsigned char c) const { return table_[c]; }

 private:
  const int32_t* table_;
#else
  int operator()(unsigned char c) const { return toupper(c); }
#endif
};

}  // namespace vqm
