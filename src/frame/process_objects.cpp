// All process-wide state of the library, defined here in one translation unit.
//
// First the plain records that need nothing from anything else: the log writer's record
// and the two path caches (statically initialised: valid before any constructor runs and
// never destroyed), the bar exports' runs and the line lists' line reader.
//
// Then the process-wide objects, built at load in this order and destroyed at unload in the
// reverse order:
//   0. the log closer    closes the log file last, after every object that may log
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
//
// The platform layer keeps its own few objects (the library lock, the default Env and the
// installed one): they must outlive everything here, since the unload path still uses them.

#include "alerts/realtime_latch.h"
#include "alerts/speech.h"
#include "alerts/tick_player.h"
#include "base/log.h"
#include "base/log_state.h"
#include "base/settings.h"
#include "dataio/column_loader.h"
#include "dataio/export_run.h"
#include "dataio/line_reader.h"
#include "indicators/bsp/bsp_manager.h"
#include "indicators/pattern_search_history.h"
#include "indicators/rare_avg_manager.h"
#include "indicators/trend_reversal_manager.h"

namespace vqm {

LogState g_LogState;
PathCaches g_PathCaches;

// The CSV run (VQM_SaveDataToCsv and VQM_SaveDataToCsv2) and the text run (VQM_SaveDataToTxt).
ExportRun g_CsvExportRun;
ExportRun g_TextExportRun;

LineReader g_LineReader;

namespace {

// 0. The log file stays open between calls; unloading the library closes it.
struct LogCloser {
  LogCloser() = default;
  ~LogCloser() { CloseLogAtUnload(); }
};
LogCloser g_logCloser;

}  // namespace

// 1. Owns its instances: unloading the library deletes them, so a host that unloads and
// loads the library again gets their memory back.
CBSPManager g_BSPMgr;

// 2. Creates the device's wake event; the device opens at the first tick.
CTickPlayer TickPlayer;

// 3. COM is started by the first VQM_Speak, on its caller's thread.
CSpeechState SpeechState;

// 4. the real-time latch's start time
RealtimeLatch g_RealtimeLatch;

// 5. the pattern-search history of one symbol
CFindGemDB g_FindGemDB;

// 6. the trend-reversal series
CTrendRevMgr g_TrendRevMgr;

// 7. the column loader's state and line list
ColumnLoaderState g_ColumnLoader;

// 8. the regression-average series
CRareAvgManager g_RareAvgMgr;

}  // namespace vqm
