// Compiled, never run: the public header next to the library's own declarations. A function
// that the two declare with different arguments or result is a compile error.
#include "frame/exports.h"
#include <vqm/exports.h>
