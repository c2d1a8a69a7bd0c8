// Text field operations: a field is a stretch of text between separator characters. The
// date-time parser splits its words and numbers with them, and the file readers their lines.
//
// Texts are zero-terminated 8-bit texts; a null text reads as the empty text. "Blank" means
// the space character. Stateless and allocation-free.
#pragma once

namespace vqm {

// GetFields sees at most this many separators: the one after them ends the text.
constexpr int kMaxFieldSeparators = 998;

// Number of fields. Leading blanks are ignored, and trailing blanks too unless sep is a blank;
// a run of blanks separates once when sep is a blank. A trailing separator ends the last
// field rather than start an empty one: "1/2/3" has 3 "/"-fields, "1/2/" 2, "" and "  " 0.
int CountFields(const char* text, char sep);

// Copies fields from..to (to 0: just from) into out, at most size - 1 characters, always
// terminated, without the separator that follows the last field; returns the length copied.
// Fields count from 1, or from the end when negative (-1 the last); from 0 starts like 1
// (from 0 and to 0 give the empty text). With fewer than 99 fields, from 99 means the last
// field and -99 the first. to is clipped to the number of fields. With a blank separator,
// leading blanks are skipped and only the last blank of a run separates (the others stay at
// the end of the field before it). Returns -1 when from comes after to (or out is null or
// size <= 0), -2 when the text has no field from; out is then empty.
int GetFields(const char* text, char sep, int from, int to, char* out, int size);

// Field k (GetFields numbering) read by its leading number; 0 when there is no such field.
int GetFieldInt(const char* text, char sep, int k);

// Removes leading and trailing blanks and tabs in place; returns the new length.
int TrimBlanks(char* text);

// Index of the first occurrence of word in text ignoring case, or -1. An empty word is
// found at 0; a null text or word is never found.
int FindNoCase(const char* text, const char* word);

// Index of the first ch in text, or -1 (also for ch 0, which is no character of a text).
int CharIndex(char ch, const char* text);

// The leading number of a text the way the C library's strtol reads it in base 10 (blanks
// skipped, an optional sign, digits; 0 when there is none), with a 32-bit long: values beyond
// the int range clamp to INT_MAX or INT_MIN on every platform.
int LeadingNumber(const char* text);

}  // namespace vqm
