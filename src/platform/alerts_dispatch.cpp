// The alert services common to both platforms: each goes to a test's replacement when one
// is installed, otherwise to the system's implementation.
#include "platform/hook_state.h"
#include "platform/alerts_backend.h"

namespace vqm::platform {
namespace detail {

std::atomic<MidiOutBackend*> g_midiOutHook{nullptr};

}  // namespace detail

namespace {

MidiOutBackend& MidiOut() {
  MidiOutBackend* hook = detail::g_midiOutHook.load();
  return hook != nullptr ? *hook : detail::SystemMidiOut();
}

}  // namespace

unsigned MidiOutDeviceCount() { return MidiOut().DeviceCount(); }

unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                     uintptr_t instance) {
  return MidiOut().Open(device, deviceId, callback, instance);
}

unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message) {
  return MidiOut().ShortMessage(device, message);
}

unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header) {
  return MidiOut().UnprepareHeader(device, header);
}

unsigned MidiOutClose(MidiOutHandle device) { return MidiOut().Close(device); }

int32_t ComInitialize() {
  if (detail::Hooks().comInitialize) return detail::Hooks().comInitialize();
  return detail::SystemComInitialize();
}

void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) {
  if (detail::Hooks().messageBox) {
    detail::Hooks().messageBox(caption, text, iconFlags);
    return;
  }
  detail::SystemMessageBox(caption, text, iconFlags);
}

}  // namespace vqm::platform
