// Private-profile (INI) files without Windows: sections and keys compared ignoring case,
// blanks around keys and values trimmed, quotes around a value dropped, a missing file or
// key giving the default. A write creates the file, section or key and keeps every other
// line as it was; lines end in CR LF like the files Windows writes.
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/posix/profile_posix.h"

namespace vqm::platform {
namespace {

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

bool ReadLines(const char* file, std::vector<std::string>* lines) {
  FILE* f = Env::Default()->OpenFile(file, "rb");
  if (f == nullptr) return false;
  std::string line;
  int c;
  while ((c = fgetc(f)) != EOF) {
    if (c == '\n') {
      lines->push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) lines->push_back(line);
  fclose(f);
  return true;
}

// Section name when the line is a section header.
bool SectionOf(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  const size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

// Key and value when the line is a key=value pair.
bool PairOf(const std::string& line, std::string* key, std::string* value) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

int CopyOut(const std::string& value, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const int n = static_cast<int>(value.size()) < size - 1 ? static_cast<int>(value.size()) : size - 1;
  memcpy(buffer, value.data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

}  // namespace

namespace detail {

int PosixProfileRead(const char* section, const char* key, const char* defaultValue,
                     char* buffer, int size, const char* file) {
  std::string def = defaultValue ? defaultValue : "";
  while (!def.empty() && def.back() == ' ') def.pop_back();
  std::vector<std::string> lines;
  if (section == nullptr || key == nullptr || file == nullptr || !ReadLines(file, &lines))
    return CopyOut(def, buffer, size);
  const std::string wanted = Trim(key);
  bool inSection = false;
  for (const std::string& line : lines) {
    std::string name;
    if (SectionOf(line, &name)) {
      inSection = EqualNoCase(name, Trim(section).c_str());
      continue;
    }
    std::string k;
    std::string v;
    if (inSection && PairOf(line, &k, &v) && EqualNoCase(k, wanted.c_str()))
      return CopyOut(Unquote(v), buffer, size);
  }
  return CopyOut(def, buffer, size);
}

}  // namespace detail

namespace {

// The read-modify-write of a settings write. REQUIRES: the file's lock is held.
int WriteLocked(const char* section, const char* key, const char* value, const char* file) {
  std::vector<std::string> lines;
  ReadLines(file, &lines);
  const std::string sec = Trim(section);
  const std::string wanted = Trim(key);
  const std::string newLine = wanted + "=" + Trim(value ? value : "");

  bool sectionFound = false;
  size_t insertAt = lines.size();  // after the header or the section's last pair
  bool inSection = false;
  bool replaced = false;
  for (size_t i = 0; i < lines.size() && !replaced; ++i) {
    std::string name;
    if (SectionOf(lines[i], &name)) {
      if (inSection) break;
      inSection = EqualNoCase(name, sec.c_str());
      if (inSection) {
        sectionFound = true;
        insertAt = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    std::string k;
    std::string v;
    if (PairOf(lines[i], &k, &v)) {
      if (EqualNoCase(k, wanted.c_str())) {
        // The key keeps the spelling it was first written with.
        lines[i] = k + "=" + Trim(value ? value : "");
        replaced = true;
      }
      insertAt = i + 1;
    }
  }
  if (!replaced) {
    if (!sectionFound) {
      lines.push_back("[" + sec + "]");
      lines.push_back(newLine);
    } else {
      lines.insert(lines.begin() + static_cast<long>(insertAt), newLine);
    }
  }
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  // Replaced whole: a reader, or a process killed mid-write, never finds a cut file. The
  // replace goes through the current Env, so that a test can fail each of its steps.
  return ReplaceFileContents(file, content.data(), content.size()) == 0 ? 1 : 0;
}

}  // namespace

namespace detail {

int PosixProfileWrite(const char* section, const char* key, const char* value,
                      const char* file) {
  if (section == nullptr || key == nullptr || file == nullptr) return 0;
  // Several processes may write one file: each holds the lock from its read to its
  // replace, so no writer's key is lost to another's stale copy. The settings file itself is
  // replaced by every write, so the lock is taken on its folder, which leaves nothing behind.
  const std::string native = NativePath(file);
  const size_t slash = native.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  const int lockFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lockFd < 0) return 0;
  int result = 0;
  int locked;
  while ((locked = flock(lockFd, LOCK_EX)) != 0 && errno == EINTR) {
  }
  try {
    if (locked == 0) result = WriteLocked(section, key, value, file);
  } catch (...) {
    close(lockFd);  // a write that ran out of memory must not keep the folder locked
    throw;
  }
  close(lockFd);  // releases the lock
  return result;
}

}  // namespace detail
}  // namespace vqm::platform
