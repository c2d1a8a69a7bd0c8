// The POSIX stand-in of BSTR and VARIANT handling (see com_types.h).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/com.h"

namespace {

// The byte length in front of a BSTR's first code unit.
uint32_t* LengthPrefix(BSTR text) { return reinterpret_cast<uint32_t*>(text) - 1; }

bool IsNumberType(VARTYPE vt) {
  return vt == VT_EMPTY || vt == VT_I2 || vt == VT_I4 || vt == VT_R4 || vt == VT_R8;
}

double NumberOf(const VARIANTARG& v) {
  switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    default: return 0.0;  // VT_EMPTY
  }
}

// A decimal number text as OLE automation reads it without locale extras: blanks around it,
// an optional sign, digits with an optional decimal point, an optional exponent.
HRESULT ParseNumber(BSTR text, double* out) {
  std::string s;
  for (UINT i = 0, n = SysStringLen(text); i < n; ++i) {
    if (text[i] > 0x7F) return DISP_E_TYPEMISMATCH;
    s.push_back(static_cast<char>(text[i]));
  }
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return DISP_E_TYPEMISMATCH;
  s = s.substr(first, s.find_last_not_of(" \t") + 1 - first);
  size_t pos = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  size_t digits = 0;
  for (bool point = false; pos < s.size(); ++pos) {
    if (s[pos] >= '0' && s[pos] <= '9') {
      ++digits;
    } else if (s[pos] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return DISP_E_TYPEMISMATCH;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
    const size_t exponentStart = pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == exponentStart) return DISP_E_TYPEMISMATCH;
  }
  if (pos != s.size()) return DISP_E_TYPEMISMATCH;
  const char* begin = s.c_str() + (s[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, s.c_str() + s.size(), *out);
  if (error == std::errc::result_out_of_range) return DISP_E_OVERFLOW;
  if (error != std::errc() || end != s.c_str() + s.size()) return DISP_E_TYPEMISMATCH;
  return S_OK;
}

// Round half to even, as OLE automation converts to integers; false when out of range.
bool ToInteger(double x, double low, double high, LONG* out) {
  if (std::isnan(x) || x < low - 0.5 || x >= high + 0.5) return false;
  *out = static_cast<LONG>(std::nearbyint(x));
  return true;
}

BSTR NumberText(const VARIANTARG& v) {
  char buffer[64];
  if (v.vt == VT_I2 || v.vt == VT_I4) {
    snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(NumberOf(v)));
  } else if (v.vt == VT_R4) {
    snprintf(buffer, sizeof buffer, "%.7G", v.fltVal);
  } else if (v.vt == VT_R8) {
    snprintf(buffer, sizeof buffer, "%.15G", v.dblVal);
  } else {
    buffer[0] = 0;
  }
  BSTR text = vqm::platform::AnsiBstr(buffer);
  return text;
}

// Converts source into result (a fresh variant that owns what it holds).
HRESULT Convert(const VARIANTARG& source, VARTYPE vt, VARIANTARG* result) {
  if (source.vt == VT_NULL) return DISP_E_TYPEMISMATCH;
  if (!IsNumberType(source.vt) && source.vt != VT_BSTR) return DISP_E_BADVARTYPE;
  if (vt == VT_BSTR) {
    result->bstrVal = source.vt == VT_BSTR
                          ? SysAllocStringLen(source.bstrVal, SysStringLen(source.bstrVal))
                          : NumberText(source);
    if (result->bstrVal == nullptr) return E_OUTOFMEMORY;
    result->vt = VT_BSTR;
    return S_OK;
  }
  double x = NumberOf(source);
  if (source.vt == VT_BSTR) {
    const HRESULT parsed = ParseNumber(source.bstrVal, &x);
    if (FAILED(parsed)) return parsed;
  }
  LONG integer = 0;
  switch (vt) {
    case VT_R8:
      result->dblVal = x;
      break;
    case VT_R4:
      if (x < -FLT_MAX || x > FLT_MAX) return DISP_E_OVERFLOW;
      result->fltVal = static_cast<float>(x);
      break;
    case VT_I4:
      if (!ToInteger(x, -2147483648.0, 2147483647.0, &integer)) return DISP_E_OVERFLOW;
      result->lVal = integer;
      break;
    case VT_I2:
      if (!ToInteger(x, -32768.0, 32767.0, &integer)) return DISP_E_OVERFLOW;
      result->iVal = static_cast<SHORT>(integer);
      break;
    case VT_EMPTY:
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  result->vt = vt;
  return S_OK;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > (UINT32_MAX - 8) / sizeof(OLECHAR)) return nullptr;
  void* block = std::malloc(sizeof(uint32_t) + (length + 1) * sizeof(OLECHAR));
  if (block == nullptr) return nullptr;
  *static_cast<uint32_t*>(block) = static_cast<uint32_t>(length * sizeof(OLECHAR));
  BSTR result = reinterpret_cast<BSTR>(static_cast<uint32_t*>(block) + 1);
  if (text != nullptr) {
    std::memcpy(result, text, length * sizeof(OLECHAR));
  } else {
    std::memset(result, 0, length * sizeof(OLECHAR));
  }
  result[length] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(LengthPrefix(text));
}

UINT SysStringLen(BSTR text) {
  return text == nullptr ? 0 : *LengthPrefix(text) / sizeof(OLECHAR);
}

void VariantInit(VARIANTARG* v) {
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) {
  if (v == nullptr) return E_INVALIDARG;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* source) {
  if (dest == nullptr || source == nullptr) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANTARG copy = *source;
  if (source->vt == VT_BSTR && source->bstrVal != nullptr) {
    copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
    if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* source, USHORT, VARTYPE vt) {
  if (dest == nullptr || source == nullptr) return E_INVALIDARG;
  if (source->vt == vt) return VariantCopy(dest, source);
  VARIANTARG result;
  VariantInit(&result);
  const HRESULT status = Convert(*source, vt, &result);
  if (FAILED(status)) return status;
  VariantClear(dest);  // may be the source, which is read no more
  *dest = result;
  return S_OK;
}

namespace vqm::platform {

BSTR AnsiBstr(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result == nullptr) return nullptr;
  for (size_t i = 0; i < length; ++i) result[i] = static_cast<unsigned char>(text[i]);
  return result;
}

std::string BstrToAnsi(BSTR text) {
  std::string result;
  for (UINT i = 0, n = SysStringLen(text); i < n; ++i)
    result.push_back(text[i] < 0x100 ? static_cast<char>(text[i]) : '?');
  return result;
}

std::string TakeErrorDescription(IUnknown*, REFIID) { return std::string(); }

}  // namespace vqm::platform
