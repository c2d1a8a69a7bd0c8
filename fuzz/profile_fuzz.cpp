// The settings-file reader and writer over a fuzzed file, with fuzzed sections, keys,
// values, defaults and buffer sizes. A value written under a plain section and key reads
// back as written, and the other keys keep their values.
#include <fuzzer/FuzzedDataProvider.h>
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "harness/arguments.h"
#include "harness/sandbox.h"
#include "platform/platform.h"

namespace {

constexpr const char* kFile = "C:/Fuzz/settings.ini";

std::string Trimmed(const char* text) {
  std::string s = text;
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A name the file's structure can hold: no line breaks, no "=" or brackets, not blank.
bool IsPlainName(const char* text) {
  return text != nullptr && strpbrk(text, "[]=\r\n") == nullptr && !Trimmed(text).empty();
}

// A value that reads back as written: one line, and no quotes around it to be dropped.
bool IsPlainValue(const char* text) {
  if (text == nullptr || strpbrk(text, "\r\n") != nullptr) return false;
  const std::string t = Trimmed(text);
  return t.size() < 2 || !((t.front() == '"' || t.front() == '\'') && t.back() == t.front());
}

std::string Read(const char* section, const char* key, const char* def, int size) {
  auto buffer = vqm::fuzz::Buffer(size > 0 ? static_cast<size_t>(size) : 0);
  const int n = vqm::platform::ProfileRead(section, key, def, buffer.get(), size, kFile);
  if (size <= 0) return std::string();
  if (n < 0 || n >= size || buffer[n] != 0) abort();
  return std::string(buffer.get(), static_cast<size_t>(n));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  vqm::fuzz::Arguments a(provider);
  const vqm::fuzz::Text section = a.NullableText({"SYS", "RELEASE", " sys ", "Multiplier"});
  const vqm::fuzz::Text key = a.NullableText({"WriteLog", "writelog", "LogShowTime", " k "});
  const vqm::fuzz::Text value = a.NullableText({"YES", "NO", " x ", "\"q\"", "a=b"});
  const vqm::fuzz::Text def = a.NullableText({"", "YES ", "default"});
  const vqm::fuzz::Text other = a.NullableText({"WriteLog", "LogFileAppend"});
  const int bufferSize = a.Choose(4) == 0 ? a.Small(-1, 2) : a.Small(3, 5000);
  const bool fileExists = a.Choose(8) != 0;
  const std::string content = provider.ConsumeRemainingBytesAsString();
  if (fileExists) {
    vqm::fuzz::WriteLibraryFile(kFile, reinterpret_cast<const uint8_t*>(content.data()),
                                content.size());
  } else {
    vqm::fuzz::ClearSandbox();
  }

  Read(section.get(), key.get(), def.get(), bufferSize);
  const bool plain = IsPlainName(section.get()) && IsPlainName(key.get()) &&
                     IsPlainValue(value.get()) && IsPlainName(other.get());
  // The other key's value before the write, read with room for any value.
  const std::string before = plain ? Read(section.get(), other.get(), "?none", 200000) : "";
  const int written =
      vqm::platform::ProfileWrite(section.get(), key.get(), value.get(), kFile);
  if (!plain || written == 0) return 0;
  if (Read(section.get(), key.get(), "?none", 200000) != Trimmed(value.get())) abort();
  if (strcasecmp(Trimmed(key.get()).c_str(), Trimmed(other.get()).c_str()) != 0 &&
      Read(section.get(), other.get(), "?none", 200000) != before)
    abort();
  return 0;
}
