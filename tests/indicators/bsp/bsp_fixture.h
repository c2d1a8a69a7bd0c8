// Shared by the buy/sell pressure export tests: a backend, a log watch, a key text unique
// to the test, and a script buffer refilled with it before every call (VQM_BSP overwrites it
// with its error text).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "testing/host_double.h"
#include "indicators/bsp/log_watch.h"
#include "support/backend_test.h"

namespace vqm::test {

class BspTest : public BackendTest {
 protected:
  void SetUp() override;
  void TearDown() override { log_.reset(); }

  // VQM_BSP with the test's key text (suffix appended) and the given sub-key and numbers.
  int Call(HostScriptObject* host, const char* subKey = "sub", int keyNum1 = 1, int keyNum2 = 2);
  int64_t Handle(const char* subKey = "sub", int keyNum1 = 1, int keyNum2 = 2);
  // The instance key VQM_BSP builds from these arguments.
  std::string Key(const char* subKey = "sub", int keyNum1 = 1, int keyNum2 = 2) const;

  LogWatch& log() { return *log_; }
  // What the log shows for the manager, and for the index the next new instance gets.
  std::string Mgr() const;
  std::string NextIdx() const;

  std::string keyText_;     // the key text the script passes
  char buffer_[4096] = {};  // the script's buffer after the last call
  std::unique_ptr<LogWatch> log_;
};

}  // namespace vqm::test
