// The speech-alert entry behind VQM_Speak: COM is started on the calling thread the first
// time it is needed and the command is answered with a status code. No audio is produced.
//
// REQUIRES: callers hold the library-wide lock.
#pragma once

#include <cstdint>
#include <string>

#include "base/lock_rule.h"

namespace vqm {

struct CSpeechState {
  int32_t lastResult = 0;  // HRESULT of the last COM start-up attempt
  int32_t ready = 0;       // 1 once COM has started; stays 1
};

// The process-wide speech state (defined with the other process-wide objects).
extern CSpeechState SpeechState VQM_GUARDED_BY(kLibraryLock);

// The caption of the box that reports a COM start-up failure.
constexpr const char* kSpeechFailureCaption = "Voice Initializeion Failure";

// Answers one command. A COM start-up failure returns -1 with the text for the user in
// *failure (left empty otherwise); the next call tries again.
int Speak(const char* command, const char* text, std::string* failure) VQM_REQUIRES_LIBRARY_LOCK;

}  // namespace vqm
