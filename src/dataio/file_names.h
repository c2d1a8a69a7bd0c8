// Checks on file names that scripts hand over: a name meant for a file inside one of the
// library's folders must not reach a file elsewhere, nor a Windows device (a row or a
// quote written to COM1 goes to the serial port; a read from it waits on the port).
#pragma once

namespace vqm {

// True when name, up to its first dot and without trailing blanks, is a Windows device
// name (CON, PRN, AUX, NUL, COM1-9, LPT1-9), in any letter case. REQUIRES: name non-null.
bool IsDeviceName(const char* name);

// True when name is a relative path that stays inside the folder it is appended to:
// not empty, no leading separator, no drive colon, no ".." component and no component that
// is a device name. Sub-folders ("2024/ES.csv") are allowed. REQUIRES: name non-null.
bool StaysInsideFolder(const char* name);

}  // namespace vqm
