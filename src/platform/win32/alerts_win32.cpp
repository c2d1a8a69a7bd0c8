// The alert services on winmm (MIDI output), kernel32 (events, threads), ole32 (COM) and
// user32 (the message box).
#include <windows.h>
#include <mmsystem.h>
#include <objbase.h>

#include <cstddef>
#include <new>

#include "platform/alerts_backend.h"

namespace vqm::platform {
namespace {

static_assert(sizeof(MidiHeader) == sizeof(MIDIHDR), "MidiHeader is laid out as MIDIHDR");
static_assert(offsetof(MidiHeader, flags) == offsetof(MIDIHDR, dwFlags), "MIDIHDR layout");
static_assert(offsetof(MidiHeader, offset) == offsetof(MIDIHDR, dwOffset), "MIDIHDR layout");
static_assert(offsetof(MidiHeader, reservedWords) == offsetof(MIDIHDR, dwReserved),
              "MIDIHDR layout");

HMIDIOUT ToSystem(MidiOutHandle device) { return static_cast<HMIDIOUT>(device); }

class WinmmMidiOut : public MidiOutBackend {
 public:
  unsigned DeviceCount() override { return midiOutGetNumDevs(); }
  unsigned Open(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                uintptr_t instance) override {
    // MidiOutCallback has MidiOutProc's parameters; x64 has one calling convention.
    HMIDIOUT handle = nullptr;
    const MMRESULT result = midiOutOpen(&handle, deviceId, reinterpret_cast<DWORD_PTR>(callback),
                                        instance, CALLBACK_FUNCTION);
    if (result == MMSYSERR_NOERROR) *device = handle;
    return result;
  }
  unsigned ShortMessage(MidiOutHandle device, uint32_t message) override {
    return midiOutShortMsg(ToSystem(device), message);
  }
  unsigned UnprepareHeader(MidiOutHandle device, MidiHeader* header) override {
    return midiOutUnprepareHeader(ToSystem(device), reinterpret_cast<MIDIHDR*>(header),
                                  sizeof(MIDIHDR));
  }
  unsigned Close(MidiOutHandle device) override { return midiOutClose(ToSystem(device)); }
};

HANDLE ToSystem(Event* event) { return reinterpret_cast<HANDLE>(event); }
HANDLE ToSystem(Thread* thread) { return reinterpret_cast<HANDLE>(thread); }

struct ThreadStart {
  void (*body)(void*);
  void* argument;
};

DWORD WINAPI RunThread(void* parameter) {
  const ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  start.body(start.argument);
  return 0;
}

// How long the unload waits for a busy worker to park again before it goes on.
constexpr DWORD kParkAtUnloadMs = 100;

}  // namespace

namespace detail {

// Never destroyed (the unload still closes the device through it), and kept in the
// library's own storage so that nothing stays on the heap after an unload.
MidiOutBackend& SystemMidiOut() {
  alignas(WinmmMidiOut) static unsigned char storage[sizeof(WinmmMidiOut)];
  static MidiOutBackend* backend = new (storage) WinmmMidiOut;
  return *backend;
}

int32_t SystemComInitialize() { return static_cast<int32_t>(CoInitialize(nullptr)); }

void SystemMessageBox(const char* caption, const char* text, unsigned iconFlags) {
  MessageBoxA(nullptr, text, caption, MB_OK | iconFlags);
}

}  // namespace detail

int LastErrorCode() { return static_cast<int>(GetLastError()); }
void SetLastErrorCode(int code) { SetLastError(static_cast<DWORD>(code)); }

Event* MakeEvent(bool manualReset) {
  return reinterpret_cast<Event*>(CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr));
}

void SignalEvent(Event* event) {
  if (event != nullptr) SetEvent(ToSystem(event));
}

void ResetEvent(Event* event) {
  if (event != nullptr) ::ResetEvent(ToSystem(event));
}

// The waits are alertable, so that EndThreadAtUnload can end a worker inside them.
void WaitEvent(Event* event) {
  if (event == nullptr) return;
  while (WaitForSingleObjectEx(ToSystem(event), INFINITE, TRUE) == WAIT_IO_COMPLETION) {
  }
}

bool WaitEventFor(Event* event, int milliseconds) {
  return event != nullptr && WaitForSingleObject(ToSystem(event), static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0;
}

void SignalAndWait(Event* toSignal, Event* toWait) {
  if (toSignal == nullptr || toWait == nullptr) {
    SignalEvent(toSignal);
    WaitEvent(toWait);
    return;
  }
  if (SignalObjectAndWait(ToSystem(toSignal), ToSystem(toWait), INFINITE, TRUE) ==
      WAIT_IO_COMPLETION)
    WaitEvent(toWait);
}

void CloseEvent(Event* event) {
  if (event != nullptr) CloseHandle(ToSystem(event));
}

Thread* StartThread(void (*body)(void*), void* argument) {
  ThreadStart* start = new (std::nothrow) ThreadStart{body, argument};
  if (start == nullptr) return nullptr;
  HANDLE thread = CreateThread(nullptr, 0, &RunThread, start, 0, nullptr);
  if (thread == nullptr) delete start;
  return reinterpret_cast<Thread*>(thread);
}

void JoinThread(Thread* thread) {
  if (thread == nullptr) return;
  WaitForSingleObject(ToSystem(thread), INFINITE);
  CloseHandle(ToSystem(thread));
}

// The worker is ended by an exit request queued to it: ExitThread itself runs as the
// request, inside the worker's alertable wait, so the worker never returns into this
// library's code, which the loader is about to unmap. Its end then waits for the loader
// lock, which is why nothing here waits for the thread itself. A worker that was busy
// (woken for a buffer) meets the request when it parks again; parked tells when that is.
void EndThreadAtUnload(Thread* thread, Event* /*wake*/, Event* parked) {
  if (thread == nullptr) return;
  QueueUserAPC(reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(&ExitThread)),
               ToSystem(thread), 0);
  WaitEventFor(parked, kParkAtUnloadMs);
  CloseHandle(ToSystem(thread));
}

}  // namespace vqm::platform
