// How internal operations report success, in one place.
//
// - An operation that can fail returns int: 0 or more is success (the count or index it
//   produced, where it produces one), a negative value is failure; -1 unless callers must
//   tell failures apart, then each negative value is listed in its comment.
// - A question (is it there, does it match, did the stream end) returns bool.
// - A float computation that can fail returns kRareAvgError (1000000000.0) or leaves its
//   output untouched, as its comment says.
// - Results whose form comes from outside the library keep that form and say so: the
//   exports' codes, the Windows-style settings calls (non-zero on success), the line
//   reader's Open (1 opened, 0 cannot open, -2 no buffer) and StrCompareNoCase's modes.
// Exceptions (base/exceptions.h) never leave an export; they are for failures deep inside a
// computation that its export's guard turns into the export's code.
#pragma once
