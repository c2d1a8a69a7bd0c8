// The thin exports' floors behind a call, with the exports' own parameters: what no export
// of that interface can do in less time, since each must at least be called, read its
// values where the caller keeps them, do the floor's arithmetic and write its results back.
// Defined in their own file, so that the benchmark's loop calls them as it calls the
// exports (neither is inlined into it).
#pragma once

namespace vqm::bench {

int CalledPrcNormFloor(float factor, int* v1, int* v2, int* v3, int* v4, int* v5);

// Keeps its bars in room reserved for `capacity` (CalledFindGemAddStart) and returns their
// count, as the export does.
void CalledFindGemAddStart(int capacity);
int CalledFindGemAddFloor(int notUsed, const char* symbol, int date, int time, int divisor,
                          int* open, int* high, int* low, int* close, int* volume, int mode);

}  // namespace vqm::bench
