// The operating-system services behind the alerts: MIDI output, the events and the worker
// thread of the MIDI device, COM start-up and the message box. platform/win32 implements
// them on winmm, kernel32, ole32 and user32; platform/posix on stand-ins (no MIDI device,
// COM start-up succeeds, the message box goes to standard error). Tests may replace the
// MIDI output, COM start-up and the message box by installing an Env (platform/env.h).
#pragma once

#include <cstdint>

namespace vqm::platform {

// ---- MIDI output ----

// An open MIDI output device (HMIDIOUT on Windows).
using MidiOutHandle = void*;

// A long-message buffer header, laid out as the system's MIDIHDR (byte-packed, as the
// multimedia headers declare it).
#pragma pack(push, 1)
struct MidiHeader {
  char* data = nullptr;
  uint32_t bufferLength = 0;
  uint32_t bytesRecorded = 0;
  uintptr_t user = 0;
  uint32_t flags = 0;
  MidiHeader* next = nullptr;
  uintptr_t reserved = 0;
  uint32_t offset = 0;
  uintptr_t reservedWords[8] = {};
};
#pragma pack(pop)

constexpr unsigned kMidiNoError = 0;         // MMSYSERR_NOERROR
constexpr unsigned kMidiOutOpened = 0x3C7;   // MOM_OPEN
constexpr unsigned kMidiOutClosed = 0x3C8;   // MOM_CLOSE
constexpr unsigned kMidiOutDone = 0x3C9;     // MOM_DONE: a long-message buffer is free again

// Called by the MIDI system on a thread of its own, with the instance given to MidiOutOpen.
// Same parameters as the system's MidiOutProc (on x64 one calling convention serves both).
using MidiOutCallback = void (*)(MidiOutHandle device, unsigned message, uintptr_t instance,
                                 uintptr_t param1, uintptr_t param2);

// Number of MIDI output devices; 0 when there is none.
unsigned MidiOutDeviceCount();
// Opens output device deviceId with a function callback. kMidiNoError and *device set on
// success, a system error code otherwise.
unsigned MidiOutOpen(MidiOutHandle* device, unsigned deviceId, MidiOutCallback callback,
                     uintptr_t instance);
// Sends one packed short message (status in bits 0-7, data bytes in bits 8-23).
unsigned MidiOutShortMessage(MidiOutHandle device, uint32_t message);
unsigned MidiOutUnprepareHeader(MidiOutHandle device, MidiHeader* header);
unsigned MidiOutClose(MidiOutHandle device);

// The calling thread's last-error code (GetLastError; errno on POSIX), and its setter.
int LastErrorCode();
void SetLastErrorCode(int code);

// ---- events ----

// An unnamed event, created unsignalled. An auto-reset event lets one waiter through per
// signal; a manual-reset one stays signalled until it is reset.
struct Event;
Event* MakeEvent(bool manualReset);  // null when the system has no event left
// A null event is ignored by every operation below.
void SignalEvent(Event* event);
void ResetEvent(Event* event);
// Waits without time-out.
void WaitEvent(Event* event);
// Waits at most milliseconds; true when the event was signalled.
bool WaitEventFor(Event* event, int milliseconds);
// Signals toSignal and waits without time-out for toWait, as one step: a thread that sees
// toSignal set knows the waiter is already inside the wait.
void SignalAndWait(Event* toSignal, Event* toWait);
// REQUIRES: no thread waits on the event.
void CloseEvent(Event* event);

// ---- worker threads ----

// A thread that spends its idle time parked in WaitEvent or SignalAndWait.
struct Thread;
// Starts body(argument) at normal priority with the default stack size; null on failure.
Thread* StartThread(void (*body)(void*), void* argument);
// Waits without time-out for the thread to end, then releases it.
void JoinThread(Thread* thread);
// Ends a worker while the library is being unloaded, where waiting for a thread to end can
// block the host for good (on Windows the loader lock, held during unload, is needed by
// every ending thread). The worker must be parked in a wait on wake, and must find its
// stop condition set when it wakes. On Windows the worker is ended inside its wait without
// running library code again, and this waits at most briefly for it to park (parked is set
// by its SignalAndWait); on POSIX, where ending needs no loader lock, wake is signalled and
// the thread joined. The thread is released in both cases.
void EndThreadAtUnload(Thread* thread, Event* wake, Event* parked);

// ---- COM and the message box ----

// CoInitialize with no reserved argument on the calling thread: its HRESULT.
int32_t ComInitialize();

constexpr unsigned kMessageBoxIconError = 0x10;  // MB_ICONERROR

// A modal message box without owner window, with an OK button and the given icon.
void ShowMessageBox(const char* caption, const char* text, unsigned iconFlags);

}  // namespace vqm::platform
