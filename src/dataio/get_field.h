// Extraction of delimited fields into a text string.
#pragma once

#include "dataio/text_string.h"

namespace vqm {

// Stores fields first..last of text (split at delim, counted from 1) in out and returns the
// length stored (at most 9999 characters), or a negative value with out empty when the
// field numbers do not fit the text.
int GetField(const char* text, char delim, int first, int last, CTxt& out);

}  // namespace vqm
