// An ordered list of owned text strings, entry i being line i of the loaded file. The
// list deletes its strings when it is cleared or destroyed.
#pragma once

#include "containers/ptr_array.h"
#include "dataio/text_string.h"

namespace vqm {

class LineList {
 public:
  LineList() = default;
  ~LineList() { Clear(); }
  LineList(const LineList&) = delete;
  LineList& operator=(const LineList&) = delete;

  int GetSize() const { return lines_.GetSize(); }
  // Index of the new line (null adds an empty string), or -1 when memory runs out.
  int Add(const char* text);
  // The string at index, or null when the index is out of range or the slot is empty.
  CTxt* At(int index) const { return lines_.GetAtOrNull(index); }
  const char* TextAt(int index) const;
  // -1 for a negative index; otherwise replaces or creates the string at index, growing.
  int SetAt(int index, const char* text);
  void Clear();

  // Loads the file's lines: a limit of 0 or more clears the list first (a negative limit
  // appends), a positive limit stops at that many lines. Lines longer than 99999 bytes are
  // cut. Returns the number of lines held, or -1 with "Cannot open %s (%s)" in error.
  int Load(const char* path, CTxt& error, int limit);

 private:
  CTypedPtrArray<SPtrArray, CTxt*> lines_;
};

}  // namespace vqm
