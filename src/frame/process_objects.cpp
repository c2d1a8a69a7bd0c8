// The process-wide objects, defined here in one translation unit so that they are built
// at load in this order and destroyed at unload in the reverse order:
//   1. g_BSPMgr          buy/sell pressure manager
//   2. TickPlayer        MIDI tick player
//   3. SpeechState       speech state
//   4. the real-time latch's start time
//   5. g_FindGemDB       pattern-search history
//   6. g_TrendRevMgr     trend-reversal series
//   7. the column loader's state and line list
//   8. g_RareAvgMgr      regression-average series
// Constructors only initialise memory: no file is opened, no setting read, no thread started.
// Each object's header declares it; add its definition at its place in the list below.

#include "indicators/rare_avg_manager.h"

namespace vqm {

// 8. Regression-average series.
CRareAvgManager g_RareAvgMgr;

}  // namespace vqm
