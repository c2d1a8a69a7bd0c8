// The log writer's lines per second against a raw write() of the same bytes to a file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "base/log.h"
#include "base/log_state.h"
#include "base/paths.h"
#include "platform/platform.h"

namespace {

const std::string kDir = "C:/vqmbench/log";

std::string LogLine() {
  return "FindGem         |14:03:07.218a|Add Max=1234 Idx=1233\r\n";
}

void BM_LogWriterLine(benchmark::State& state) {
  vqm::MakeDirectoryPath(kDir.c_str(), 0);
  const std::string path = kDir + "/writer.log";
  vqm::LOGTRACE("*CLOSE", 0, "-");
  vqm::TheLogState().firstCall = 1;  // the settings file is not this benchmark's business
  vqm::LOGTRACE("*OPENLOG", 1, "%s", path.c_str());
  int i = 0;
  for (auto _ : state) {
    vqm::LOGTRACE("FindGem", 1, "Add Max=%4d Idx=%4d", 1234, 1233);
    ++i;
  }
  vqm::LOGTRACE("*CLOSE", 0, "-");
  state.SetItemsProcessed(i);
}

void BM_RawWriteLine(benchmark::State& state) {
  vqm::MakeDirectoryPath(kDir.c_str(), 0);
  const std::string path = vqm::platform::NativePath((kDir + "/raw.log").c_str());
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const std::string line = LogLine();
  int i = 0;
  for (auto _ : state) {
    if (write(fd, line.data(), line.size()) < 0) state.SkipWithError("write failed");
    ++i;
  }
  close(fd);
  state.SetItemsProcessed(i);
}

BENCHMARK(BM_RawWriteLine);
BENCHMARK(BM_LogWriterLine);

}  // namespace
