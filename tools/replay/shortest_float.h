// A float as text in the shortest form that reads back exactly: the bytes std::to_chars
// writes for it, written several times faster for the magnitudes a replay's outputs take.
// libstdc++ spends about 400 instructions on each float; with a dozen floats per row that was
// most of the replay CSV's cost. From 2^-20 to just under 2^24 (and zero) the digits are found
// here with exact arithmetic: the usual numbers (whole ones below 10^5, and those with a
// fraction from 2^-9 up) by rounding to six, seven, eight and nine digits in doubles and
// written plainly in one pass; every other float is left to std::to_chars.
#pragma once

namespace vqm::replay {

// Room the writer needs at p: a float's text is 15 characters at most, but it writes in
// blocks that may reach further.
constexpr int kShortestFloatRoom = 48;

// Writes the text at p (room for kShortestFloatRoom characters) and returns its end.
char* WriteShortest(char* p, float value);

}  // namespace vqm::replay
