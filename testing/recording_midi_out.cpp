#include "testing/recording_midi_out.h"

namespace vqm::test {

namespace {
constexpr unsigned kInvalidHandle = 5;  // MMSYSERR_INVALHANDLE
}

void RecordingMidiOut::FailOpen(unsigned error, int lastError) {
  std::lock_guard<std::mutex> hold(lock_);
  openError_ = error;
  openLastError_ = lastError;
}

std::vector<RecordingMidiOut::Record> RecordingMidiOut::Records() const {
  std::lock_guard<std::mutex> hold(lock_);
  return records_;
}

std::vector<uint32_t> RecordingMidiOut::ShortMessages() const {
  std::vector<uint32_t> messages;
  for (const Record& r : Records())
    if (r.call == Call::kShortMessage) messages.push_back(r.value);
  return messages;
}

std::vector<RecordingMidiOut::Record> RecordingMidiOut::RecordsOf(Call call) const {
  std::vector<Record> out;
  for (const Record& r : Records())
    if (r.call == call) out.push_back(r);
  return out;
}

void RecordingMidiOut::Notify(unsigned message) {
  MidiOutCallback callback;
  MidiOutHandle device;
  uintptr_t instance;
  {
    std::lock_guard<std::mutex> hold(lock_);
    callback = callback_;
    device = device_;
    instance = instance_;
  }
  if (callback != nullptr) callback(device, message, instance, 0, 0);
}

unsigned RecordingMidiOut::DeviceCount() { return deviceCount_; }

unsigned RecordingMidiOut::Open(MidiOutHandle* device, unsigned deviceId,
                                MidiOutCallback callback, uintptr_t instance) {
  std::unique_lock<std::mutex> hold(lock_);
  if (openError_ != platform::kMidiNoError || deviceId >= deviceCount_) {
    const unsigned error = openError_ != platform::kMidiNoError ? openError_ : 2;  // MMSYSERR_BADDEVICEID
    const int lastError = openLastError_;
    records_.push_back({Call::kOpen, nullptr, deviceId, nullptr, Clock::now()});
    hold.unlock();
    platform::SetLastErrorCode(lastError);
    return error;
  }
  ++opened_;
  device_ = reinterpret_cast<MidiOutHandle>(static_cast<uintptr_t>(0x1000 + opened_));
  callback_ = callback;
  instance_ = instance;
  *device = device_;
  records_.push_back({Call::kOpen, device_, deviceId, nullptr, Clock::now()});
  return platform::kMidiNoError;
}

unsigned RecordingMidiOut::ShortMessage(MidiOutHandle device, uint32_t message) {
  Add(Call::kShortMessage, device, message, nullptr);
  return device != nullptr ? platform::kMidiNoError : kInvalidHandle;
}

unsigned RecordingMidiOut::UnprepareHeader(MidiOutHandle device, MidiHeader* header) {
  Add(Call::kUnprepareHeader, device, 0, header);
  return platform::kMidiNoError;
}

unsigned RecordingMidiOut::Close(MidiOutHandle device) {
  Add(Call::kClose, device, 0, nullptr);
  std::lock_guard<std::mutex> hold(lock_);
  if (device == device_) callback_ = nullptr;
  return platform::kMidiNoError;
}

void RecordingMidiOut::Add(Call call, MidiOutHandle device, uint32_t value, MidiHeader* header) {
  std::lock_guard<std::mutex> hold(lock_);
  records_.push_back({call, device, value, header, Clock::now()});
}

}  // namespace vqm::test
