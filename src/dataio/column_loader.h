// The column loader's process-wide state: one file at a time, loaded whole into a line list
// (commas outside double quotes turned into TABs, the quotes dropped), and the index of the
// line the next call hands out.
#pragma once

#include <string>

#include "base/lock_rule.h"
#include "dataio/line_list.h"

namespace vqm {

struct ColumnLoaderState {
  std::string lastFile;  // the whole name, so long names still compare equal
  int lastBar = -1;
  int nextLine = -1;     // negative: the starting line has not been found yet
  bool loaded = false;   // false after a failed load: the next call loads again
  LineList lines;
};

extern ColumnLoaderState g_ColumnLoader VQM_GUARDED_BY(kLibraryLock);

// Rewrites one line in place: a double quote toggles quoting and is dropped; outside quotes
// a comma becomes a TAB. Returns the new length.
int CommasToTabs(char* line, int length);
// The same as a line list's rewrite: most lines have their commas turned as they are split.
extern const LineList::Rewrite kCommasToTabs;

}  // namespace vqm
