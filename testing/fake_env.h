// The Env the test programs run under: the OS's own, except for what a test replaces
// through the setters below (a driven clock, another host executable, time-zone biases,
// a MIDI output double, COM start-up, the message box). A test that wants more (failing or
// delaying a call) subclasses platform::EnvWrapper in its own file and installs it with
// ScopedEnv.
//
// REQUIRES: replacements are set and removed while no export runs on another thread.
#pragma once

#include <functional>
#include <string>

#include "platform/alerts_backend.h"
#include "platform/env.h"

namespace vqm::test {

// Installs env for its lifetime and then puts back what was installed before.
class ScopedEnv {
 public:
  explicit ScopedEnv(platform::Env* env) : previous_(platform::Env::Install(env)) {}
  ~ScopedEnv() { platform::Env::Install(previous_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  platform::Env* const previous_;
};

class FakeEnv : public platform::EnvWrapper {
 public:
  using Clock = std::function<platform::ClockReading()>;
  using Biases = std::function<platform::TimeZoneBiases()>;
  using ComStart = std::function<int32_t()>;
  using MessageBoxSink = std::function<void(const char* caption, const char* text, unsigned icon)>;

  FakeEnv() : EnvWrapper(platform::Env::Default()) {}

  // An empty replacement (or null backend) restores the OS's service.
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  void SetExecutablePath(const std::string& path) { executablePath_ = path; }
  void SetTimeZoneBiases(Biases biases) { biases_ = std::move(biases); }
  // REQUIRES: the backend outlives its use, and no device opened on one backend is used or
  // closed after another is installed.
  void SetMidiOut(platform::MidiOutBackend* backend) { midiOut_ = backend; }
  void SetComInitialize(ComStart start) { comStart_ = std::move(start); }
  void SetMessageBox(MessageBoxSink box) { messageBox_ = std::move(box); }

  platform::ClockReading Now() override;
  platform::TimeZoneBiases ReadTimeZoneBiases() override;
  std::string ExecutablePath() override;
  unsigned MidiOutDeviceCount() override;
  unsigned MidiOutOpen(platform::MidiOutHandle* device, unsigned deviceId,
                       platform::MidiOutCallback callback, uintptr_t instance) override;
  unsigned MidiOutShortMessage(platform::MidiOutHandle device, uint32_t message) override;
  unsigned MidiOutUnprepareHeader(platform::MidiOutHandle device,
                                  platform::MidiHeader* header) override;
  unsigned MidiOutClose(platform::MidiOutHandle device) override;
  int32_t ComInitialize() override;
  void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) override;

 private:
  Clock clock_;
  std::string executablePath_;
  Biases biases_;
  platform::MidiOutBackend* midiOut_ = nullptr;
  ComStart comStart_;
  MessageBoxSink messageBox_;
};

// The FakeEnv of this test program, installed on first use and never destroyed (the
// library's process-wide objects still reach it while they are destroyed at exit).
FakeEnv& SuiteEnv();

// Shorthands for the suite's FakeEnv.
inline void SetClock(FakeEnv::Clock clock) { SuiteEnv().SetClock(std::move(clock)); }
inline void SetExecutablePath(const std::string& path) { SuiteEnv().SetExecutablePath(path); }
inline void SetTimeZoneBiases(FakeEnv::Biases biases) {
  SuiteEnv().SetTimeZoneBiases(std::move(biases));
}
inline void SetMidiOutBackend(platform::MidiOutBackend* backend) {
  SuiteEnv().SetMidiOut(backend);
}
inline void SetComInitialize(FakeEnv::ComStart start) {
  SuiteEnv().SetComInitialize(std::move(start));
}
inline void SetMessageBox(FakeEnv::MessageBoxSink box) { SuiteEnv().SetMessageBox(std::move(box)); }

}  // namespace vqm::test
