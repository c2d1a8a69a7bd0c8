// The benchmark program's entry. Files go under a drive root beside the program unless
// VQM_DRIVE_ROOT says otherwise; the log is opened and closed at once, so the indicator
// figures measure the work of a call, not the disk (the log writer has its own benchmark).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "base/log.h"

int main(int argc, char** argv) {
  if (getenv("VQM_DRIVE_ROOT") == nullptr) {
    std::string exe = argv[0];
    const size_t slash = exe.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : exe.substr(0, slash);
    setenv("VQM_DRIVE_ROOT", (dir + "/drives").c_str(), 1);
  }
  vqm::LOGTRACE("*CLOSE", 0, "bench");  // opens the log (first call), then closes it
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
