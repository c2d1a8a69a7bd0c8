// The free functions of platform.h and alerts_services.h: each asks the current Env.
#include <atomic>

#include "platform/env.h"

namespace vqm::platform {
namespace {

// Constant-initialised and trivially destroyed, so that it can be read during unload.
std::atomic<Env*> g_installedEnv{nullptr};

}  // namespace

Env* Env::Current() {
  Env* env = g_installedEnv.load(std::memory_order_acquire);
  return env != nullptr ? env : Default();
}

Env* Env::Install(Env* env) { return g_installedEnv.exchange(env, std::memory_order_acq_rel); }

ClockReading Now() { return Env::Current()->Now(); }
TimeZoneBiases ReadTimeZoneBiases() { return Env::Current()->ReadTimeZoneBiases(); }
std::string ExecutablePath() { return Env::Current()->ExecutablePath(); }
bool GetEnvironment(const char* name, std::string* value) {
  return Env::Current()->GetEnvironment(name, value);
}
void SleepMilliseconds(int ms) { Env::Current()->SleepMilliseconds(ms); }

FILE* OpenFile(const char* path, const char* mode) { return Env::Current()->OpenFile(path, mode); }
long WriteUnbuffered(FILE* file, const void* data, size_t size) {
  return Env::Current()->WriteUnbuffered(file, data, size);
}
void FlushFile(FILE* file, bool commit) { Env::Current()->FlushFile(file, commit); }
long long FileSize(FILE* file) { return Env::Current()->FileSize(file); }
MakeDirResult MakeDirectory(const char* path) { return Env::Current()->MakeDirectory(path); }
bool IsReadable(const char* path) { return Env::Current()->IsReadable(path); }
bool IsRegularFile(const char* path) { return Env::Current()->IsRegularFile(path); }
bool FileNamesIgnoreCase() { return Env::Current()->FileNamesIgnoreCase(); }
std::string NativePath(const char* path) { return Env::Current()->NativePath(path); }
bool WriteAll(FILE* file, const void* data, size_t size) { return Env::Current()->WriteAll(file, data, size); }
bool CloseFile(FILE* file) { return Env::Current()->CloseFile(file); }
bool TruncateFile(FILE* file, long long length) { return Env::Current()->TruncateFile(file, length); }
FILE* OpenRegularFile(const char* path) { return Env::Current()->OpenRegularFile(path); }
bool RenameReplacing(const char* from, const char* to) { return Env::Current()->RenameReplacing(from, to); }
std::string TemporaryPathBeside(const char* path) { return Env::Current()->TemporaryPathBeside(path); }
bool RemoveFile(const char* path) { return Env::Current()->RemoveFile(path); }

int ProfileRead(const char* section, const char* key, const char* defaultValue, char* buffer,
                int size, const char* file) {
  return Env::Current()->ProfileRead(section, key, defaultValue, buffer, size, file);
}
int ProfileWrite(const char* section, const char* key, const char* value, const char* file) {
  return Env::Current()->ProfileWrite(section, key, value, file);
}

unsigned MidiOutDeviceCount() { return Env::Current()->MidiOutDeviceCount(); }
unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                     uintptr_t instance) {
  return Env::Current()->MidiOutOpen(device, deviceId, callback, instance);
}
unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message) {
  return Env::Current()->MidiOutShortMessage(device, message);
}
unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header) {
  return Env::Current()->MidiOutUnprepareHeader(device, header);
}
unsigned MidiOutClose(MidiOutHandle device) { return Env::Current()->MidiOutClose(device); }
int32_t ComInitialize() { return Env::Current()->ComInitialize(); }
void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags) {
  Env::Current()->ShowMessageBox(caption, text, iconFlags);
}

}  // namespace vqm::platform
