// Real-time quotes and multipliers published for other programs under "C:/Database/RTPM":
// a one-line quote file per symbol, or (symbol starting with "*") a key of the shared
// multiplier settings file.
#include <cctype>
#include <cstring>

#include "dataio/file_names.h"
#include "dataio/text_string.h"
#include "frame/exports.h"
#include "base/paths.h"
#include "base/settings.h"

namespace vqm {
namespace {

constexpr const char* kQuotePath = "C:/Database/RTPM/Quotes/%s.txt";
constexpr const char* kMultiplierFile = "C:/Database/RTPM/Multi.ini";

// A symbol names a file inside the quotes directory: separators, a drive colon or a
// parent step would put it somewhere else, and a device name (NUL, COM1) would send the
// quote to the device.
bool NamesAFileInside(const char* symbol) {
  return *symbol != 0 && strpbrk(symbol, "/\\:") == nullptr && strstr(symbol, "..") == nullptr &&
         !IsDeviceName(symbol);
}

// Symbols are short; the system's profile functions are not safe with long keys (Wine's
// faults on a key of 100 000 characters).
constexpr int kMaxKeyLength = 1000;

// A key may not carry what would change the settings file's structure.
bool IsSafeKey(const char* name) { return strpbrk(name, "=[]\r\n") == nullptr; }

int WriteQuote(const char* symbol, float value) {
  if (!NamesAFileInside(symbol)) return -1;
  CTxt path;
  path.Format(kQuotePath, symbol);
  MakeDirectoryPath(path.GetText(), 1);
  const int decimals = strlen(symbol) == 6 ? 5 : 4;
  CTxt line;
  line.Format("%.*fM\r\n", decimals, static_cast<double>(value));
  return line.WriteToFile(path.GetText(), 0);
}

int WriteMultiplier(const char* symbol, float value) VQM_REQUIRES_LIBRARY_LOCK {
  if (value == 1.0f) return 0;
  const char* start = symbol + 1;
  if (*start == '@') ++start;
  CTxt name(start);
  if (name.Trim(' ') == 0) return -1;
  if (!IsSafeKey(name.GetText())) return -1;
  const int decimals = name.GetLength() >= 6 ? 5 : 4;
  if (isdigit(static_cast<unsigned char>(name.CharAt(name.GetLength() - 1)))) name.CutAt(2);
  if (name.GetLength() > kMaxKeyLength) return -1;
  CTxt text;
  text.Format("%.*f", decimals, static_cast<double>(value));
  WriteIniString("Multiplier", name.GetText(), text.GetText(), kMultiplierFile);
  return 0;
}

}  // namespace
}  // namespace vqm

// Quote: bytes written once the new file is complete and has replaced the old one in one
// step, or -1 when it cannot be written (the old file stays) or the symbol would name a file
// outside the quotes directory or a device. Multiplier: 0, or -1 for an empty or unsafe name (one
// with "=", "[", "]" or a line end, or longer than 1000 characters).
// A null symbol writes nothing and returns -1.
VQM_EXPORT int VQM_RTPM(const char* symbol, float value) {
  return vqm::ExportFrame(-1, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (symbol == nullptr) return -1;
    return symbol[0] == '*' ? vqm::WriteMultiplier(symbol, value) : vqm::WriteQuote(symbol, value);
  });
}
