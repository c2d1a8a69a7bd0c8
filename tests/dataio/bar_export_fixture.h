// Shared set-up of the bar export tests. The exports linked into the test binary see a host
// at "C:/vqmtest/csvhost/bin/Host.exe" and write into "C:/vqmtest/csvhost/CSV"; the loaded
// library sees the real test executable and writes into "<its directory>/../CSV". Either
// directory starts empty.
#pragma once

#include <string>
#include <vector>

#include "frame/settings.h"
#include "frame/value_block.h"
#include "platform/platform.h"
#include "testing/fake_env.h"
#include "support/backend_test.h"
#include "support/files.h"

namespace vqm::test {

// One bar as the script's variables hold it, for the two plain exports.
struct IntBar {
  int date, time, divisor, open, high, low, close, volume;
};

// The value block of VQM_SaveDataToCsv2, slot by slot.
struct BlockBar {
  float date, time, open, high, low, close, up, down;
  float append, timeColumn, symbolColumn, layout;

  std::vector<ValueBlock> Block() const {
    std::vector<ValueBlock> block(16);
    const float slots[16] = {date, time, open, high, low, close, up, 0, 0, 0, 0,
                             down, append, timeColumn, symbolColumn, layout};
    for (int i = 0; i < 16; ++i) WriteSlot(block.data(), i, slots[i]);
    return block;
  }
};

class BarExportTest : public BackendTest {
 protected:
  void SetUp() override {
    BackendTest::SetUp();
    if (inProcess()) {
      test::SetExecutablePath("C:/vqmtest/csvhost/bin/Host.exe");
      ClearPathCaches();
      csvDir_ = "C:/vqmtest/csvhost/CSV";
    } else {
      const std::string exe = platform::ExecutablePath();
      csvDir_ = exe.substr(0, exe.find_last_of("/\\")) + "/../CSV";
    }
    RemoveTree(csvDir_);
    // A symbol no case uses, so that every case's first symbol starts its runs afresh.
    Csv("~start", IntBar{1240315, 930, 1, 1, 1, 1, 1, 1}, 0);
    Txt("~start", IntBar{1240315, 930, 1, 1, 1, 1, 1, 1}, 0);
  }
  void TearDown() override {
    if (inProcess()) {
      test::SetExecutablePath("");
      ClearPathCaches();
    }
  }

  int Csv(const char* symbol, IntBar b, int appendFlag) {
    return api().VQM_SaveDataToCsv(0, symbol, b.date, b.time, b.divisor, &b.open, &b.high,
                                   &b.low, &b.close, &b.volume, appendFlag);
  }
  int Txt(const char* symbol, IntBar b, int closeOnly) {
    return api().VQM_SaveDataToTxt(0, symbol, b.date, b.time, b.divisor, &b.open, &b.high,
                                   &b.low, &b.close, &b.volume, closeOnly);
  }
  int Csv2(const char* symbol, const BlockBar& b, char* errorText = nullptr) {
    std::vector<ValueBlock> block = b.Block();
    return api().VQM_SaveDataToCsv2(symbol, block.data(), errorText);
  }

  // Content of "<symbol><extension>" in the CSV directory; "<missing>" when unreadable.
  std::string File(const std::string& symbol, const char* extension = ".csv") const {
    std::string content;
    if (!ReadFileBytes(csvDir_ + "/" + symbol + extension, &content)) return "<missing>";
    return content;
  }

  std::string csvDir_;
};

}  // namespace vqm::test
