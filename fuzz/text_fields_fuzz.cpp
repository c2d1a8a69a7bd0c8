// The text field operations and the field extraction into text strings, on any text, any
// separator and any field numbers, with output buffers of exactly the size passed.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dataio/get_field.h"
#include "datetime/text_fields.h"
#include "harness/arguments.h"
#include "harness/sandbox.h"

namespace {

// Field numbers around the ones the operations treat specially.
int FieldNumber(vqm::fuzz::Arguments& a) {
  static const int kSpecial[] = {0, 1, -1, 99, -99, 98, 100, 998, 999, 1000, 10000};
  switch (a.Choose(3)) {
    case 0: return kSpecial[a.Choose(sizeof kSpecial / sizeof kSpecial[0])];
    case 1: return a.Int();
    default: return a.Small(-8, 8);
  }
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vqm::fuzz::SetUpSandbox();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  vqm::fuzz::Arguments a(provider);
  static const char kSeparators[] = {' ', ',', '\t', '/', ':', ';', '.', '\0'};
  const char sep = a.Flag() ? kSeparators[a.Choose(sizeof kSeparators)]
                            : static_cast<char>(provider.ConsumeIntegral<uint8_t>());
  const int from = FieldNumber(a);
  const int to = FieldNumber(a);
  const int outSize = a.Choose(4) == 0 ? a.Small(-2, 2) : a.Small(0, 12000);
  const vqm::fuzz::Text word = a.NullableText({"", "a", " ", "ABC"});
  const vqm::fuzz::Text text = a.NullableText({"", " ", "1/2/3", "1/2/", "  a  b  ", ",,,"});

  const int count = vqm::CountFields(text.get(), sep);
  if (count < 0) abort();

  auto out = vqm::fuzz::Buffer(outSize > 0 ? static_cast<size_t>(outSize) : 0);
  const int copied = vqm::GetFields(text.get(), sep, from, to, out.get(), outSize);
  if (out != nullptr) {
    // Always terminated; the result is the length held, or a failure with the empty text.
    if (copied >= outSize || (copied >= 0 && strlen(out.get()) != static_cast<size_t>(copied)))
      abort();
    if (copied < 0 && out[0] != 0) abort();
  }
  vqm::GetFieldInt(text.get(), sep, from);

  vqm::CTxt field;
  const int stored = vqm::GetField(text.get(), sep, from, to, field);
  if (stored >= 0 && stored != field.GetLength()) abort();
  if (stored < 0 && !field.IsEmpty()) abort();

  if (text.get() != nullptr) {
    vqm::fuzz::Text trimmed(std::string(text.get()));
    const int length = vqm::TrimBlanks(trimmed.get());
    if (static_cast<size_t>(length) != strlen(trimmed.get())) abort();
    if (length > 0 && (IsBlankOrTab(trimmed.get()[0]) || IsBlankOrTab(trimmed.get()[length - 1])))
      abort();
  }

  const int found = vqm::FindNoCase(text.get(), word.get());
  if (found >= 0) {
    const size_t n = strlen(word.get());
    if (strlen(text.get()) < found + n) abort();
    for (size_t i = 0; i < n; ++i)
      if (toupper(static_cast<unsigned char>(text.get()[found + i])) !=
          toupper(static_cast<unsigned char>(word.get()[i])))
        abort();
  }
  const int at = vqm::CharIndex(sep, text.get());
  if (at >= 0 && text.get()[at] != sep) abort();
  vqm::LeadingNumber(text.get());
  return 0;
}
