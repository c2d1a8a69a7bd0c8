#include "output_place.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "base/lock_rule.h"
#include "base/settings.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace vqm::replay {
namespace {

bool EndsWithCsv(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".csv";
}

}  // namespace

void ClearLibraryEnvironment() {
#if !defined(_WIN32)
  unsetenv("VQM_HOST_DIR");
  unsetenv("VQM_DRIVE_ROOT");
#endif
}

OutputPlace ChooseOutputPlace(const std::string& out, const std::string& barFile) {
  OutputPlace p;
  const bool ownFile = !barFile.empty() && barFile != "-";
  const std::string stem = !ownFile ? (barFile.empty() ? "sample" : "stdin") : fs::path(barFile).stem().string();
  if (EndsWithCsv(out)) {
    p.csv = out;
    const fs::path parent = fs::path(out).parent_path();
    p.directory = parent.empty() ? "." : parent.string();
    p.svg = out.substr(0, out.size() - 4) + ".svg";
  } else {
    p.directory = !out.empty() ? out
                  : ownFile    ? (fs::path(barFile).parent_path() / (stem + ".replay")).string()
                               : stem + ".replay";
    p.csv = (fs::path(p.directory) / "replay.csv").string();
    p.svg = (fs::path(p.directory) / "replay.svg").string();
  }
#if !defined(_WIN32)
  p.libraryDirectory = (fs::path(p.directory) / "library").string();
#endif
  return p;
}

bool PrepareOutputPlace(const OutputPlace& p, bool log, std::string* why) {
  std::error_code ec;
#if !defined(_WIN32)
  // The library's host folder: its settings file here, its bar exports in ../CSV (the output
  // directory's CSV folder); its drive C: under drives/.
  const std::string absolute = fs::absolute(p.directory, ec).lexically_normal().string();
  const std::string host = fs::absolute(p.libraryDirectory, ec).lexically_normal().string();
  // The library keeps its host folder in a buffer of kBaseDirCapacity characters: a longer
  // one would be cut short and the files would land elsewhere.
  if (host.size() > static_cast<size_t>(kBaseDirCapacity) - 20) {
    *why = "the output directory's path is too long for the library (at most " +
           std::to_string(kBaseDirCapacity - 28) + " characters): " + absolute;
    return false;
  }
  fs::create_directories(p.libraryDirectory, ec);
  setenv("VQM_HOST_DIR", host.c_str(), 1);
  setenv("VQM_DRIVE_ROOT", (fs::path(absolute) / "drives").string().c_str(), 1);
#endif
  fs::create_directories(p.directory, ec);
  if (ec || !fs::is_directory(p.directory)) {
    *why = "cannot create the output directory " + p.directory + (ec ? " (" + ec.message() + ")" : "");
    return false;
  }
  // With --log, the run's log starts afresh instead of growing across runs. The settings
  // functions are the library's own, linked in: they run under its lock, as in an export.
  ExportLock lock;
  if (WriteIniString("RELEASE", "WriteLog", log ? "YES" : "NO", nullptr) == 0 ||
      WriteIniString("SYS", "LogFileAppend", log ? "NO" : "YES", nullptr) == 0) {
    char ini[1000] = {};
    GetIniPath(ini);
    *why = "cannot write the library's settings file " + platform::NativePath(ini);
    return false;
  }
  return true;
}

std::string LibraryLogPath() {
  const time_t now = time(nullptr);
  const tm* t = localtime(&now);
  char path[128];
  snprintf(path, sizeof path, "C:/Database/VOVOD/logs/%04d%02d%02d/VQM_F1.log", t->tm_year + 1900,
           t->tm_mon + 1, t->tm_mday);
  return platform::NativePath(path);
}

}  // namespace vqm::replay
