// VQM_Speak. COM start-up results are injected through the platform's test hook, which
// reaches only the copy of the library linked into this binary: those tests call the
// in-process export. The loaded library is checked with the real COM start-up (CoInitialize
// under Wine, the stand-in natively), which always succeeds on the test machine.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "alerts/speech.h"
#include "frame/exports.h"
#include "testing/fake_env.h"
#include "support/backend_test.h"

namespace vqm {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kChangedMode = static_cast<int32_t>(0x80010106);  // RPC_E_CHANGED_MODE
constexpr int32_t kFail = static_cast<int32_t>(0x80004005);         // E_FAIL
constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFF);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);

void ResetSpeechState() {
  ExportLock lock(platform::LibraryLock());
  SpeechState = CSpeechState();
}

struct Box {
  std::string caption;
  std::string text;
  unsigned icon;
};

class SpeakTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSpeechState();
    test::SetComInitialize([this] {
      ++comCalls_;
      return comResult_;
    });
    test::SetMessageBox([this](const char* caption, const char* text, unsigned icon) {
      boxes_.push_back({caption, text, icon});
      // The box waits for the user: nobody else may be kept waiting meanwhile.
      std::thread other([this] {
        lockFreeDuringBox_ = platform::LibraryLock().try_lock();
        if (lockFreeDuringBox_) platform::LibraryLock().unlock();
      });
      other.join();
    });
  }
  void TearDown() override {
    test::SetComInitialize(nullptr);
    test::SetMessageBox(nullptr);
    ResetSpeechState();
  }

  int32_t comResult_ = kOk;
  int comCalls_ = 0;
  std::vector<Box> boxes_;
  bool lockFreeDuringBox_ = false;
};

TEST_F(SpeakTest, ResultForEveryCommandAndStartUpOutcome) {
  struct Case {
    int32_t com;
    const char* command;
    const char* text;
    int result;
    const char* box;  // expected text of the failure box, or null for none
  } cases[] = {
      {kOk, "Speak", "Hello", 0, nullptr},
      {kOk, "speak", "Hello", 0, nullptr},
      {kOk, "SPEAKWAIT", "Hello", 0, nullptr},
      {kOk, "Speak", "", 1, nullptr},
      {kOk, "SpeakWait", "", 1, nullptr},
      {kOk, "Stop", "", 0, nullptr},
      {kOk, "Pause", "Hello", 0, nullptr},
      {kOk, "Speak now", "Hello", 0, nullptr},
      {kOk, "Spea", "", 0, nullptr},
      {kOk, "", "Hello", 0, nullptr},
      {kFalse, "Speak", "Hello", 0, nullptr},
      {kChangedMode, "Speak", "Hello", 0, nullptr},
      {kFail, "SpeakWait", "Hello", 0, nullptr},
      {kUnexpected, "Speak", "Hello", -1, "Cannot initialize OLE (UNEXPECTED,000000008000FFFF) "},
      {kOutOfMemory, "Stop", "", -1, "Cannot initialize OLE (OUTOFMEMORY,000000008007000E) "},
      {kInvalidArg, "SpeakWait", "", -1, "Cannot initialize OLE (INVALIDARG,0000000080070057) "},
      {kInvalidArg, "Pause", "Hello", -1, "Cannot initialize OLE (INVALIDARG,0000000080070057) "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " / \"" + c.text + "\" / " + std::to_string(c.com));
    ResetSpeechState();
    boxes_.clear();
    comCalls_ = 0;
    comResult_ = c.com;
    EXPECT_EQ(c.result, VQM_Speak(c.command, c.text, 12345));
    EXPECT_EQ(1, comCalls_);
    EXPECT_EQ(c.com, SpeechState.lastResult);
    EXPECT_EQ(c.box == nullptr ? 1 : 0, SpeechState.ready);
    if (c.box == nullptr) {
      EXPECT_TRUE(boxes_.empty());
    } else {
      ASSERT_EQ(1u, boxes_.size());
      EXPECT_EQ(c.box, boxes_[0].text);
      EXPECT_EQ("Voice Initializeion Failure", boxes_[0].caption);
      EXPECT_EQ(0x10u, boxes_[0].icon);  // MB_ICONERROR
      EXPECT_TRUE(lockFreeDuringBox_);
    }
  }
}

TEST_F(SpeakTest, NullPointersAreRefusedBeforeCOMIsStarted) {
  comResult_ = kUnexpected;
  EXPECT_EQ(-2, VQM_Speak(nullptr, "Hello", 0));
  EXPECT_EQ(-2, VQM_Speak(nullptr, nullptr, 0));
  EXPECT_EQ(-3, VQM_Speak("Speak", nullptr, 0));
  EXPECT_EQ(0, comCalls_);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(SpeakTest, AFailedStartUpIsRetriedOnEveryCallUntilItSucceeds) {
  comResult_ = kUnexpected;
  EXPECT_EQ(-1, VQM_Speak("Speak", "Hello", 0));
  comResult_ = kOutOfMemory;
  EXPECT_EQ(-1, VQM_Speak("Speak", "Hello", 0));
  ASSERT_EQ(2u, boxes_.size());
  EXPECT_EQ("Cannot initialize OLE (OUTOFMEMORY,000000008007000E) ", boxes_[1].text);
  comResult_ = kOk;
  EXPECT_EQ(0, VQM_Speak("Speak", "Hello", 0));
  EXPECT_EQ(3, comCalls_);
  // Started: never again, whatever COM would now say.
  comResult_ = kUnexpected;
  EXPECT_EQ(0, VQM_Speak("Speak", "Hello", 0));
  EXPECT_EQ(1, VQM_Speak("SpeakWait", "", 0));
  EXPECT_EQ(3, comCalls_);
  EXPECT_EQ(2u, boxes_.size());
}

TEST_F(SpeakTest, OtherThreadsFindCOMStartedAndDoNotStartItAgain) {
  ASSERT_EQ(0, VQM_Speak("Speak", "Hello", 0));
  int result = 99;
  std::thread other([&] { result = VQM_Speak("SpeakWait", "Hello", 0); });
  other.join();
  EXPECT_EQ(0, result);
  EXPECT_EQ(1, comCalls_);
}

// The real CoInitialize under Wine: it runs on the calling thread, which then finds COM
// started (S_FALSE) when it asks again.
TEST(SpeakRealCOM, StartsCOMOnTheCallingThread) {
  if (!test::OnWindows()) GTEST_SKIP() << "CoInitialize exists only on Windows";
  ResetSpeechState();
  int result = 99;
  int32_t again = 99;
  std::thread fresh([&] {
    result = VQM_Speak("Speak", "Hello", 0);
    again = platform::ComInitialize();
  });
  fresh.join();
  EXPECT_EQ(0, result);
  EXPECT_EQ(kOk, SpeechState.lastResult);
  EXPECT_EQ(1, SpeechState.ready);
  EXPECT_EQ(kFalse, again);
  ResetSpeechState();
}

class SpeakBackendTest : public test::BackendTest {};

TEST_P(SpeakBackendTest, CodesWithTheRealStartUp) {
  EXPECT_EQ(-2, api().VQM_Speak(nullptr, "Hello", 0));
  EXPECT_EQ(-3, api().VQM_Speak("Speak", nullptr, 0));
  EXPECT_EQ(0, api().VQM_Speak("speak", "Hello", 0));
  EXPECT_EQ(1, api().VQM_Speak("SpeakWait", "", 0));
  EXPECT_EQ(1, api().VQM_Speak("Speak", "", -1));
  EXPECT_EQ(0, api().VQM_Speak("Stop", "", 0));
  EXPECT_EQ(0, api().VQM_Speak("Pause", "Hello", 0));
  EXPECT_EQ(0, api().VQM_Speak("Speak now", "Hello", 0));
}

VQM_INSTANTIATE_BACKEND_TESTS(SpeakBackendTest);

}  // namespace
}  // namespace vqm
