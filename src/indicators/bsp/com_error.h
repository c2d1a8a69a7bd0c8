// A failed call on one of the host's COM objects: the status, the interface it was made on
// and the object's error description (when the object provides one). Thrown by value. It is
// not one of the library's CException family, so the guarded exports treat it as an
// unexpected failure.
#pragma once

#include <string>

#include "platform/com.h"

namespace vqm {

class CComError {
 public:
  CComError(HRESULT status, REFIID iid, std::string description)
      : status_(status), iid_(iid), description_(std::move(description)) {}

  HRESULT Status() const { return status_; }
  const IID& Iid() const { return iid_; }
  const std::string& Description() const { return description_; }

 private:
  HRESULT status_;
  IID iid_;
  std::string description_;
};

// Raises the error of a failed call on object through interface iid, with the object's
// error information.
[[noreturn]] void ThrowComError(HRESULT status, IUnknown* object, REFIID iid);

}  // namespace vqm
