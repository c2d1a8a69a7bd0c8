// The bundled sample chart (sample/sample_bars.csv), embedded in the program at build time.
#pragma once

#include <cstddef>

namespace vqm::replay {

extern const char kSampleBars[];
extern const size_t kSampleBarsSize;

}  // namespace vqm::replay
