#include "dataio/line_list.h"

#include <memory>
#include <new>

#include "dataio/line_reader.h"

namespace vqm {
namespace {

constexpr int kLineBufferSize = 100000;

// The one line reader of the process: it serves one file at a time.
LineReader& TheLineReader() {
  static LineReader reader;
  return reader;
}

}  // namespace

int LineList::Add(const char* text) {
  CTxt* line = new CTxt(text);
  const int index = lines_.Add(line);
  if (index < 0) delete line;
  return index;
}

const char* LineList::TextAt(int index) const {
  const CTxt* line = At(index);
  return line == nullptr ? nullptr : line->GetText();
}

int LineList::SetAt(int index, const char* text) {
  if (index < 0) return -1;
  if (CTxt* line = At(index)) {
    line->Set(text);
    return 0;
  }
  CTxt* line = new CTxt(text);
  if (lines_.SetAtGrow(index, line) < 0) {
    delete line;
    return -1;
  }
  return 0;
}

void LineList::Clear() {
  for (int i = 0; i < lines_.GetSize(); ++i) delete lines_.GetAt(i);
  lines_.RemoveAll();
}

int LineList::Load(const char* path, CTxt& error, int limit) {
  LineReader& reader = TheLineReader();
  const int opened = reader.Open(path);
  if (opened == 0) {
    error.Format("Cannot open %s (%s)", path ? path : "", ErrorText(reader.OpenError()));
    return -1;
  }
  if (limit >= 0) Clear();
  std::unique_ptr<char[]> buffer(new char[kLineBufferSize + 1]);
  while (limit <= 0 || GetSize() < limit) {
    const int n = reader.ReadLine(buffer.get(), kLineBufferSize);
    if (n < 0) break;
    if (Add(buffer.get()) < 0) break;
  }
  reader.Close();
  return GetSize();
}

}  // namespace vqm
