// A DateTime as one number for the indicators' ordering tests: its six fields, year first,
// each in a byte of its own, so the numbers order as a field-by-field comparison does.
#pragma once

#include <cstdint>

#include "datetime/date_time.h"

namespace vqm {

inline uint64_t ChronologicalKey(const DateTime& t) {
  return uint64_t{t.year} << 40 | uint64_t{t.month} << 32 | uint64_t{t.day} << 24 |
         uint64_t{t.hour} << 16 | uint64_t{t.minute} << 8 | t.second;
}

}  // namespace vqm
