// Where a run writes: the output directory holds the replay's CSV, its chart and every file
// the library writes during the run. The POSIX build of the library is pointed there through
// its environment (drive root and host folder, set before it is loaded); the Windows build
// keeps the program's folder and the C: drive, so there only the library's settings file
// beside the program is written, to switch its log off or on.
#pragma once

#include <string>

namespace vqm::replay {

struct OutputPlace {
  std::string directory;
  std::string csv;
  std::string svg;
  std::string libraryDirectory;  // the library's host folder ("" when the library keeps its own)
};

// Forgets where the environment points the library: the tool decides (and finds the library
// beside itself, not in a host folder the environment names).
void ClearLibraryEnvironment();

// From --out (empty: the default beside the bar file, or in the current directory for the
// sample and standard input) and the bar file's name.
OutputPlace ChooseOutputPlace(const std::string& out, const std::string& barFile);

// Creates the directories, points the library at them, and writes the settings file that
// switches the library's log on or off. False with the reason.
bool PrepareOutputPlace(const OutputPlace& place, bool log, std::string* why);

// The path of the library's log for today, as the library names it.
std::string LibraryLogPath();

}  // namespace vqm::replay
