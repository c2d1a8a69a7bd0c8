// POSIX stand-ins for the alert services: no MIDI device, COM start-up that succeeds, a
// message box written to standard error; events and threads on the standard library.
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <thread>

#include "platform/alerts_backend.h"

namespace vqm::platform {

struct Event {
  explicit Event(bool manual) : manualReset(manual) {}
  const bool manualReset;
  std::mutex lock;
  std::condition_variable changed;
  bool signalled = false;
};

struct Thread {
  std::thread thread;
};

namespace {

constexpr unsigned kBadDeviceId = 2;    // MMSYSERR_BADDEVICEID
constexpr unsigned kInvalidHandle = 5;  // MMSYSERR_INVALHANDLE

// No MIDI output device at all.
class NoMidiOut : public MidiOutBackend {
 public:
  unsigned DeviceCount() override { return 0; }
  unsigned Open(MidiOutHandle*, unsigned, MidiOutCallback, uintptr_t) override {
    return kBadDeviceId;
  }
  unsigned ShortMessage(MidiOutHandle, uint32_t) override { return kInvalidHandle; }
  unsigned UnprepareHeader(MidiOutHandle, MidiHeader*) override { return kInvalidHandle; }
  unsigned Close(MidiOutHandle) override { return kInvalidHandle; }
};

// REQUIRES: event->lock held; the event is signalled.
void ConsumeSignal(Event* event) {
  if (!event->manualReset) event->signalled = false;
}

}  // namespace

namespace detail {

// Never destroyed (the unload still closes the device through it), and kept in the
// library's own storage so that nothing stays on the heap after an unload.
MidiOutBackend& SystemMidiOut() {
  alignas(NoMidiOut) static unsigned char storage[sizeof(NoMidiOut)];
  static MidiOutBackend* backend = new (storage) NoMidiOut;
  return *backend;
}

int32_t SystemComInitialize() { return 0; }  // S_OK

void SystemMessageBox(const char* caption, const char* text, unsigned /*iconFlags*/) {
  fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

}  // namespace detail

int LastErrorCode() { return errno; }
void SetLastErrorCode(int code) { errno = code; }

Event* MakeEvent(bool manualReset) { return new (std::nothrow) Event(manualReset); }

void SignalEvent(Event* event) {
  if (event == nullptr) return;
  std::lock_guard<std::mutex> hold(event->lock);
  event->signalled = true;
  if (event->manualReset)
    event->changed.notify_all();
  else
    event->changed.notify_one();
}

void ResetEvent(Event* event) {
  if (event == nullptr) return;
  std::lock_guard<std::mutex> hold(event->lock);
  event->signalled = false;
}

void WaitEvent(Event* event) {
  if (event == nullptr) return;
  std::unique_lock<std::mutex> hold(event->lock);
  event->changed.wait(hold, [event] { return event->signalled; });
  ConsumeSignal(event);
}

bool WaitEventFor(Event* event, int milliseconds) {
  if (event == nullptr) return false;
  std::unique_lock<std::mutex> hold(event->lock);
  if (!event->changed.wait_for(hold, std::chrono::milliseconds(milliseconds),
                               [event] { return event->signalled; }))
    return false;
  ConsumeSignal(event);
  return true;
}

// Ending a thread needs no loader lock here, so a worker may simply be woken and joined;
// the two steps need not be one.
void SignalAndWait(Event* toSignal, Event* toWait) {
  SignalEvent(toSignal);
  WaitEvent(toWait);
}

void CloseEvent(Event* event) { delete event; }

Thread* StartThread(void (*body)(void*), void* argument) {
  try {
    return new Thread{std::thread(body, argument)};
  } catch (...) {
    return nullptr;
  }
}

void JoinThread(Thread* thread) {
  if (thread == nullptr) return;
  if (thread->thread.joinable()) thread->thread.join();
  delete thread;
}

void EndThreadAtUnload(Thread* thread, Event* wake, Event* /*parked*/) {
  SignalEvent(wake);
  JoinThread(thread);
}

}  // namespace vqm::platform
