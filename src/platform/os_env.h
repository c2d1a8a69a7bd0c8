// What the default Env of either OS shares: the alert services go to the system's MIDI
// output, COM start-up and message box (platform/win32 or platform/posix). Private to
// platform/.
#pragma once

#include "platform/alerts_backend.h"
#include "platform/env.h"

namespace vqm::platform::detail {

class OsEnv : public Env {
 public:
  unsigned MidiOutDeviceCount() override { return SystemMidiOut().DeviceCount(); }
  unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                       uintptr_t instance) override {
    return SystemMidiOut().Open(device, deviceId, callback, instance);
  }
  unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message) override {
    return SystemMidiOut().ShortMessage(device, message);
  }
  unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header) override {
    return SystemMidiOut().UnprepareHeader(device, header);
  }
  unsigned MidiOutClose(MidiOutHandle device) override { return SystemMidiOut().Close(device); }
  int32_t ComInitialize() override { return SystemComInitialize(); }
  void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) override {
    SystemMessageBox(caption, text, iconFlags);
  }
};

}  // namespace vqm::platform::detail
