#include "testing/host_double.h"

namespace vqm::test {

const char* HostOpName(HostOp op) {
  static const char* const kNames[kHostOpCount] = {
      "QueryMaxBarsBack",    "QueryBarNumber",      "FindNamedArray",
      "OpenUpTickSeries",    "OpenDownTickSeries",  "ReadSelectedElement",
      "QueryDimensionCount", "SelectElement",       "QueryDimensionLength"};
  return kNames[static_cast<int>(op)];
}

HRESULT HostBook::Enter(HostOp op) {
  ++calls[static_cast<int>(op)];
  return failWith[static_cast<int>(op)];
}

template <class Interface>
HRESULT RefCounted<Interface>::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (platform::SameIid(iid, platform::kIidUnknown) || platform::SameIid(iid, iid_)) {
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

template class RefCounted<HostSeriesObject>;
template class RefCounted<HostArrayObject>;
template class RefCounted<HostScriptObject>;

SeriesDouble::SeriesDouble() : RefCounted(kIidHostSeriesObject) {}

ArrayDouble::ArrayDouble(HostBook* book, int dimensions, int length)
    : RefCounted(kIidHostArrayObject), book_(book), dimensions_(dimensions) {
  elements_.resize(static_cast<size_t>(length));
  for (VARIANT& v : elements_) VariantInit(&v);
}

ArrayDouble::~ArrayDouble() {
  for (VARIANT& v : elements_) VariantClear(&v);
}

void ArrayDouble::SetElement(int index, VARIANT value) {
  VariantClear(&elements_.at(static_cast<size_t>(index)));
  elements_[static_cast<size_t>(index)] = value;
}

void ArrayDouble::SetFloat(int index, float value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R4;
  v.fltVal = value;
  SetElement(index, v);
}

HRESULT ArrayDouble::ReadSelectedElement(int offset, VARIANT* value) {
  const HRESULT status = book_->Enter(HostOp::kReadSelectedElement);
  if (status != 0) return status;
  if (value == nullptr || offset != 0 || selected_ < 0) return E_INVALIDARG;
  return VariantCopy(value, &elements_[static_cast<size_t>(selected_)]);
}

HRESULT ArrayDouble::QueryDimensionCount(int* count) {
  const HRESULT status = book_->Enter(HostOp::kQueryDimensionCount);
  if (status != 0) return status;
  *count = dimensions_;
  return S_OK;
}

HRESULT ArrayDouble::SelectElement(int dimension, int index) {
  const HRESULT status = book_->Enter(HostOp::kSelectElement);
  if (status != 0) return status;
  if (dimension != 0 || index < 0 || index >= static_cast<int>(elements_.size()))
    return E_INVALIDARG;
  selected_ = index;
  return S_OK;
}

HRESULT ArrayDouble::QueryDimensionLength(int dimension, int* length) {
  const HRESULT status = book_->Enter(HostOp::kQueryDimensionLength);
  if (status != 0) return status;
  if (dimension != 0) return E_INVALIDARG;
  *length = static_cast<int>(elements_.size());
  return S_OK;
}

HostDouble::HostDouble() : RefCounted(kIidHostScriptObject) { ReshapeArray(1, 10); }

void HostDouble::SetParameters(float avgLen, float volLen, float style) {
  parameters_[0] = avgLen;
  parameters_[1] = volLen;
  parameters_[2] = style;
  for (int k = 0; k < 3; ++k) array_->SetFloat(2 + k, parameters_[k]);
}

void HostDouble::ReshapeArray(int dimensions, int length) {
  arrays_.push_back(std::make_unique<ArrayDouble>(&book_, dimensions, length));
  array_ = arrays_.back().get();
  for (int k = 0; k < 3 && 2 + k < length; ++k) array_->SetFloat(2 + k, parameters_[k]);
}

HRESULT HostDouble::QueryMaxBarsBack(int* result) {
  const HRESULT status = book_.Enter(HostOp::kQueryMaxBarsBack);
  if (status != 0) return status;
  *result = maxBarsBack;
  return S_OK;
}

HRESULT HostDouble::QueryBarNumber(int dataStream, int* result) {
  const HRESULT status = book_.Enter(HostOp::kQueryBarNumber);
  if (status != 0) return status;
  dataStreams.push_back(dataStream);
  *result = barNumber;
  return S_OK;
}

HRESULT HostDouble::FindNamedArray(VARIANT name, HostArrayObject** result) {
  lastArrayNameType = name.vt;
  lastArrayName = name.vt == VT_BSTR ? platform::BstrToAnsi(name.bstrVal) : std::string();
  const HRESULT status = book_.Enter(HostOp::kFindNamedArray);
  if (status != 0) return status;
  *result = nullptr;
  if (!hasArray || lastArrayName != "arrBSP") return S_OK;
  array_->AddRef();
  *result = array_;
  return S_OK;
}

HRESULT HostDouble::OpenUpTickSeries(int dataStream, HostSeriesObject** result) {
  const HRESULT status = book_.Enter(HostOp::kOpenUpTickSeries);
  if (status != 0) return status;
  dataStreams.push_back(dataStream);
  *result = nullptr;
  if (!hasUpTicks) return S_OK;
  upTicks_.AddRef();
  *result = &upTicks_;
  return S_OK;
}

HRESULT HostDouble::OpenDownTickSeries(int dataStream, HostSeriesObject** result) {
  const HRESULT status = book_.Enter(HostOp::kOpenDownTickSeries);
  if (status != 0) return status;
  dataStreams.push_back(dataStream);
  *result = nullptr;
  if (!hasDownTicks) return S_OK;
  downTicks_.AddRef();
  *result = &downTicks_;
  return S_OK;
}

VARIANT BstrVariant(const char* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = platform::AnsiBstr(text);
  return v;
}

VARIANT R8Variant(double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}

VARIANT I4Variant(int value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT NullVariant() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_NULL;
  return v;
}

}  // namespace vqm::test
