// CTxt: the library's owned, growable, zero-terminated text string, with the file
// operations the data-exchange functions share. Reading never yields a null pointer: an
// unset string reads as the empty text. File operations leave their error message
// ("Missing filename", "Cannot open '%s' (%s)") in the string itself.
#pragma once

#include <string>

namespace vqm {

class CTxt {
 public:
  CTxt() = default;
  explicit CTxt(const char* text) { Set(text); }

  const char* GetText() const { return text_.c_str(); }
  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }

  // Replaces the content; null sets the empty text.
  void Set(const char* text) { text_.assign(text ? text : ""); }
  void Set(const char* text, size_t length) { text_.assign(text, length); }
  void Append(const char* text) { text_.append(text ? text : ""); }
  // Replaces the content with printf output.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Writes the characters (without the terminator) in one write: mode 1 appends, anything
  // else replaces. Returns the bytes written, or -1 with the error message in the string.
  int WriteToFile(const char* path, int mode);
  // The whole file becomes the content. Non-negative on success, -1 with the message.
  int ReadFromFile(const char* path);

  // Removes every copy of c from the end, then from the start; returns the new length.
  int Trim(char c);
  // Keeps the first count characters when count is below the length.
  void CutAt(int count);
  // The character at index, or 0 outside the text.
  char CharAt(int index) const;

  // Direct access for in-place rewrites that keep the length or shorten the text.
  std::string& Raw() { return text_; }

 private:
  std::string text_;
};

// The standard message text for an error number, as strerror gives it.
const char* ErrorText(int errorNumber);

}  // namespace vqm
