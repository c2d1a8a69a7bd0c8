#include "alerts/midi_out_device.h"

#include <cstdio>

namespace vqm {
namespace {

// How long Open waits for a new worker to park. It is parked within microseconds; the bound
// only keeps a starved system from holding the caller.
constexpr int kWorkerParkMs = 2000;

std::string OpenErrorText(int lastError) {
  char text[64];
  snprintf(text, sizeof text, "MIDI: OutOpen error (%d)", lastError);
  return text;
}

}  // namespace

CMIDIOutDevice::CMIDIOutDevice() : wake_(platform::MakeEvent(false)) {}

CMIDIOutDevice::~CMIDIOutDevice() {
  if (state_.exchange(0) == 1) {
    platform::EndThreadAtUnload(worker_, wake_, parked_);
    worker_ = nullptr;
    ReleaseAllHeaders();
    platform::MidiOutClose(handle_);
    handle_ = nullptr;
  }
  platform::CloseEvent(wake_);
  platform::CloseEvent(parked_);
}

int CMIDIOutDevice::Open(unsigned deviceId) {
  Close();
  if (parked_ == nullptr) parked_ = platform::MakeEvent(true);
  platform::MidiOutHandle handle = nullptr;
  if (wake_ == nullptr || parked_ == nullptr ||
      platform::MidiOutOpen(&handle, deviceId, &OnMidiOut, reinterpret_cast<uintptr_t>(this)) !=
          platform::kMidiNoError) {
    const int lastError = platform::LastErrorCode();
    platform::SignalEvent(wake_);
    errorText_ = OpenErrorText(lastError);
    return -1;
  }
  handle_ = handle;
  // A wake left by a failed opening means nothing to the new worker.
  platform::ResetEvent(wake_);
  platform::ResetEvent(parked_);
  state_ = 1;
  worker_ = platform::StartThread(&RunWorker, this);
  if (worker_ == nullptr) {
    const int lastError = platform::LastErrorCode();
    state_ = 0;
    platform::MidiOutClose(handle_);
    handle_ = nullptr;
    errorText_ = OpenErrorText(lastError);
    return -1;
  }
  // Once parked, the worker runs library code only when woken, which an unload relies on.
  platform::WaitEventFor(parked_, kWorkerParkMs);
  return 0;
}

void CMIDIOutDevice::Close() {
  if (state_.load() != 1) return;
  state_ = 0;
  platform::ResetEvent(parked_);
  platform::SignalEvent(wake_);
  platform::JoinThread(worker_);
  worker_ = nullptr;
  ReleaseAllHeaders();
  platform::MidiOutClose(handle_);
  handle_ = nullptr;
}

void CMIDIOutDevice::SendShortMsg(uint32_t message) {
  if (state_.load() == 1) platform::MidiOutShortMessage(handle_, message);
}

int CMIDIOutDevice::QueueHeader(CMIDIOutHeader* header) {
  if (state_.load() != 1) return -1;
  std::lock_guard<std::mutex> hold(headersLock_);
  return headers_.Add(header) < 0 ? -1 : 0;
}

int CMIDIOutDevice::QueuedHeaders() const {
  std::lock_guard<std::mutex> hold(headersLock_);
  return headers_.GetSize();
}

// On the MIDI system's thread: a buffer is done, so the worker has one to release.
void CMIDIOutDevice::OnMidiOut(platform::MidiOutHandle, unsigned message, uintptr_t instance,
                               uintptr_t, uintptr_t) {
  if (message != platform::kMidiOutDone) return;
  CMIDIOutDevice* device = reinterpret_cast<CMIDIOutDevice*>(instance);
  platform::ResetEvent(device->parked_);
  platform::SignalEvent(device->wake_);
}

void CMIDIOutDevice::RunWorker(void* instance) {
  CMIDIOutDevice* device = static_cast<CMIDIOutDevice*>(instance);
  while (device->state_.load() == 1) {
    platform::SignalAndWait(device->parked_, device->wake_);
    if (device->state_.load() != 1) break;
    device->ReleaseLastHeader();
  }
}

void CMIDIOutDevice::ReleaseLastHeader() {
  std::lock_guard<std::mutex> hold(headersLock_);
  const int last = headers_.GetSize() - 1;
  if (last < 0) return;
  CMIDIOutHeader* header = headers_.GetAt(last);
  platform::MidiOutUnprepareHeader(header->device, &header->header);
  delete header;
  headers_.RemoveAt(last);
}

void CMIDIOutDevice::ReleaseAllHeaders() {
  std::lock_guard<std::mutex> hold(headersLock_);
  for (int i = 0; i < headers_.GetSize(); ++i) {
    CMIDIOutHeader* header = headers_.GetAt(i);
    platform::MidiOutUnprepareHeader(header->device, &header->header);
    delete header;
  }
  headers_.RemoveAll();
}

}  // namespace vqm
