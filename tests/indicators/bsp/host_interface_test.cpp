// The method-table places of the host interfaces, and the calls the library makes on them.
#include <gtest/gtest.h>

#include "indicators/bsp/com_error.h"
#include "indicators/bsp/host_calls.h"
#include "testing/host_double.h"

namespace vqm {
namespace {

using test::ArrayDouble;
using test::HostDouble;
using test::HostOp;

// The function at a place of an object's method table, called the way COM callers do: the
// object as first argument.
template <class Fn>
Fn Slot(void* object, int place) {
  void** table = *static_cast<void***>(object);
  return reinterpret_cast<Fn>(table[place]);
}

TEST(HostInterface, ScriptObjectOperationsSitAtTheirPlaces) {
  HostDouble host;
  HostScriptObject* script = &host;
  host.maxBarsBack = 77;
  host.barNumber = 12;

  using QueryInt = HRESULT(STDMETHODCALLTYPE*)(void*, int*);
  using QueryIntAt = HRESULT(STDMETHODCALLTYPE*)(void*, int, int*);
  using FindArray = HRESULT(STDMETHODCALLTYPE*)(void*, VARIANT, HostArrayObject**);
  using OpenSeries = HRESULT(STDMETHODCALLTYPE*)(void*, int, HostSeriesObject**);
  using Unused = HRESULT(STDMETHODCALLTYPE*)(void*);

  int value = 0;
  EXPECT_EQ(S_OK, Slot<QueryInt>(script, 7)(script, &value));
  EXPECT_EQ(77, value);
  EXPECT_EQ(S_OK, Slot<QueryIntAt>(script, 8)(script, 255, &value));
  EXPECT_EQ(12, value);

  VARIANT name = test::BstrVariant("arrBSP");
  HostArrayObject* array = nullptr;
  EXPECT_EQ(S_OK, Slot<FindArray>(script, 13)(script, name, &array));
  VariantClear(&name);
  EXPECT_EQ(static_cast<HostArrayObject*>(&host.array()), array);
  EXPECT_EQ(1u, host.array().Release());  // the reference that came with it

  HostSeriesObject* series = nullptr;
  EXPECT_EQ(S_OK, Slot<OpenSeries>(script, 24)(script, 255, &series));
  EXPECT_EQ(static_cast<HostSeriesObject*>(&host.upTicks()), series);
  EXPECT_EQ(S_OK, Slot<OpenSeries>(script, 25)(script, 255, &series));
  EXPECT_EQ(static_cast<HostSeriesObject*>(&host.downTicks()), series);
  EXPECT_EQ(1u, host.upTicks().Release());
  EXPECT_EQ(1u, host.downTicks().Release());

  // IUnknown's three methods come first.
  EXPECT_EQ(2u, Slot<ULONG(STDMETHODCALLTYPE*)(void*)>(script, 1)(script));
  EXPECT_EQ(1u, Slot<ULONG(STDMETHODCALLTYPE*)(void*)>(script, 2)(script));
  // Every other place up to the last one answers "not implemented".
  for (int place : {3, 4, 5, 6, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23})
    EXPECT_EQ(E_NOTIMPL, Slot<Unused>(script, place)(script)) << "place " << place;
}

TEST(HostInterface, ArrayObjectOperationsSitAtTheirPlaces) {
  HostDouble host;
  host.SetParameters(21, 5, 3);
  HostArrayObject* array = &host.array();

  using QueryInt = HRESULT(STDMETHODCALLTYPE*)(void*, int*);
  using QueryIntAt = HRESULT(STDMETHODCALLTYPE*)(void*, int, int*);
  using Select = HRESULT(STDMETHODCALLTYPE*)(void*, int, int);
  using Read = HRESULT(STDMETHODCALLTYPE*)(void*, int, VARIANT*);
  using Unused = HRESULT(STDMETHODCALLTYPE*)(void*);

  int value = 0;
  EXPECT_EQ(S_OK, Slot<QueryInt>(array, 26)(array, &value));
  EXPECT_EQ(1, value);
  EXPECT_EQ(S_OK, Slot<QueryIntAt>(array, 29)(array, 0, &value));
  EXPECT_EQ(10, value);
  EXPECT_EQ(S_OK, Slot<Select>(array, 28)(array, 0, 2));
  EXPECT_EQ(2, host.array().selected());
  VARIANT element;
  VariantInit(&element);
  EXPECT_EQ(S_OK, Slot<Read>(array, 12)(array, 0, &element));
  EXPECT_EQ(VT_R4, element.vt);
  EXPECT_EQ(21.0f, element.fltVal);
  for (int place : {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,
                    24, 25, 27})
    EXPECT_EQ(E_NOTIMPL, Slot<Unused>(array, place)(array)) << "place " << place;
}

TEST(HostCalls, ReturnedObjectsAreBorrowed) {
  HostDouble host;
  EXPECT_EQ(&host.array(), host::FindNamedArray(&host, "arrBSP"));
  EXPECT_EQ("arrBSP", host.lastArrayName);
  EXPECT_EQ(VT_BSTR, host.lastArrayNameType);
  EXPECT_EQ(&host.upTicks(), host::OpenUpTickSeries(&host, 255));
  EXPECT_EQ(&host.downTicks(), host::OpenDownTickSeries(&host, 255));
  // The reference that came with each object was given back at once.
  EXPECT_EQ(1u, host.array().refs());
  EXPECT_EQ(1u, host.upTicks().refs());
  EXPECT_EQ(1u, host.downTicks().refs());
  EXPECT_EQ(nullptr, host::FindNamedArray(&host, "arrOther"));
  host.hasUpTicks = false;
  EXPECT_EQ(nullptr, host::OpenUpTickSeries(&host, 255));
}

TEST(HostCalls, ElementsReadAsFloats) {
  HostDouble host;
  ArrayDouble& array = host.array();
  struct Case {
    VARIANT value;
    float expected;
  } cases[] = {
      {test::BstrVariant("12"), 12.0f},
      {test::BstrVariant(" -7.25 "), -7.25f},
      {test::R8Variant(0.1), 0.1f},
      {test::I4Variant(-40000), -40000.0f},
  };
  for (Case& c : cases) {
    array.SetElement(5, c.value);
    host::SelectElement(&array, 0, 5);
    EXPECT_EQ(c.expected, host::ReadSelectedElement(&array, 0));
  }
  array.SetFloat(5, 2.5f);
  host::SelectElement(&array, 0, 5);
  EXPECT_EQ(2.5f, host::ReadSelectedElement(&array, 0));
}

// A negative status raises the COM error with the status and the interface it came through;
// so does an element that cannot become a float.
TEST(HostCalls, FailuresRaiseComErrors) {
  const HRESULT kStatus = static_cast<HRESULT>(0x80041234u);
  struct Case {
    HostOp op;
    bool onArray;
  } cases[] = {
      {HostOp::kQueryMaxBarsBack, false},   {HostOp::kQueryBarNumber, false},
      {HostOp::kFindNamedArray, false},     {HostOp::kOpenUpTickSeries, false},
      {HostOp::kOpenDownTickSeries, false}, {HostOp::kReadSelectedElement, true},
      {HostOp::kQueryDimensionCount, true}, {HostOp::kSelectElement, true},
      {HostOp::kQueryDimensionLength, true},
  };
  for (const Case& c : cases) {
    HostDouble host;
    host.Fail(c.op, kStatus);
    HostArrayObject* array = &host.array();
    try {
      switch (c.op) {
        case HostOp::kQueryMaxBarsBack: host::QueryMaxBarsBack(&host); break;
        case HostOp::kQueryBarNumber: host::QueryBarNumber(&host, 255); break;
        case HostOp::kFindNamedArray: host::FindNamedArray(&host, "arrBSP"); break;
        case HostOp::kOpenUpTickSeries: host::OpenUpTickSeries(&host, 255); break;
        case HostOp::kOpenDownTickSeries: host::OpenDownTickSeries(&host, 255); break;
        case HostOp::kReadSelectedElement: host::ReadSelectedElement(array, 0); break;
        case HostOp::kQueryDimensionCount: host::QueryDimensionCount(array); break;
        case HostOp::kSelectElement: host::SelectElement(array, 0, 2); break;
        case HostOp::kQueryDimensionLength: host::QueryDimensionLength(array, 0); break;
      }
      ADD_FAILURE() << HostOpName(c.op) << " did not throw";
    } catch (const CComError& e) {
      EXPECT_EQ(kStatus, e.Status()) << HostOpName(c.op);
      EXPECT_TRUE(platform::SameIid(c.onArray ? kIidHostArrayObject : kIidHostScriptObject,
                                    e.Iid()))
          << HostOpName(c.op);
      // The double offers no error information.
      EXPECT_EQ("", e.Description());
    }
  }

  HostDouble host;
  for (VARIANT bad : {test::BstrVariant("abc"), test::BstrVariant(""), test::NullVariant(),
                      test::R8Variant(1e300)}) {
    host.array().SetElement(4, bad);
    host::SelectElement(&host.array(), 0, 4);
    try {
      host::ReadSelectedElement(&host.array(), 0);
      ADD_FAILURE() << "no conversion error for type " << bad.vt;
    } catch (const CComError& e) {
      EXPECT_EQ(bad.vt == VT_R8 ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH, e.Status());
      EXPECT_TRUE(platform::SameIid(kIidHostArrayObject, e.Iid()));
    }
  }
}

}  // namespace
}  // namespace vqm
