// The host platform's scripting-object COM interfaces, as far as the library calls them.
// Each operation sits at its fixed place in the interface's method table (IUnknown's three
// methods are places 0 to 2); the places the library does not call are filled with
// placeholders, so that a call compiled against these declarations reaches the right method
// of the host's real objects. Every operation returns a COM status and passes its result
// through the last argument, which the caller sets to zero or null first.
//
// The objects belong to the host. The library only borrows them: it keeps bare pointers and
// gives back at once the reference that comes with a returned object.
#pragma once

#include "platform/com.h"

// A method-table place that the library never calls.
#define VQM_HOST_UNUSED_SLOT(n) \
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot##n() { return E_NOTIMPL; }

// {7CEEB6FD-D59E-11D3-8394-00C04F7BDF10}: a price series of the chart (the up-tick and
// down-tick volumes). Only obtained and kept; none of its own operations is called.
struct HostSeriesObject : public IUnknown {};

// {7CEEB6FB-D59E-11D3-8394-00C04F7BDF10}: an array variable of the script.
struct HostArrayObject : public IUnknown {
  VQM_HOST_UNUSED_SLOT(3)
  VQM_HOST_UNUSED_SLOT(4)
  VQM_HOST_UNUSED_SLOT(5)
  VQM_HOST_UNUSED_SLOT(6)
  VQM_HOST_UNUSED_SLOT(7)
  VQM_HOST_UNUSED_SLOT(8)
  VQM_HOST_UNUSED_SLOT(9)
  VQM_HOST_UNUSED_SLOT(10)
  VQM_HOST_UNUSED_SLOT(11)
  // 12: the value of the element chosen by SelectElement; offset is always 0. The caller
  // clears the variant.
  virtual HRESULT STDMETHODCALLTYPE ReadSelectedElement(int offset, VARIANT* value) = 0;
  VQM_HOST_UNUSED_SLOT(13)
  VQM_HOST_UNUSED_SLOT(14)
  VQM_HOST_UNUSED_SLOT(15)
  VQM_HOST_UNUSED_SLOT(16)
  VQM_HOST_UNUSED_SLOT(17)
  VQM_HOST_UNUSED_SLOT(18)
  VQM_HOST_UNUSED_SLOT(19)
  VQM_HOST_UNUSED_SLOT(20)
  VQM_HOST_UNUSED_SLOT(21)
  VQM_HOST_UNUSED_SLOT(22)
  VQM_HOST_UNUSED_SLOT(23)
  VQM_HOST_UNUSED_SLOT(24)
  VQM_HOST_UNUSED_SLOT(25)
  // 26
  virtual HRESULT STDMETHODCALLTYPE QueryDimensionCount(int* count) = 0;
  VQM_HOST_UNUSED_SLOT(27)
  // 28
  virtual HRESULT STDMETHODCALLTYPE SelectElement(int dimension, int index) = 0;
  // 29
  virtual HRESULT STDMETHODCALLTYPE QueryDimensionLength(int dimension, int* length) = 0;
};

// {7CEEB700-D59E-11D3-8394-00C04F7BDF10}: the calling script.
struct HostScriptObject : public IUnknown {
  VQM_HOST_UNUSED_SLOT(3)
  VQM_HOST_UNUSED_SLOT(4)
  VQM_HOST_UNUSED_SLOT(5)
  VQM_HOST_UNUSED_SLOT(6)
  // 7
  virtual HRESULT STDMETHODCALLTYPE QueryMaxBarsBack(int* maxBarsBack) = 0;
  // 8: dataStream is always 255.
  virtual HRESULT STDMETHODCALLTYPE QueryBarNumber(int dataStream, int* barNumber) = 0;
  VQM_HOST_UNUSED_SLOT(9)
  VQM_HOST_UNUSED_SLOT(10)
  VQM_HOST_UNUSED_SLOT(11)
  VQM_HOST_UNUSED_SLOT(12)
  // 13: name is a VT_BSTR; the result is null when the script has no such array.
  virtual HRESULT STDMETHODCALLTYPE FindNamedArray(VARIANT name, HostArrayObject** array) = 0;
  VQM_HOST_UNUSED_SLOT(14)
  VQM_HOST_UNUSED_SLOT(15)
  VQM_HOST_UNUSED_SLOT(16)
  VQM_HOST_UNUSED_SLOT(17)
  VQM_HOST_UNUSED_SLOT(18)
  VQM_HOST_UNUSED_SLOT(19)
  VQM_HOST_UNUSED_SLOT(20)
  VQM_HOST_UNUSED_SLOT(21)
  VQM_HOST_UNUSED_SLOT(22)
  VQM_HOST_UNUSED_SLOT(23)
  // 24, 25: dataStream is always 255; the result is null when the chart has no such series.
  virtual HRESULT STDMETHODCALLTYPE OpenUpTickSeries(int dataStream, HostSeriesObject** series) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenDownTickSeries(int dataStream,
                                                       HostSeriesObject** series) = 0;
};

#undef VQM_HOST_UNUSED_SLOT

namespace vqm {

inline constexpr IID kIidHostScriptObject = {0x7CEEB700, 0xD59E, 0x11D3,
                                             {0x83, 0x94, 0x00, 0xC0, 0x4F, 0x7B, 0xDF, 0x10}};
inline constexpr IID kIidHostArrayObject = {0x7CEEB6FB, 0xD59E, 0x11D3,
                                            {0x83, 0x94, 0x00, 0xC0, 0x4F, 0x7B, 0xDF, 0x10}};
inline constexpr IID kIidHostSeriesObject = {0x7CEEB6FD, 0xD59E, 0x11D3,
                                             {0x83, 0x94, 0x00, 0xC0, 0x4F, 0x7B, 0xDF, 0x10}};

}  // namespace vqm
