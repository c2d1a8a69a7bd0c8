#include "dataio/column_loader.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/paths.h"
#include "dataio/byte_scan.h"
#include "dataio/file_names.h"
#include "dataio/get_field.h"
#include "datetime/date_time.h"
#include "datetime/host_forms.h"
#include "frame/exports.h"
#include "base/log.h"

namespace vqm {
namespace {

constexpr const char* kDirectory = "C:/Database/LoadCol";
constexpr const char* kCategory = "LoadCol";

enum Slot { kDate = 0, kTime = 1, kBarNumber = 7, kColumn = 11, kValue = 12 };

void CopyError(char* errorText, const char* text) {
  if (errorText != nullptr) CopyBounded(errorText, kErrorTextCapacity, text);
}

// Two characters of a time text from position i, like "%-2.2s": blanks pad a short piece.
std::string Piece(const std::string& time, size_t i) {
  std::string p = i < time.size() ? time.substr(i, 2) : std::string();
  p.resize(2, ' ');
  return p;
}

// The date-time text of a line's first two fields.
std::string LineDateTimeText(const CTxt& date, const CTxt& time) {
  const std::string t = time.GetText();
  std::string text = std::string(date.GetText()) + " ";
  if (t.find(':') != std::string::npos) return text + t;  // HH:MM or HH:MM:SS as written
  if (t.size() > 4) return text + Piece(t, 0) + ":" + Piece(t, 2) + ":" + Piece(t, 4);
  return text + Piece(t, 0) + ":" + Piece(t, 2) + ":00";
}

// Index of the first line not earlier than the bar, or -1.
int FindStartLine(const ColumnLoaderState& s, const DateTime& bar) {
  CTxt date;
  CTxt time;
  for (int i = 0; i < s.lines.GetSize(); ++i) {
    const char* line = s.lines.TextAt(i);
    if (line == nullptr) continue;
    GetField(line, '\t', 1, 1, date);
    GetField(line, '\t', 2, 2, time);
    DateTime at;
    at.SetFromText(LineDateTimeText(date, time).c_str());
    if (!at.IsValid()) continue;
    if (at.Compare(bar, 6) < 0) continue;
    LOGTRACE(kCategory, 1, "Found Date=%04d-%02d-%02d %02d:%02d:%02d - Bar#%d", at.GetYear(),
             at.month, at.day, at.hour, at.minute, at.second, i + 1);
    return i;
  }
  return -1;
}

int RefuseName(const std::string& path, CTxt& error) {
  error.Format("Cannot open %s (%s)", path.c_str(), ErrorText(EINVAL));
  return -1;
}

// Loads the file named by the script; false (error text copied) when it holds no lines.
bool Load(ColumnLoaderState& s, const char* fileName, const DateTime& bar, int barNumber,
          int column, char* errorText) VQM_REQUIRES_LIBRARY_LOCK {
  s.lastFile = fileName;
  MakeDirectoryPath(kDirectory, 0);
  const std::string path = std::string(kDirectory) + "/" + fileName;
  CTxt error;
  // A name that leaves the folder (absolute, a drive, "..") or names a device is not opened.
  const int count = StaysInsideFolder(fileName)
                        ? s.lines.Load(path.c_str(), error, 0, &kCommasToTabs)
                        : RefuseName(path, error);
  if (count < 0) s.lines.Clear();  // never answer from another file's lines
  LOGTRACE(kCategory, 1,
           "Bar#%06d Date=%04d-%02d-%02d %02d:%02d:%02d Col=%d, Load new File %s (Max=%d, "
           "LastBar=%d) - Version 1.1",
           barNumber, bar.GetYear(), bar.month, bar.day, bar.hour, bar.minute, bar.second,
           column, path.c_str(), count, s.lastBar);
  s.loaded = count >= 1;
  if (!s.loaded) {
    CopyError(errorText, error.GetText());
    return false;
  }
  s.nextLine = -1;
  return true;
}

int LoadColumn(ColumnLoaderState& s, const char* fileName, ValueBlock* block, char* errorText,
               int& stage) VQM_REQUIRES_LIBRARY_LOCK {
  const int barNumber = ReadSlotInt(block, kBarNumber);
  const int column = ReadSlotInt(block, kColumn);
  DateTime bar;
  bar.SetDateTime(CalendarDateOfHostDate(ReadSlotInt(block, kDate)), ClockTimeOfHostTime(ReadSlotInt(block, kTime)));
  stage = 5;
  const bool reload = !s.loaded || StrCompareNoCase(fileName, s.lastFile.c_str(), 1) != 0 ||
                      s.lastBar < 1 || barNumber < s.lastBar;
  if (reload && !Load(s, fileName, bar, barNumber, column, errorText)) return -1;
  s.lastBar = barNumber;
  stage = 8;
  if (s.nextLine < 0) {
    s.nextLine = FindStartLine(s, bar);
    if (s.nextLine < 0) return -3;
  }
  const char* line = s.lines.TextAt(s.nextLine);
  ++s.nextLine;
  if (line == nullptr) return -4;
  CTxt field;
  GetField(line, '\t', column, column, field);
  WriteSlot(block, kValue, static_cast<float>(atof(field.GetText())));
  return s.nextLine;
}

}  // namespace

const LineList::Rewrite kCommasToTabs = {CommasToTabs, {',', '\t', '"'}};

int CommasToTabs(char* line, int length) {
  // Most lines hold no quote: their commas turn into TABs where they stand, in one pass.
  // From the piece that holds the first quote on, byte by byte; the bytes before it are
  // outside quotes.
  const size_t plain = ReplaceByteBeforeStop(line, static_cast<size_t>(length), ',', '\t', '"');
  bool quoted = false;
  int out = static_cast<int>(plain);
  for (int i = out; i < length; ++i) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    line[out++] = (!quoted && c == ',') ? '\t' : c;
  }
  return out;
}

}  // namespace vqm

// One column of an external CSV file, one line per call from the bar's date and time on.
// Returns the index of the line the next call reads; -1 the file cannot be loaded or holds
// no lines (reason in errorText); -3 no line at or after the bar; -4 past the end; -9 a null
// file name or value block.
VQM_EXPORT int VQM_LoadCol(const char* fileName, ValueBlock* block, char* errorText) {
  return vqm::ExportFrame(-9, [&]() VQM_REQUIRES_LIBRARY_LOCK {
    if (fileName == nullptr || block == nullptr) return -9;
    vqm::ColumnLoaderState& s = vqm::g_ColumnLoader;
    int stage = 2;
    int result = -9;
    const vqm::Caught caught = vqm::RunGuarded(
        [&]() VQM_REQUIRES_LIBRARY_LOCK {
          result = vqm::LoadColumn(s, fileName, block, errorText, stage);
        },
        nullptr, 0);
    if (caught == vqm::Caught::kNone) return result;
    if (caught == vqm::Caught::kOther) {
      char text[64];
      snprintf(text, sizeof text, "Internal Error occured (State=%d)", stage);
      vqm::CopyError(errorText, text);
    }
    return s.nextLine;
  });
}
