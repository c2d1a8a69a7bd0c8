// Reads the whole number at the start of a small text file that another program left.
#include <cerrno>
#include <climits>
#include <cstdio>

#include "frame/exports.h"
#include "platform/platform.h"

namespace vqm {
namespace {

bool IsCSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The leading number as strtol reads it in base 10 (blanks, a sign, digits; 0 without
// digits), clamped to the 32-bit range. Only the bytes the number can need are read: the
// file may be huge, and it is read under the library lock.
int ReadLeadingNumber(FILE* f) {
  int c;
  do c = getc(f);
  while (c != EOF && IsCSpace(c));
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    c = getc(f);
  }
  long long magnitude = 0;
  for (; c >= '0' && c <= '9'; c = getc(f))
    if (magnitude <= static_cast<long long>(INT_MAX) + 1) magnitude = magnitude * 10 + (c - '0');
  const long long n = negative ? -magnitude : magnitude;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int>(n);
}

}  // namespace
}  // namespace vqm

// The number, clamped to the 32-bit range; -1 when the path does not name a readable
// regular file; 0 for a file without a leading number, or one that passes the check but
// cannot then be opened.
VQM_EXPORT int VQM_ReadInt(const char* path) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    const char* name = path != nullptr ? path : "";
    if (!vqm::platform::IsReadable(name) || !vqm::platform::IsRegularFile(name)) return -1;
    FILE* f = vqm::platform::OpenRegularFile(name);
    if (f == nullptr) return 0;
    const int n = vqm::ReadLeadingNumber(f);
    vqm::platform::CloseFile(f);
    return n;
  });
}
