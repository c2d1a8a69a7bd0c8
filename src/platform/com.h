// The COM types that the host's scripting objects speak: IUnknown, IID, HRESULT, BSTR,
// VARIANT and the OLE automation functions (SysAllocString, VariantClear, VariantCopy,
// VariantChangeType, ...). Windows builds use the real ones; POSIX builds a minimal stand-in
// with the same names and layouts. Plus the few conversions the library needs on top.
#pragma once

#include <cstring>
#include <string>

#if defined(_WIN32)
#include "platform/win32/com_types.h"
#else
#include "platform/posix/com_types.h"
#endif

namespace vqm::platform {

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID kIidUnknown = {0x00000000, 0x0000, 0x0000,
                                    {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {DF0B3D60-548F-101B-8E65-08002B2BD119}
inline constexpr IID kIidSupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B,
                                             {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

inline bool SameIid(REFIID a, REFIID b) { return std::memcmp(&a, &b, sizeof(IID)) == 0; }

// A new BSTR holding text converted from the system's ANSI code page (on POSIX each byte is
// taken as the code unit of the same value). Null for a null text or when memory runs out.
// The caller frees it with SysFreeString.
BSTR AnsiBstr(const char* text);

// The BSTR converted to the ANSI code page; characters it cannot hold become '?'. Empty for
// a null BSTR.
std::string BstrToAnsi(BSTR text);

// The description of the error information that the object left for a failed call on the
// interface iid, when the object says through ISupportErrorInfo that it provides some.
// Empty otherwise (always on POSIX, which has no error information service).
std::string TakeErrorDescription(IUnknown* object, REFIID iid);

}  // namespace vqm::platform
