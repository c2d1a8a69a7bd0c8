// Replacements of platform services for tests. Nothing outside the platform layer and the
// tests includes this file; with no hook installed every service is the real one.
//
// REQUIRES: hooks are installed and removed while no export runs on another thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/alerts_backend.h"
#include "platform/platform.h"

namespace vqm::platform::test {

// The clock seen by every caller of platform::Now(). An empty function restores the real one.
void SetClock(std::function<ClockReading()> clock);

// The host executable path seen by ExecutablePath(). An empty text restores the real one.
void SetExecutablePath(const std::string& path);

// The time-zone biases seen by ReadTimeZoneBiases(). An empty function restores the real one.
void SetTimeZoneBiases(std::function<TimeZoneBiases()> biases);

// The MIDI output seen by every MidiOut function; null restores the system's.
// REQUIRES: the backend outlives its use, and no device opened on one backend is used or
// closed after another is installed.
void SetMidiOutBackend(MidiOutBackend* backend);

// The result of ComInitialize(). An empty function restores the real CoInitialize.
void SetComInitialize(std::function<int32_t()> comInitialize);

// Receives every message box instead of the user. An empty function restores the real box.
void SetMessageBox(
    std::function<void(const char* caption, const char* text, unsigned iconFlags)> box);

// A MIDI output that records every call with the time it was made. It has deviceCount
// devices; opening fails when FailOpen was called. Thread-safe: the MIDI device's worker and
// the test thread may call it at once.
class RecordingMidiOut : public MidiOutBackend {
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
  unsigned openError_ = kMidiNoError;
  int openLastError_ = 0;
  unsigned opened_ = 0;
  MidiOutHandle device_ = nullptr;
  MidiOutCallback callback_ = nullptr;
  uintptr_t instance_ = 0;
};

// Builds a reading whose local and UTC forms are the given civil time shifted by
// utcOffsetSeconds (local = UTC + offset).
ClockReading MakeReading(int year, int month, int day, int hour, int minute, int second,
                         int millisecond = 0, int utcOffsetSeconds = 0);

}  // namespace vqm::platform::test
