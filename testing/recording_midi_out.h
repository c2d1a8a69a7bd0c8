// A MIDI output double for the tests: records every call with the time it was made.
#pragma once

#include <chrono>
#include <mutex>
#include <vector>

#include "platform/alerts_backend.h"

namespace vqm::test {

using platform::MidiHeader;
using platform::MidiOutCallback;
using platform::MidiOutHandle;

// A MIDI output that records every call with the time it was made. It has deviceCount
// devices; opening fails when FailOpen was called. Thread-safe: the MIDI device's worker and
// the test thread may call it at once.
class RecordingMidiOut : public platform::MidiOutBackend {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Call { kOpen, kShortMessage, kUnprepareHeader, kClose };
  struct Record {
    Call call;
    MidiOutHandle device;  // kOpen: null when the opening failed
    uint32_t value;        // kOpen: the device id; kShortMessage: the packed message
    MidiHeader* header;    // kUnprepareHeader only
    Clock::time_point time;
  };

  explicit RecordingMidiOut(unsigned deviceCount = 1) : deviceCount_(deviceCount) {}

  // Makes every later Open fail with error, leaving lastError as the thread's last error.
  void FailOpen(unsigned error, int lastError);

  std::vector<Record> Records() const;
  // The packed short messages in the order they were sent.
  std::vector<uint32_t> ShortMessages() const;
  // The calls of one kind.
  std::vector<Record> RecordsOf(Call call) const;

  // Calls the callback of the most recently opened device with message, as the MIDI
  // system does on a thread of its own.
  void Notify(unsigned message);

  unsigned DeviceCount() override;
  unsigned Open(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                uintptr_t instance) override;
  unsigned ShortMessage(MidiOutHandle device, uint32_t message) override;
  unsigned UnprepareHeader(MidiOutHandle device, MidiHeader* header) override;
  unsigned Close(MidiOutHandle device) override;

 private:
  void Add(Call call, MidiOutHandle device, uint32_t value, MidiHeader* header);

  const unsigned deviceCount_;
  mutable std::mutex lock_;
  std::vector<Record> records_;
  unsigned openError_ = platform::kMidiNoError;
  int openLastError_ = 0;
  unsigned opened_ = 0;
  MidiOutHandle device_ = nullptr;
  MidiOutCallback callback_ = nullptr;
  uintptr_t instance_ = 0;
};

}  // namespace vqm::test
