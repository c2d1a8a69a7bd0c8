// A minimal stand-in of the COM types that the host object interface uses, for POSIX builds:
// IUnknown, GUID/IID, HRESULT and its statuses, BSTR, and VARIANT with the value types a host
// puts in a script array (VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R4, VT_R8, VT_BSTR). Names and
// layouts follow Windows, so code written against them builds unchanged on both platforms.
//
// BSTR: a length-prefixed, zero-terminated string of 16-bit code units; the 32-bit byte
// length sits in front of the first unit. Allocated by SysAllocString*, freed by SysFreeString.
#pragma once

#include <cstdint>

typedef int32_t HRESULT;
typedef uint32_t ULONG;
typedef int32_t LONG;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef uint32_t UINT;
typedef float FLOAT;
typedef double DOUBLE;
typedef char16_t OLECHAR;
typedef OLECHAR* BSTR;
typedef uint16_t VARTYPE;
typedef uint32_t LCID;

#define STDMETHODCALLTYPE
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef const IID& REFIID;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
};

// 24 bytes on 64-bit targets, like the Windows VARIANT.
struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    SHORT iVal;
    LONG lVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    BSTR bstrVal;
    void* pvRecord[2];
  };
};
typedef VARIANT VARIANTARG;

BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
BSTR SysAllocString(const OLECHAR* text);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);

void VariantInit(VARIANTARG* v);
// Frees what the variant owns (a BSTR) and leaves it VT_EMPTY.
HRESULT VariantClear(VARIANTARG* v);
HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source);
// Converts source to type vt into dest (which may be source). Numbers convert among
// themselves (to integers rounding half to even, DISP_E_OVERFLOW when out of range); a BSTR
// converts from a decimal number text, DISP_E_TYPEMISMATCH for anything else; VT_EMPTY gives
// zero; VT_NULL and other types give DISP_E_TYPEMISMATCH / DISP_E_BADVARTYPE. flags: unused.
HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT flags, VARTYPE vt);
