// What the three bar exports share: the per-symbol file "<base dir>/../CSV/<symbol>.<ext>"
// beside the host's program directory, the host date and time forms, and number texts that
// read the same from the DLL and the native build.
#pragma once

#include <cstdio>
#include <string>

#include "base/lock_rule.h"
#include "datetime/host_forms.h"

namespace vqm {

// The bar file of one call, open for writing; closed when the object goes.
class BarFile {
 public:
  // Creates the CSV directory (a failure shows as a failed open) and opens
  // "<base dir>/../CSV/<symbol><extension>" in binary mode, appending or truncating. A symbol
  // that would name a file elsewhere (a path separator, a drive colon, "..", a device name)
  // is not opened. REQUIRES: symbol non-null; the library-wide lock is held.
  BarFile(const char* symbol, const char* extension, bool append) VQM_REQUIRES_LIBRARY_LOCK;
  ~BarFile();
  BarFile(const BarFile&) = delete;
  BarFile& operator=(const BarFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // True when the file held nothing at the open (new, truncated or left empty by an earlier
  // failed call): it needs its header line whatever the export run says.
  bool WasEmpty() const { return startLength_ == 0; }
  // Writes text and closes the file. False when a byte could not be written or the close
  // failed: the file is then cut back to its length at the open, so that no partial line
  // stays. REQUIRES: IsOpen(); called once.
  bool Commit(const std::string& text);

 private:
  std::string path_;
  FILE* file_ = nullptr;
  long long startLength_ = -1;  // length at the open; -1 when unknown
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
