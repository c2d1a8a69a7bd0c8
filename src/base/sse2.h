// SSE2, which every x86-64 processor has. Where it is there, VQM_SSE2 is defined and values
// that each go through the same operations are taken four to a vector, one to a lane: each
// lane does its value's operations, so the bits are those of one value at a time.
#pragma once

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VQM_SSE2 1
#endif
