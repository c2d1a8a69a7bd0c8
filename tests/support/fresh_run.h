// Every run of the test program starts from empty drive and host folders, so nothing a run
// writes (logs, settings, bar files) is seen by, or piles up for, the next one.
#pragma once

namespace vqm::test {

// POSIX: points $VQM_DRIVE_ROOT and $VQM_HOST_DIR at new folders under $TMPDIR, removed at
// exit. Under Wine (VQM_TEST_PLATFORM=wine, a prefix of the test run's own) the folders the
// tests write on C: are emptied instead. Elsewhere it touches nothing.
// REQUIRES: called first in main, before any library code runs.
void StartFreshRun();

}  // namespace vqm::test
