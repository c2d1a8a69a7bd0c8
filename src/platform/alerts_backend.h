// What stands behind the alert services. The MIDI output is a backend object: winmm on
// Windows and, on POSIX, a stand-in without any device; a test may install its own
// (platform/test_hooks.h). Private to platform/ and the tests.
#pragma once

#include <atomic>

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

// The backend a test installed, or null. Constant-initialised and trivially destroyed, so
// that it can be read at unload.
extern std::atomic<MidiOutBackend*> g_midiOutHook;

// The system's COM start-up and message box.
int32_t SystemComInitialize();
void SystemMessageBox(const char* caption, const char* text, unsigned iconFlags);

}  // namespace detail
}  // namespace vqm::platform
