// Reads the whole number at the start of a small text file that another program left.
#include <climits>
#include <cstdlib>

#include "dataio/text_string.h"
#include "frame/exports.h"
#include "platform/platform.h"

// The number, clamped to the 32-bit range; -1 when the path does not name a readable
// regular file; 0 for a file without a leading number.
VQM_EXPORT int VQM_ReadInt(const char* path) {
  return vqm::ExportFrame(-1, [&] {
    vqm::CTxt name(path);
    if (!vqm::platform::IsReadable(name.GetText()) ||
        !vqm::platform::IsRegularFile(name.GetText()))
      return -1;
    vqm::CTxt content;
    // A file that cannot be opened now leaves its error message, which reads as 0.
    content.ReadFromFile(name.GetText());
    const long long n = strtoll(content.GetText(), nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
  });
}
