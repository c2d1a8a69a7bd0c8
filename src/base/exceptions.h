// The library's own exception family. Objects are thrown by pointer and deleted by the
// catcher (catch (CException* e) { ...; e->Delete(); }), and carry a message.
#pragma once

#include <string>

namespace vqm {

class CException {
 public:
  virtual ~CException() = default;
  // Copies the message (at most max-1 characters) and terminates it. False when empty.
  virtual bool GetErrorMessage(char* buffer, unsigned max) const;
  void Delete() { delete this; }

 protected:
  explicit CException(std::string message) : message_(std::move(message)) {}

 private:
  std::string message_;
};

// An error the library raises with a message of its own.
class CSimpleException : public CException {
 public:
  explicit CSimpleException(std::string message) : CException(std::move(message)) {}
};

// Memory exhaustion.
class CMemoryException : public CException {
 public:
  CMemoryException() : CException("Out of memory.") {}
};

[[noreturn]] void ThrowSimpleException(const std::string& message);

}  // namespace vqm
