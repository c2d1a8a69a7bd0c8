// The operating system as one object. Everything the library asks of the OS that a caller
// may want to see fail, delay or record goes through the current Env: files and
// directories, settings (private-profile) files, the clock, the time-zone biases, the host
// executable's path, the environment, sleeping, MIDI output, COM start-up and the message
// box. Env::Default() is the OS's own (platform/win32 or platform/posix, one per build);
// EnvWrapper forwards every call to another Env, so a subclass overrides only what it
// changes. The library calls the free functions of platform.h, which ask Env::Current().
//
// Events, worker threads, the last-error code and the library lock are not part of it: they
// are the library's own machinery, not services a caller would replace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/alerts_services.h"
#include "platform/platform.h"

namespace vqm::platform {

class Env {
 public:
  Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;
  virtual ~Env() = default;

  // The OS's own services. Never destroyed, so the unload path can still use it.
  static Env* Default();
  // The installed Env, or Default() when none is.
  static Env* Current();
  // Makes env current for every later call, on every thread; null restores Default().
  // Returns what was installed before (null for Default()), for the caller to restore.
  // REQUIRES: env outlives its installation; a MIDI device opened under one Env is closed
  // under the same one.
  static Env* Install(Env* env);

  // ---- clock, time zone, process ----
  virtual ClockReading Now() = 0;
  virtual TimeZoneBiases ReadTimeZoneBiases() = 0;
  virtual std::string ExecutablePath() = 0;
  virtual bool GetEnvironment(const char* name, std::string* value) = 0;
  virtual void SleepMilliseconds(int ms) = 0;

  // ---- files and directories (contracts in platform.h) ----
  virtual FILE* OpenFile(const char* path, const char* mode) = 0;
  virtual long WriteUnbuffered(FILE* file, const void* data, size_t size) = 0;
  virtual void FlushFile(FILE* file, bool commit) = 0;
  virtual long long FileSize(FILE* file) = 0;
  virtual MakeDirResult MakeDirectory(const char* path) = 0;
  virtual bool IsReadable(const char* path) = 0;
  virtual bool IsRegularFile(const char* path) = 0;
  virtual bool FileNamesIgnoreCase() = 0;
  virtual std::string NativePath(const char* path) = 0;
  virtual bool WriteAll(FILE* file, const void* data, size_t size) = 0;
  virtual bool CloseFile(FILE* file) = 0;
  virtual bool TruncateFile(FILE* file, long long length) = 0;
  virtual FILE* OpenRegularFile(const char* path) = 0;
  virtual bool RenameReplacing(const char* from, const char* to) = 0;
  virtual std::string TemporaryPathBeside(const char* path) = 0;
  virtual bool RemoveFile(const char* path) = 0;

  // ---- settings files ----
  virtual int ProfileRead(const char* section, const char* key, const char* defaultValue,
                          char* buffer, int size, const char* file) = 0;
  virtual int ProfileWrite(const char* section, const char* key, const char* value,
                           const char* file) = 0;

  // ---- MIDI output, COM, message box (contracts in alerts_services.h) ----
  virtual unsigned MidiOutDeviceCount() = 0;
  virtual unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId,
                               MidiOutCallback callback, uintptr_t instance) = 0;
  virtual unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message) = 0;
  virtual unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header) = 0;
  virtual unsigned MidiOutClose(MidiOutHandle device) = 0;
  virtual int32_t ComInitialize() = 0;
  virtual void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) = 0;
};

// Forwards every call to target. A subclass overrides the calls it wants to change.
class EnvWrapper : public Env {
 public:
  // REQUIRES: target outlives the wrapper.
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  ClockReading Now() override { return target_->Now(); }
  TimeZoneBiases ReadTimeZoneBiases() override { return target_->ReadTimeZoneBiases(); }
  std::string ExecutablePath() override { return target_->ExecutablePath(); }
  bool GetEnvironment(const char* name, std::string* value) override {
    return target_->GetEnvironment(name, value);
  }
  void SleepMilliseconds(int ms) override { target_->SleepMilliseconds(ms); }

  FILE* OpenFile(const char* path, const char* mode) override {
    return target_->OpenFile(path, mode);
  }
  long WriteUnbuffered(FILE* file, const void* data, size_t size) override {
    return target_->WriteUnbuffered(file, data, size);
  }
  void FlushFile(FILE* file, bool commit) override { target_->FlushFile(file, commit); }
  long long FileSize(FILE* file) override { return target_->FileSize(file); }
  MakeDirResult MakeDirectory(const char* path) override { return target_->MakeDirectory(path); }
  bool IsReadable(const char* path) override { return target_->IsReadable(path); }
  bool IsRegularFile(const char* path) override { return target_->IsRegularFile(path); }
  bool FileNamesIgnoreCase() override { return target_->FileNamesIgnoreCase(); }
  std::string NativePath(const char* path) override { return target_->NativePath(path); }
  bool WriteAll(FILE* file, const void* data, size_t size) override { return target_->WriteAll(file, data, size); }
  bool CloseFile(FILE* file) override { return target_->CloseFile(file); }
  bool TruncateFile(FILE* file, long long length) override { return target_->TruncateFile(file, length); }
  FILE* OpenRegularFile(const char* path) override { return target_->OpenRegularFile(path); }
  bool RenameReplacing(const char* from, const char* to) override { return target_->RenameReplacing(from, to); }
  std::string TemporaryPathBeside(const char* path) override { return target_->TemporaryPathBeside(path); }
  bool RemoveFile(const char* path) override { return target_->RemoveFile(path); }

  int ProfileRead(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) override {
    return target_->ProfileRead(section, key, defaultValue, buffer, size, file);
  }
  int ProfileWrite(const char* section, const char* key, const char* value,
                   const char* file) override {
    return target_->ProfileWrite(section, key, value, file);
  }

  unsigned MidiOutDeviceCount() override { return target_->MidiOutDeviceCount(); }
  unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                       uintptr_t instance) override {
    return target_->MidiOutOpen(device, deviceId, callback, instance);
  }
  unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message) override {
    return target_->MidiOutShortMessage(device, message);
  }
  unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header) override {
    return target_->MidiOutUnprepareHeader(device, header);
  }
  unsigned MidiOutClose(MidiOutHandle device) override { return target_->MidiOutClose(device); }
  int32_t ComInitialize() override { return target_->ComInitialize(); }
  void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) override {
    target_->ShowMessageBox(caption, text, iconFlags);
  }

 private:
  Env* const target_;
};

}  // namespace vqm::platform
