// The MIDI tick player behind VQM_TickSound: the device and the instrument (program)
// number, which is -1 until the first tick has initialised the device.
//
// REQUIRES: the caller holds the library-wide lock, except for PlayTick (see there).
#pragma once

#include <mutex>
#include <string>

#include "alerts/midi_out_device.h"
#include "base/lock_rule.h"
#include "platform/library_mutex.h"

namespace vqm {

class CTickPlayer {
 public:
  // Opens the first MIDI output device and sets the program number to 0: result 0. -1 with
  // "MIDI: No device available" in errorText when there is no device; -2 with "MIDI: Error
  // during InitDev" when an exception was raised. An open failure is not looked at: its
  // message stays in the device's error text.
  int InitDevice(std::string* errorText) VQM_REQUIRES_LIBRARY_LOCK;
  // Sends a program change on channel 0 and keeps the program number.
  void ProgramChange(int program) VQM_REQUIRES_LIBRARY_LOCK;
  // Sends note-on, sleeps milliseconds on the calling thread, sends note-off. It holds
  // stateLock only while it sends, never during the sleep.
  // REQUIRES: the caller does not hold stateLock.
  void PlayTick(int note, int velocity, int milliseconds, platform::LibraryMutex& stateLock);

  CMIDIOutDevice device;
  int program = -1;
};

// The process-wide player (defined with the other process-wide objects).
extern CTickPlayer TickPlayer;

}  // namespace vqm
