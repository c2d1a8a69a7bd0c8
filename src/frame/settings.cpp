#include "frame/settings.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace vqm {
namespace {

char g_baseDir[kBaseDirCapacity + 1];
char g_iniPath[kIniPathCapacity + 1];

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

int CopyBounded(char* out, int capacity, const char* text) {
  if (out == nullptr || capacity <= 0) return 0;
  int n = 0;
  if (text != nullptr)
    while (n < capacity - 1 && text[n] != 0) {
      out[n] = text[n];
      ++n;
    }
  out[n] = 0;
  return n;
}

void ClearPathCaches() {
  g_baseDir[0] = 0;
  g_iniPath[0] = 0;
}

int GetBaseDir(char* out) {
  if (g_baseDir[0] == 0) {
    SplitPath p = Split(HostExecutablePath());
    // Lower case only where the file system ignores case: elsewhere it would name
    // another directory.
    if (platform::FileNamesIgnoreCase())
      for (char& c : p.dir)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (EndsWithNoCase(p.dir, "\\debug\\")) p.dir.resize(p.dir.size() - 7);
    if (EndsWithNoCase(p.dir, "\\release\\")) p.dir.resize(p.dir.size() - 9);
    if (!p.dir.empty() && (p.dir.back() == '\\' || p.dir.back() == '/')) p.dir.pop_back();
    CopyBounded(g_baseDir, sizeof g_baseDir, (p.drive + p.dir).c_str());
  }
  return CopyBounded(out, sizeof g_baseDir, g_baseDir);
}

int GetIniPath(char* out) {
  if (g_iniPath[0] == 0) {
    std::string name = Split(HostExecutablePath()).name;
    if (EndsWithNoCase(name, "Debug")) name.resize(name.size() - 5);
    if (EndsWithNoCase(name, "Release")) name.resize(name.size() - 7);
    char base[kBaseDirCapacity + 1];
    GetBaseDir(base);
    std::string path = std::string(base) + "/" + name + ".ini";
    for (char& c : path)
      if (c == '\\') c = '/';
    CopyBounded(g_iniPath, sizeof g_iniPath, path.c_str());
  }
  return CopyBounded(out, sizeof g_iniPath, g_iniPath);
}

int ReadIniString(const char* section, const char* key, const char* defaultValue, char* buffer,
                  int size, const char* file) {
  char iniPath[kIniPathCapacity + 1];
  if (file == nullptr) {
    GetIniPath(iniPath);
    file = iniPath;
  }
  return platform::ProfileRead(section, key, defaultValue, buffer, size, file);
}

int WriteIniString(const char* section, const char* key, const char* value, const char* file) {
  char iniPath[kIniPathCapacity + 1];
  if (file == nullptr) {
    GetIniPath(iniPath);
    file = iniPath;
  }
  return platform::ProfileWrite(section, key, value, file);
}

int GetIniYesNo(const char* section, const char* key, int defaultYes, const char* file) {
  char buffer[100];
  const int found = ReadIniString(section, key, "", buffer, sizeof buffer, file);
  ReadIniString(section, key, defaultYes ? "YES" : "NO", buffer, sizeof buffer, file);
  const int result = StrCompareNoCase(buffer, "YES", 1) == 0 ? 1 : 0;
  const char* normalised = result ? "YES" : "NO";
  if (found == 0 || StrCompareNoCase(normalised, buffer, 1) != 0)
    WriteIniString(section, key, normalised, file);
  return result;
}

int StrCompareNoCase(const char* a, const char* b, int mode) {
  if (a == nullptr || b == nullptr) return 3;
  if (*a == 0 && *b == 0) return 0;
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (toupper(static_cast<unsigned char>(*a)) != toupper(static_cast<unsigned char>(*b)))
      return 1;
  if (mode == 1) return (*a == 0 && *b == 0) ? 0 : 2;
  if (mode == 2) return *a != 0 ? 2 : 0;
  return 0;
}

void NormalizeSlashes(char* path) {
  if (path == nullptr) return;
  size_t n = 0;
  for (; path[n] != 0; ++n)
    if (path[n] == '\\') path[n] = '/';
  while (n > 0 && path[n - 1] == '/') path[--n] = 0;
}

int MakeDirectoryPath(const char* path, int lastIsFile) {
  if (path == nullptr) return -1;
  char work[1001] = {0};
  int result = 0;
  for (int i = 0; i < 1000 && path[i] != 0; ++i) {
    const char c = path[i];
    if (c == '/' || c == '\\') {
      if (i > 0) {
        const platform::MakeDirResult r = platform::MakeDirectory(work);
        result = r == platform::MakeDirResult::kFailed ? -1 : 0;
      }
      work[i] = '/';
    } else {
      work[i] = c;
    }
  }
  if (lastIsFile) return result;
  return platform::MakeDirectory(work) == platform::MakeDirResult::kFailed ? -1 : 0;
}

}  // namespace vqm
