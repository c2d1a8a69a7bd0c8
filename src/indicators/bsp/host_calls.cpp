#include "indicators/bsp/host_calls.h"

#include "indicators/bsp/com_error.h"

namespace vqm {

void ThrowComError(HRESULT status, IUnknown* object, REFIID iid) {
  throw CComError(status, iid, platform::TakeErrorDescription(object, iid));
}

namespace host {
namespace {

void Check(HRESULT status, IUnknown* object, REFIID iid) {
  if (FAILED(status)) ThrowComError(status, object, iid);
}

// Borrows a returned object: the host keeps it alive, so its reference is given back now.
template <class T>
T* Borrow(T* object) {
  if (object != nullptr) object->Release();
  return object;
}

// Owns a variant for the length of one call.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v); }
  ~ScopedVariant() { VariantClear(&v); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT v;
};

}  // namespace

int QueryMaxBarsBack(HostScriptObject* script) {
  int result = 0;
  Check(script->QueryMaxBarsBack(&result), script, kIidHostScriptObject);
  return result;
}

int QueryBarNumber(HostScriptObject* script, int dataStream) {
  int result = 0;
  Check(script->QueryBarNumber(dataStream, &result), script, kIidHostScriptObject);
  return result;
}

HostArrayObject* FindNamedArray(HostScriptObject* script, const char* name) {
  ScopedVariant text;
  text.v.bstrVal = platform::AnsiBstr(name);
  if (text.v.bstrVal == nullptr) throw CComError(E_OUTOFMEMORY, kIidHostScriptObject, "");
  text.v.vt = VT_BSTR;
  HostArrayObject* array = nullptr;
  Check(script->FindNamedArray(text.v, &array), script, kIidHostScriptObject);
  return Borrow(array);
}

HostSeriesObject* OpenUpTickSeries(HostScriptObject* script, int dataStream) {
  HostSeriesObject* series = nullptr;
  Check(script->OpenUpTickSeries(dataStream, &series), script, kIidHostScriptObject);
  return Borrow(series);
}

HostSeriesObject* OpenDownTickSeries(HostScriptObject* script, int dataStream) {
  HostSeriesObject* series = nullptr;
  Check(script->OpenDownTickSeries(dataStream, &series), script, kIidHostScriptObject);
  return Borrow(series);
}

int QueryDimensionCount(HostArrayObject* array) {
  int result = 0;
  Check(array->QueryDimensionCount(&result), array, kIidHostArrayObject);
  return result;
}

int QueryDimensionLength(HostArrayObject* array, int dimension) {
  int result = 0;
  Check(array->QueryDimensionLength(dimension, &result), array, kIidHostArrayObject);
  return result;
}

void SelectElement(HostArrayObject* array, int dimension, int index) {
  Check(array->SelectElement(dimension, index), array, kIidHostArrayObject);
}

float ReadSelectedElement(HostArrayObject* array, int offset) {
  ScopedVariant value;
  Check(array->ReadSelectedElement(offset, &value.v), array, kIidHostArrayObject);
  if (value.v.vt != VT_R4) {
    const HRESULT converted = VariantChangeType(&value.v, &value.v, 0, VT_R4);
    // A failed conversion is the library's own: the object has no error information for it.
    if (FAILED(converted)) throw CComError(converted, kIidHostArrayObject, "");
  }
  return value.v.fltVal;
}

}  // namespace host
}  // namespace vqm
