# Turns a text file into a C++ source defining vqm::replay::kSampleBars and its size.
# Usage: cmake -DIN=<file> -DOUT=<file.cpp> -P embed_text.cmake
file(READ "${IN}" content)
file(WRITE "${OUT}" "// Generated from ${IN}; do not edit.\n#include <cstddef>\n\nnamespace vqm::replay {\n\nextern const char kSampleBars[];\nextern const size_t kSampleBarsSize;\nconst char kSampleBars[] = R\"VQMSAMPLE(${content})VQMSAMPLE\";\nconst size_t kSampleBarsSize = sizeof kSampleBars - 1;\n\n}  // namespace vqm::replay\n")
