#include "alerts/tick_player.h"

#include <algorithm>

#include "alerts/midi_msg.h"
#include "base/lock_rule.h"
#include "frame/exports.h"
#include "platform/alerts_services.h"

namespace vqm {
namespace {

constexpr unsigned kNoteOn = 0x90;
constexpr unsigned kNoteOff = 0x80;
constexpr unsigned kProgramChange = 0xC0;
constexpr int kTickMilliseconds = 5;

}  // namespace

int CTickPlayer::InitDevice(std::string* errorText) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  int result = 0;
  const Caught caught = RunGuarded(
      [&] {
        if (platform::MidiOutDeviceCount() == 0) {
          *errorText = "MIDI: No device available";
          result = -1;
          return;
        }
        device.Open(0);
        program = 0;
      },
      nullptr, 0);
  if (caught == Caught::kNone) return result;
  *errorText = "MIDI: Error during InitDev";
  return -2;
}

void CTickPlayer::ProgramChange(int newProgram) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  CShortMsg(kProgramChange, 0, static_cast<unsigned>(newProgram), 0).SendMsg(device);
  program = newProgram;
}

void CTickPlayer::PlayTick(int note, int velocity, int milliseconds,
                           platform::LibraryMutex& stateLock) {
  {
    std::lock_guard<platform::LibraryMutex> hold(stateLock);
    CShortMsg(kNoteOn, 0, static_cast<unsigned>(note), static_cast<unsigned>(velocity))
        .SendMsg(device);
  }
  platform::SleepMilliseconds(milliseconds);
  std::lock_guard<platform::LibraryMutex> hold(stateLock);
  CShortMsg(kNoteOff, 0, static_cast<unsigned>(note), 0).SendMsg(device);
}

}  // namespace vqm

// The instrument is chosen at the first call; a negative program argument makes the next
// call initialise the device again. The library-wide lock is held while the player's state
// is touched, not during the note, so other charts' calls go on meanwhile.
VQM_EXPORT int VQM_TickSound(int /*notUsed*/, int note, int velocity, int program) {
  vqm::ExportFrame(0, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (vqm::TickPlayer.program < 0) {
      std::string dropped;
      vqm::TickPlayer.InitDevice(&dropped);
      vqm::TickPlayer.ProgramChange(program);
    }
    return 0;
  });
  const int clampedNote = std::clamp(note, 30, 60);
  const int clampedVelocity = std::clamp(velocity, 20, 127);
  vqm::RunGuarded(
      [&] {
        vqm::TickPlayer.PlayTick(clampedNote, clampedVelocity, vqm::kTickMilliseconds,
                                 vqm::platform::LibraryLock());
      },
      nullptr, 0);
  return 0;
}
