// What the three bar exports share: the per-symbol file "<base dir>/../CSV/<symbol>.<ext>"
// beside the host's program directory, the host date and time forms, and number texts that
// read the same from the DLL and the native build.
#pragma once

#include <cstdio>
#include <string>

#include "datetime/host_forms.h"

namespace vqm {

// The bar file of one call, open for writing; closed when the object goes.
class BarFile {
 public:
  // Creates the CSV directory (a failure shows as a failed open) and opens
  // "<base dir>/../CSV/<symbol><extension>" in binary mode, appending or truncating. A symbol
  // that would name a file elsewhere (a path separator, a drive colon, "..", a device name)
  // is not opened. REQUIRES: symbol non-null; the library-wide lock is held.
  BarFile(const char* symbol, const char* extension, bool append);
  ~BarFile();
  BarFile(const BarFile&) = delete;
  BarFile& operator=(const BarFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  void Write(const std::string& text);

 private:
  FILE* file_ = nullptr;
};

// True when "<symbol>.<ext>" names a file inside the CSV directory itself.
bool NamesAFileInsideCsvDir(const char* symbol);

// A float widened for printing. NaN loses its sign, so that a 0/0 prints "nan" everywhere
// (the processor's own NaN is negative, and C libraries disagree on printing its sign).
double PrintableValue(float value);

// Appends printf output to text.
void AppendFormat(std::string& text, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace vqm
