#include "base/exceptions.h"

#include "base/text.h"

namespace vqm {

bool CException::GetErrorMessage(char* buffer, unsigned max) const {
  if (buffer == nullptr || max == 0) return false;
  CopyBounded(buffer, static_cast<int>(max), message_.c_str());
  return !message_.empty();
}

void ThrowSimpleException(const std::string& message) { throw new CSimpleException(message); }

}  // namespace vqm
