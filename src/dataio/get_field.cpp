#include "dataio/get_field.h"

#include "datetime/text_fields.h"

namespace vqm {

int GetField(const char* text, char delim, int first, int last, CTxt& out) {
  char work[10000];
  const int n = GetFields(text, delim, first, last, work, sizeof work);
  if (n < 0) {
    out.Set("");
    return n;
  }
  out.Set(work, static_cast<size_t>(n));
  return n;
}

}  // namespace vqm
