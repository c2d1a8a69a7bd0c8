#include "alerts/speech.h"

#include <cstdio>

#include "base/lock_rule.h"
#include "base/log.h"
#include "base/text.h"
#include "frame/exports.h"
#include "platform/alerts_services.h"

namespace vqm {
namespace {

constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);   // E_INVALIDARG
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);  // E_OUTOFMEMORY
constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFF);   // E_UNEXPECTED

// The name of a start-up result that counts as failure, or null: success, COM already
// started on this thread and a different threading mode all leave COM usable.
const char* FailureName(int32_t result) {
  switch (result) {
    case kUnexpected: return "UNEXPECTED";
    case kOutOfMemory: return "OUTOFMEMORY";
    case kInvalidArg: return "INVALIDARG";
    default: return nullptr;
  }
}

bool IsCommand(const char* command, const char* name) {
  return StrCompareNoCase(command, name, 1) == 0;
}

}  // namespace

int Speak(const char* command, const char* text, std::string* failure) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  failure->clear();
  if (command == nullptr) return -2;
  if (text == nullptr) return -3;
  if (SpeechState.ready != 1) {
    SpeechState.lastResult = platform::ComInitialize();
    const char* name = FailureName(SpeechState.lastResult);
    if (name != nullptr) {
      // The status as the Windows C library prints a pointer: 32 bits widened unsigned.
      char message[80];
      snprintf(message, sizeof message, "Cannot initialize OLE (%s," PTR_FMT ") ", name,
               static_cast<unsigned long long>(static_cast<uint32_t>(SpeechState.lastResult)));
      *failure = message;
      return -1;
    }
    SpeechState.ready = 1;
  }
  if (IsCommand(command, "Speak") || IsCommand(command, "SpeakWait")) {
    if (*text == 0) return 1;
    return SpeechState.ready == 1 ? 0 : -1;
  }
  return 0;  // "Stop" has nothing to stop; any other command does nothing
}

}  // namespace vqm

// The failure box is shown after the library-wide lock is released: a modal box waits for
// the user, and other charts' calls must not wait with it.
VQM_EXPORT int VQM_Speak(const char* command, const char* text, int /*notUsed*/) {
  std::string failure;
  const int result = vqm::ExportFrame(
      -1, [&]() VQM_REQUIRES_LIBRARY_LOCK { return vqm::Speak(command, text, &failure); });
  if (!failure.empty()) {
    vqm::RunGuarded(
        [&] {
          vqm::platform::ShowMessageBox(vqm::kSpeechFailureCaption, failure.c_str(),
                                        vqm::platform::kMessageBoxIconError);
        },
        nullptr, 0);
  }
  return result;
}
