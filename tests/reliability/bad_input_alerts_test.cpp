// The alert and lifecycle exports with hostile arguments: speech, the MIDI tick, the
// real-time latch, VQM_OnCreate and VQM_OnDestroy.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "alerts/realtime_latch.h"
#include "alerts/tick_player.h"
#include "frame/export_frame.h"
#include "frame/settings.h"
#include "testing/fake_env.h"
#include "testing/recording_midi_out.h"
#include "reliability/bad_input_fixture.h"
#include "support/files.h"

namespace vqm {
namespace {

using test::RecordingMidiOut;
using test::BadInputRow;

constexpr uint32_t Msg(uint32_t status, uint32_t data1, uint32_t data2) {
  return status | data1 << 8 | data2 << 16;
}

// Back to the state at load: device closed, program -1.
void ResetTickPlayer() {
  ExportLock lock(platform::LibraryLock());
  TickPlayer.device.Close();
  TickPlayer.program = -1;
}

class BadInputAlertsTest : public test::BadInputTest {
 protected:
  // The real-time latch is process-wide and keeps what it records for the life of the
  // library: the loaded backend's rows run on a private copy of the library, loaded and
  // unloaded here, and the in-process latch is put back as at load.
  void SetUp() override {
    if (!inProcess()) {
      const std::string original = test::LibraryPath();
      copy_ = std::string("C:/vqmtest/badinput/lib/") +
              (test::OnWindows() ? "VQM_BADINPUT.DLL" : "libVQM_BADINPUT.so");
      MakeDirectoryPath(copy_.c_str(), 1);
      std::string bytes;
      ASSERT_TRUE(test::ReadFileBytes(original, &bytes));
      test::WriteFileBytes(copy_, bytes);
    }
    BadInputTest::SetUp();
  }
  void TearDown() override {
    BadInputTest::TearDown();
    if (!copy_.empty()) test::RemoveFile(copy_);
    if (inProcess()) g_RealtimeLatch = RealtimeLatch();
  }

  std::string copy_;
};

TEST_P(BadInputAlertsTest, Lifecycle) {
  Run({{"VQM_OnCreate / VQM_OnDestroy", "(none)", "any time", "0", [&] {
          EXPECT_EQ(0, api().VQM_OnCreate());
          EXPECT_EQ(0, api().VQM_OnDestroy());
        }}});
}

TEST_P(BadInputAlertsTest, Speech) {
  const std::string longText = LongText();
  Run({
      {"VQM_Speak", "command", "null (also with a null text)", "-2", [&] {
         EXPECT_EQ(-2, api().VQM_Speak(nullptr, "Hello", 0));
         EXPECT_EQ(-2, api().VQM_Speak(nullptr, nullptr, INT_MIN));
       }},
      {"VQM_Speak", "text", "null", "-3", [&] {
         EXPECT_EQ(-3, api().VQM_Speak("Speak", nullptr, 0));
       }},
      {"VQM_Speak", "command", "\"\", 100 000 characters", "0 (no command)", [&] {
         EXPECT_EQ(0, api().VQM_Speak("", "Hello", 0));
         EXPECT_EQ(0, api().VQM_Speak(longText.c_str(), "Hello", 0));
       }},
      {"VQM_Speak", "text", "\"\" / 100 000 characters", "1 / 0 (\"Speak\", \"SpeakWait\")", [&] {
         EXPECT_EQ(1, api().VQM_Speak("SpeakWait", "", 0));
         EXPECT_EQ(0, api().VQM_Speak("speak", longText.c_str(), INT_MAX));
       }},
  });
}

TEST_P(BadInputAlertsTest, TickSound) {
  // In process a recording MIDI output shows what was sent; the loaded library has no
  // device here and answers 0 all the same.
  RecordingMidiOut midi(1);
  if (inProcess()) {
    ResetTickPlayer();
    test::SetMidiOutBackend(&midi);
  }
  Run({
      {"VQM_TickSound", "note, velocity, program", "INT_MIN, INT_MIN, INT_MAX",
       "0; note 30, velocity 20, program cut to 8 bits (255)", [&] {
         EXPECT_EQ(0, api().VQM_TickSound(INT_MIN, INT_MIN, INT_MIN, INT_MAX));
         if (inProcess()) {
           EXPECT_EQ((std::vector<uint32_t>{Msg(0xC0, 0xFF, 0), Msg(0x90, 30, 20), Msg(0x80, 30, 0)}),
                     midi.ShortMessages());
         }
       }},
      {"VQM_TickSound", "note, velocity", "INT_MAX, INT_MAX", "0; note 60, velocity 127", [&] {
         EXPECT_EQ(0, api().VQM_TickSound(INT_MAX, INT_MAX, INT_MAX, 5));
         if (inProcess()) {
           const std::vector<uint32_t> sent = midi.ShortMessages();
           ASSERT_EQ(5u, sent.size());
           EXPECT_EQ(Msg(0x90, 60, 127), sent[3]);
           EXPECT_EQ(Msg(0x80, 60, 0), sent[4]);
         }
       }},
  });
  if (inProcess()) {
    ResetTickPlayer();
    test::SetMidiOutBackend(nullptr);
  }
}

TEST_P(BadInputAlertsTest, RealtimeLatch) {
  std::unique_ptr<test::LoadedLibrary> library;
  const test::Exports* exports = &api();
  if (!inProcess()) {
    library = std::make_unique<test::LoadedLibrary>(platform::NativePath(copy_.c_str()));
    ASSERT_TRUE(library->ok()) << library->error();
    exports = &library->exports();
  } else {
    g_RealtimeLatch = RealtimeLatch();
  }
  Run({
      {"VQM_IfRealtime", "threshold", "INT_MAX", "-1 (never passed)", [&] {
         EXPECT_EQ(-1, exports->VQM_IfRealtime(INT_MAX, INT_MAX));
       }},
      {"VQM_IfRealtime", "value (threshold INT_MIN)", "INT_MIN, 0", "-1 (nothing recorded)", [&] {
         EXPECT_EQ(-1, exports->VQM_IfRealtime(INT_MIN, INT_MIN));
         EXPECT_EQ(-1, exports->VQM_IfRealtime(0, INT_MIN));
       }},
      {"VQM_IfRealtime", "value (threshold INT_MIN)", "INT_MAX", "INT_MAX, from then on", [&] {
         EXPECT_EQ(INT_MAX, exports->VQM_IfRealtime(INT_MAX, INT_MIN));
         EXPECT_EQ(INT_MAX, exports->VQM_IfRealtime(5, INT_MAX));
       }},
  });
}

VQM_INSTANTIATE_BACKEND_TESTS(BadInputAlertsTest);

}  // namespace
}  // namespace vqm
