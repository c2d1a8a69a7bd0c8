// A private directory for one fuzzing process, so that nothing the library writes lands
// outside it: drive paths ("C:/...") map under it, and the host executable is placed at
// "C:/Host/Program/Host.exe", which puts the settings file and the bar files there too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vqm::fuzz {

// Creates the directory ($TMPDIR/vqm-fuzz.XXXXXX) on the first call and points the library
// at it; the directory is removed when the process exits normally. Returns its native path.
const std::string& SetUpSandbox();

// Writes bytes to a library path, creating its directories; false when it cannot.
bool WriteLibraryFile(const std::string& path, const uint8_t* data, size_t size);

// Removes every file the calls left in the sandbox, so files do not pile up over a long
// run, and with directories true the directories too (they are cheap to keep, costly to
// make again after every input). The log file stays open in the library: it is cut to zero
// length instead, and its directories stay.
void ClearSandbox(bool directories = true);

// Sets the line reader's block-size variable from a selector: unset, a text that is no
// number, the sizes around the reader's minimum, a small block, or sizes no allocation
// can meet.
void SetBlockSizeVariable(int selector, int smallSize);

}  // namespace vqm::fuzz
