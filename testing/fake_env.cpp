#include "testing/fake_env.h"

namespace vqm::test {

platform::ClockReading FakeEnv::Now() { return clock_ ? clock_() : target()->Now(); }

platform::TimeZoneBiases FakeEnv::ReadTimeZoneBiases() {
  return biases_ ? biases_() : target()->ReadTimeZoneBiases();
}

std::string FakeEnv::ExecutablePath() {
  return executablePath_.empty() ? target()->ExecutablePath() : executablePath_;
}

unsigned FakeEnv::MidiOutDeviceCount() {
  return midiOut_ != nullptr ? midiOut_->DeviceCount() : target()->MidiOutDeviceCount();
}

unsigned FakeEnv::MidiOutOpen(platform::MidiOutHandle* device, unsigned deviceId,
                              platform::MidiOutCallback callback, uintptr_t instance) {
  if (midiOut_ == nullptr) return target()->MidiOutOpen(device, deviceId, callback, instance);
  return midiOut_->Open(device, deviceId, callback, instance);
}

unsigned FakeEnv::MidiOutShortMessage(platform::MidiOutHandle device, uint32_t message) {
  if (midiOut_ == nullptr) return target()->MidiOutShortMessage(device, message);
  return midiOut_->ShortMessage(device, message);
}

unsigned FakeEnv::MidiOutUnprepareHeader(platform::MidiOutHandle device,
                                         platform::MidiHeader* header) {
  if (midiOut_ == nullptr) return target()->MidiOutUnprepareHeader(device, header);
  return midiOut_->UnprepareHeader(device, header);
}

unsigned FakeEnv::MidiOutClose(platform::MidiOutHandle device) {
  if (midiOut_ == nullptr) return target()->MidiOutClose(device);
  return midiOut_->Close(device);
}

int32_t FakeEnv::ComInitialize() { return comStart_ ? comStart_() : target()->ComInitialize(); }

void FakeEnv::ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) {
  if (messageBox_) {
    messageBox_(caption, text, iconFlags);
    return;
  }
  target()->ShowMessageBox(caption, text, iconFlags);
}

FakeEnv& SuiteEnv() {
  static FakeEnv* env = [] {
    auto* e = new FakeEnv;
    platform::Env::Install(e);
    return e;
  }();
  return *env;
}

}  // namespace vqm::test
