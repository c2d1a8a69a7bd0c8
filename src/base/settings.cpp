#include "base/settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/lock_rule.h"
#include "base/text.h"
#include "platform/platform.h"

namespace vqm {
namespace {

bool EndsWithNoCase(const std::string& s, const char* tail) {
  const size_t n = strlen(tail);
  return s.size() >= n && StrCompareNoCase(s.c_str() + s.size() - n, tail, 1) == 0;
}

// The parts of a path the way Windows splits it: "X:", "\dir\", "name", ".ext".
struct SplitPath {
  std::string drive, dir, name, ext;
};

SplitPath Split(const std::string& path) {
  SplitPath p;
  size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':') {
    p.drive = path.substr(0, 2);
    pos = 2;
  }
  const size_t slash = path.find_last_of("/\\");
  if (slash != std::string::npos && slash >= pos) {
    p.dir = path.substr(pos, slash + 1 - pos);
    pos = slash + 1;
  }
  const std::string file = path.substr(pos);
  const size_t dot = file.find_last_of('.');
  p.name = dot == std::string::npos ? file : file.substr(0, dot);
  p.ext = dot == std::string::npos ? std::string() : file.substr(dot);
  return p;
}

std::string HostExecutablePath() {
  std::string path = platform::ExecutablePath();
  if (path.size() > static_cast<size_t>(kBaseDirCapacity)) path.resize(kBaseDirCapacity);
  return path;
}

}  // namespace

void ClearPathCaches() {
  ExportLock lock;
  g_PathCaches.baseDir[0] = 0;
  g_PathCaches.iniPath[0] = 0;
}

int GetBaseDir(char* out) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (g_PathCaches.baseDir[0] == 0) {
    SplitPath p = Split(HostExecutablePath());
    // Lower case only where the file system ignores case: elsewhere it would name
    // another directory.
    if (platform::FileNamesIgnoreCase())
      for (char& c : p.dir)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (EndsWithNoCase(p.dir, "\\debug\\")) p.dir.resize(p.dir.size() - 7);
    if (EndsWithNoCase(p.dir, "\\release\\")) p.dir.resize(p.dir.size() - 9);
    if (!p.dir.empty() && (p.dir.back() == '\\' || p.dir.back() == '/')) p.dir.pop_back();
    CopyBounded(g_PathCaches.baseDir, sizeof g_PathCaches.baseDir, (p.drive + p.dir).c_str());
  }
  return CopyBounded(out, sizeof g_PathCaches.baseDir, g_PathCaches.baseDir);
}

int GetIniPath(char* out) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  if (g_PathCaches.iniPath[0] == 0) {
    std::string name = Split(HostExecutablePath()).name;
    if (EndsWithNoCase(name, "Debug")) name.resize(name.size() - 5);
    if (EndsWithNoCase(name, "Release")) name.resize(name.size() - 7);
    char base[kBaseDirCapacity + 1];
    GetBaseDir(base);
    std::string path = std::string(base) + "/" + name + ".ini";
    for (char& c : path)
      if (c == '\\') c = '/';
    CopyBounded(g_PathCaches.iniPath, sizeof g_PathCaches.iniPath, path.c_str());
  }
  return CopyBounded(out, sizeof g_PathCaches.iniPath, g_PathCaches.iniPath);
}

int ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  char iniPath[kIniPathCapacity + 1];
  if (file == nullptr) {
    GetIniPath(iniPath);
    file = iniPath;
  }
  return platform::ProfileRead(section, key, defaultValue, buffer, size, file);
}

int WriteIniString(const char* section, const char* key, const char* value, const char* file) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  char iniPath[kIniPathCapacity + 1];
  if (file == nullptr) {
    GetIniPath(iniPath);
    file = iniPath;
  }
  return platform::ProfileWrite(section, key, value, file);
}

int GetIniYesNo(const char* section, const char* key, int defaultYes, const char* file) {
  VQM_ASSERT_LIBRARY_LOCK_HELD();
  char buffer[100];
  const int found = ReadIniString(section, key, "", buffer, sizeof buffer, file);
  ReadIniString(section, key, defaultYes ? "YES" : "NO", buffer, sizeof buffer, file);
  const int result = StrCompareNoCase(buffer, "YES", 1) == 0 ? 1 : 0;
  const char* normalised = result ? "YES" : "NO";
  if (found == 0 || StrCompareNoCase(normalised, buffer, 1) != 0)
    WriteIniString(section, key, normalised, file);
  return result;
}

}  // namespace vqm
