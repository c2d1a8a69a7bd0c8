// printf-style formatting for the log lines and the bar rows without the C library's
// formatter, which costs more than the rest of a log line together. The text is the bytes the
// C library's vsnprintf would give: the conversions handled here are those whose bytes a
// correctly rounded formatter reproduces (std::to_chars; glibc and MinGW's ANSI stdio both
// round correctly, half to even). Anything else goes to vsnprintf for the whole text.
//
// Handled: %d %i (int, or long long with ll), %X %x (unsigned, or unsigned long long with
// ll), %c, %s (not null), %f (finite, precision up to 40), %%; the flags '-' and '0'; a
// width and a precision written as digits (a precision only on %s and %f).
#pragma once

#include <cstdarg>
#include <cstddef>

namespace vqm {

// As vsnprintf: writes at most capacity - 1 characters and a terminating zero (nothing when
// capacity is 0) and returns the length of the whole text, or a negative value on an
// encoding error of the C library. args is used up, as by vsnprintf.
int FormatPrintf(char* out, size_t capacity, const char* format, va_list args);

// The same as snprintf.
int PrintfInto(char* out, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace vqm
