// VQM_TickSound against a recording MIDI output. The recording backend is installed through
// the platform's test hook, which reaches only the copy of the library linked into this
// binary: these tests call the in-process export. The loaded library is checked at the end
// for what holds without a hook (the result, and that no device means no harm).
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <thread>

#include "alerts/tick_player.h"
#include "frame/exceptions.h"
#include "frame/exports.h"
#include "testing/fake_env.h"
#include "testing/recording_midi_out.h"
#include "support/backend_test.h"

namespace vqm {
namespace {

using test::RecordingMidiOut;
using Call = RecordingMidiOut::Call;
using std::chrono::milliseconds;

constexpr uint32_t Msg(uint32_t status, uint32_t data1, uint32_t data2) {
  return status | data1 << 8 | data2 << 16;
}

// Back to the state at load: device closed, program -1.
void ResetTickPlayer() {
  ExportLock lock(platform::LibraryLock());
  TickPlayer.device.Close();
  TickPlayer.program = -1;
}

class TickSoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTickPlayer();
    test::SetMidiOutBackend(&midi_);
  }
  void TearDown() override {
    ResetTickPlayer();
    test::SetMidiOutBackend(nullptr);
  }

  RecordingMidiOut midi_{1};
};

TEST_F(TickSoundTest, FirstTickOpensDeviceZeroChoosesTheProgramAndPlaysAClampedNote) {
  EXPECT_EQ(0, VQM_TickSound(0, 10, 200, 12));

  const auto records = midi_.Records();
  ASSERT_EQ(4u, records.size());
  EXPECT_EQ(Call::kOpen, records[0].call);
  EXPECT_EQ(0u, records[0].value);
  const uint32_t expected[] = {Msg(0xC0, 12, 0), Msg(0x90, 30, 127), Msg(0x80, 30, 0)};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Call::kShortMessage, records[i + 1].call);
    EXPECT_EQ(records[0].device, records[i + 1].device);
    EXPECT_EQ(expected[i], records[i + 1].value) << i;
  }
  // The note lasts about 5 ms.
  const auto noteLength = records[3].time - records[2].time;
  EXPECT_GE(noteLength, std::chrono::microseconds(4500));
  EXPECT_LT(noteLength, milliseconds(250));
  EXPECT_EQ(12, TickPlayer.program);
}

TEST_F(TickSoundTest, NoteAndVelocityAreClamped) {
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 1));
  struct Case {
    int note, velocity, sentNote, sentVelocity;
  } cases[] = {{45, 64, 45, 64},        {61, 64, 60, 64},       {30, 20, 30, 20},
               {60, 127, 60, 127},      {29, 19, 30, 20},       {-7, -7, 30, 20},
               {128, 128, 60, 127},     {INT_MIN, INT_MAX, 30, 127}};
  for (const Case& c : cases) {
    const size_t before = midi_.ShortMessages().size();
    EXPECT_EQ(0, VQM_TickSound(INT_MIN, c.note, c.velocity, 99));
    const auto sent = midi_.ShortMessages();
    ASSERT_EQ(before + 2, sent.size()) << c.note;
    EXPECT_EQ(Msg(0x90, c.sentNote, c.sentVelocity), sent[before]) << c.note << "/" << c.velocity;
    EXPECT_EQ(Msg(0x80, c.sentNote, 0), sent[before + 1]) << c.note;
  }
}

TEST_F(TickSoundTest, TheProgramIsChosenOnceAndTheDeviceOpenedOnce) {
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 12));
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 40));
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 0));
  const uint32_t expected[] = {Msg(0xC0, 12, 0), Msg(0x90, 45, 64), Msg(0x80, 45, 0),
                               Msg(0x90, 45, 64), Msg(0x80, 45, 0), Msg(0x90, 45, 64),
                               Msg(0x80, 45, 0)};
  EXPECT_EQ(std::vector<uint32_t>(std::begin(expected), std::end(expected)),
            midi_.ShortMessages());
  EXPECT_EQ(1u, midi_.RecordsOf(Call::kOpen).size());
  EXPECT_EQ(12, TickPlayer.program);
}

TEST_F(TickSoundTest, ANegativeProgramMakesTheNextTickInitialiseAgain) {
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, -1));
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 7));  // closes, reopens, program 7
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 9));  // nothing to initialise
  const auto records = midi_.Records();
  std::vector<Call> calls;
  for (const auto& r : records) calls.push_back(r.call);
  const std::vector<Call> expectedCalls = {
      Call::kOpen,         Call::kShortMessage, Call::kShortMessage, Call::kShortMessage,
      Call::kClose,        Call::kOpen,         Call::kShortMessage, Call::kShortMessage,
      Call::kShortMessage, Call::kShortMessage, Call::kShortMessage};
  EXPECT_EQ(expectedCalls, calls);
  const auto sent = midi_.ShortMessages();
  ASSERT_EQ(8u, sent.size());
  EXPECT_EQ(Msg(0xC0, 0xFF, 0), sent[0]);  // the program cut to 8 bits
  EXPECT_EQ(Msg(0xC0, 7, 0), sent[3]);
  EXPECT_NE(records[0].device, records[5].device);
  EXPECT_EQ(records[5].device, records.back().device);
  EXPECT_EQ(7, TickPlayer.program);
}

TEST_F(TickSoundTest, WithoutADeviceNothingIsSentNowOrLater) {
  RecordingMidiOut none(0);
  test::SetMidiOutBackend(&none);
  EXPECT_EQ(0, VQM_TickSound(0, 45, 64, 12));
  EXPECT_EQ(0, VQM_TickSound(0, 50, 90, 40));
  EXPECT_EQ(0, VQM_TickSound(0, 61, 127, 3));
  EXPECT_TRUE(none.Records().empty());
  EXPECT_FALSE(TickPlayer.device.IsOpen());
  EXPECT_EQ(12, TickPlayer.program);  // set by the first call, so the device is not tried again
  test::SetMidiOutBackend(&midi_);
}

TEST_F(TickSoundTest, AFailedOpenIsNotRetriedAndTicksSendNothing) {
  midi_.FailOpen(4, 170);
  EXPECT_EQ(0, VQM_TickSound(0, 45, 64, 12));
  EXPECT_EQ(0, VQM_TickSound(0, 45, 64, 13));
  EXPECT_EQ(1u, midi_.RecordsOf(Call::kOpen).size());
  EXPECT_TRUE(midi_.ShortMessages().empty());
  EXPECT_EQ("MIDI: OutOpen error (170)", TickPlayer.device.ErrorText());
  EXPECT_EQ(12, TickPlayer.program);
}

// A MIDI output whose device count raises the given exception.
class ThrowingMidiOut : public RecordingMidiOut {
 public:
  explicit ThrowingMidiOut(bool frameworkException) : framework_(frameworkException) {}
  unsigned DeviceCount() override {
    if (framework_) throw new CSimpleException("device list unreadable");
    throw 42;
  }

 private:
  bool framework_;
};

TEST_F(TickSoundTest, InitDeviceResults) {
  struct Case {
    const char* name;
    unsigned deviceCount;
    int throwKind;  // 0 none, 1 library exception, 2 anything else
    int result;
    const char* errorText;
    int program;
    bool open;
  } cases[] = {
      {"device", 1, 0, 0, "", 0, true},
      {"no device", 0, 0, -1, "MIDI: No device available", -1, false},
      {"library exception", 1, 1, -2, "MIDI: Error during InitDev", -1, false},
      {"other exception", 1, 2, -2, "MIDI: Error during InitDev", -1, false},
  };
  for (const Case& c : cases) {
    ResetTickPlayer();
    RecordingMidiOut plain(c.deviceCount);
    ThrowingMidiOut throwing(c.throwKind == 1);
    test::SetMidiOutBackend(c.throwKind == 0 ? &plain : &throwing);
    std::string errorText;
    ExportLock lock(platform::LibraryLock());
    EXPECT_EQ(c.result, TickPlayer.InitDevice(&errorText)) << c.name;
    EXPECT_EQ(c.errorText, errorText) << c.name;
    EXPECT_EQ(c.program, TickPlayer.program) << c.name;
    EXPECT_EQ(c.open, TickPlayer.device.IsOpen()) << c.name;
    TickPlayer.device.Close();
  }
  test::SetMidiOutBackend(&midi_);
}

TEST_F(TickSoundTest, AnExceptionDuringTheFirstTickStillReturnsZero) {
  ThrowingMidiOut throwing(false);
  test::SetMidiOutBackend(&throwing);
  EXPECT_EQ(0, VQM_TickSound(0, 45, 64, 5));
  EXPECT_EQ(5, TickPlayer.program);
  EXPECT_TRUE(throwing.ShortMessages().empty());
  test::SetMidiOutBackend(&midi_);
}

// Another chart's call gets through while a note is sounding: the library-wide lock is not
// held during the 5 ms. Were it held, the other call could never finish before the note-off
// is sent; a busy machine may delay it past the note now and then, so one attempt in twenty
// that gets through is enough.
TEST_F(TickSoundTest, OtherCallsAreNotHeldUpDuringTheNote) {
  ASSERT_EQ(0, VQM_TickSound(0, 45, 64, 1));
  int throughDuringNote = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const size_t before = midi_.ShortMessages().size();
    std::thread tick([] { VQM_TickSound(0, 50, 64, 1); });
    while (midi_.ShortMessages().size() == before) std::this_thread::yield();
    int v[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(0, VQM_F_PrcNorm(2.0f, &v[0], &v[1], &v[2], &v[3], &v[4]));
    const auto otherCallDone = RecordingMidiOut::Clock::now();
    tick.join();
    EXPECT_EQ(2, v[0]);
    const auto records = midi_.Records();
    ASSERT_EQ(Msg(0x80, 50, 0), records.back().value);
    if (otherCallDone < records.back().time) ++throughDuringNote;
  }
  EXPECT_GT(throughDuringNote, 0);
}

// Without a hook: the real MIDI output under Wine (where the test machine has no device),
// the POSIX stand-in natively. Either way the result is 0 and nothing breaks.
class TickSoundBackendTest : public test::BackendTest {
 protected:
  void TearDown() override {
    if (inProcess()) ResetTickPlayer();
  }
};

TEST_P(TickSoundBackendTest, ReturnsZeroWhetherOrNotADeviceExists) {
  if (inProcess()) ResetTickPlayer();
  EXPECT_EQ(0, api().VQM_TickSound(0, 10, 200, 12));
  EXPECT_EQ(0, api().VQM_TickSound(7, 45, 64, 40));
  EXPECT_EQ(0, api().VQM_TickSound(0, 61, 0, -1));
  EXPECT_EQ(0, api().VQM_TickSound(0, 45, 64, 3));
}

VQM_INSTANTIATE_BACKEND_TESTS(TickSoundBackendTest);

}  // namespace
}  // namespace vqm
