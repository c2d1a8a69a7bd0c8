// One MIDI output device kept open, with the worker thread that releases long-message
// buffers once the MIDI system reports them done.
//
// Threads: Open, Close, SendShortMsg and QueueHeader are called by one thread at a time
// (the exports hold the library-wide lock). The worker and the MIDI system's callback
// thread touch only the wake and parked events, the state and the header queue, which its
// own lock guards; neither needs anything a closing thread holds.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "containers/ptr_array.h"
#include "platform/alerts_services.h"

namespace vqm {

class CMIDIOutDevice {
 public:
  // A long-message buffer handed to the device, waiting to be released.
  struct CMIDIOutHeader {
    platform::MidiOutHandle device = nullptr;
    platform::MidiHeader header;
  };

  // Creates the wake event; opens nothing and starts no thread.
  CMIDIOutDevice();
  // Closes the device the way an unload must: the worker is ended without waiting for it
  // without bound (see platform::EndThreadAtUnload).
  ~CMIDIOutDevice();
  CMIDIOutDevice(const CMIDIOutDevice&) = delete;
  CMIDIOutDevice& operator=(const CMIDIOutDevice&) = delete;

  // Closes first, then opens the output device and starts the worker. 0 on success; -1 with
  // "MIDI: OutOpen error (%d)" (the last-error code) in the error text on failure.
  int Open(unsigned deviceId);
  // When open: stops the worker (waiting for it to end), releases every queued header and
  // closes the device.
  void Close();
  // Passes a packed short message to the open device (its result is ignored); does nothing
  // when the device is closed.
  void SendShortMsg(uint32_t message);
  // Takes a prepared header into the queue. The worker releases the most recent one each
  // time the system reports a buffer done, Close the rest. 0, or -1 when the device is
  // closed or memory runs out (the header then stays the caller's).
  int QueueHeader(CMIDIOutHeader* header);

  bool IsOpen() const { return state_.load() == 1; }
  const std::string& ErrorText() const { return errorText_; }
  int QueuedHeaders() const;

 private:
  static void OnMidiOut(platform::MidiOutHandle device, unsigned message, uintptr_t instance,
                        uintptr_t param1, uintptr_t param2);
  static void RunWorker(void* device);
  void ReleaseLastHeader();
  void ReleaseAllHeaders();

  std::string errorText_;
  platform::MidiOutHandle handle_ = nullptr;
  platform::Event* wake_ = nullptr;  // auto-reset
  platform::Thread* worker_ = nullptr;
  CTypedPtrArray<SPtrArray, CMIDIOutHeader*> headers_;
  mutable std::mutex headersLock_;
  std::atomic<int> state_{0};  // 1 while the device is open and the worker runs
  // Manual-reset, set while the worker is parked in its wait; whoever wakes the worker
  // resets it first. Created with the first worker.
  platform::Event* parked_ = nullptr;
};

}  // namespace vqm
