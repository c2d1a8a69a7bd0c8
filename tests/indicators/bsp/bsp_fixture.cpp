#include "indicators/bsp/bsp_fixture.h"

#include <cstring>

#include "indicators/bsp/bsp_manager.h"

namespace vqm::test {

void BspTest::SetUp() {
  BackendTest::SetUp();
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  keyText_ = std::string(info->test_suite_name()) + "." + info->name();
  log_ = std::make_unique<LogWatch>(inProcess());
}

int BspTest::Call(HostScriptObject* host, const char* subKey, int keyNum1, int keyNum2) {
  std::memset(buffer_, 0, sizeof buffer_);
  std::memcpy(buffer_, keyText_.c_str(), keyText_.size() + 1);
  return api().VQM_BSP(subKey, keyNum1, keyNum2, buffer_, host, 12345);
}

int64_t BspTest::Handle(const char* subKey, int keyNum1, int keyNum2) {
  return api().VQM_BSPHandle(subKey, keyNum1, keyNum2, keyText_.c_str());
}

std::string BspTest::Key(const char* subKey, int keyNum1, int keyNum2) const {
  return keyText_ + "/" + (subKey != nullptr ? subKey : "(null)") + "/" +
         std::to_string(keyNum1) + "/" + std::to_string(keyNum2);
}

std::string BspTest::Mgr() const { return log_->Known(Hex(&g_BSPMgr)); }

std::string BspTest::NextIdx() const { return log_->Known(std::to_string(g_BSPMgr.GetSize())); }

}  // namespace vqm::test
