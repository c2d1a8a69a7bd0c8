// The system's MIDI output as an object: winmm on Windows and, on POSIX, a stand-in without
// any device. The default Env sends its MIDI calls here; a test double of the MIDI output
// implements the same interface. Private to platform/ and the test doubles.
#pragma once

#include "platform/alerts_services.h"

namespace vqm::platform {

class MidiOutBackend {
 public:
  virtual ~MidiOutBackend() = default;
  virtual unsigned DeviceCount() = 0;
  virtual unsigned Open(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                        uintptr_t instance) = 0;
  virtual unsigned ShortMessage(MidiOutHandle device, uint32_t message) = 0;
  virtual unsigned UnprepareHeader(MidiOutHandle device, MidiHeader* header) = 0;
  virtual unsigned Close(MidiOutHandle device) = 0;
};

namespace detail {

// The operating system's MIDI output; never destroyed, so the unload path can still use it.
MidiOutBackend& SystemMidiOut();

// The system's COM start-up and message box.
int32_t SystemComInitialize();
void SystemMessageBox(const char* caption, const char* text, unsigned iconFlags);

}  // namespace detail
}  // namespace vqm::platform
