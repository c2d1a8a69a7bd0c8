// A test double of the host: a scripting object with a named array "arrBSP" and up-tick and
// down-tick series. Every operation can be made to fail with a chosen status; the array's
// elements may hold a VARIANT of any type. The objects count their references and calls, so
// tests can see that the library borrows them correctly.
//
// The double is an ordinary object of the test program; its pointer may be handed to the
// library linked in or to the built library loaded by path (COM objects cross module
// boundaries through their method tables).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "indicators/bsp/host_interface.h"

namespace vqm::test {

enum class HostOp {
  kQueryMaxBarsBack,
  kQueryBarNumber,
  kFindNamedArray,
  kOpenUpTickSeries,
  kOpenDownTickSeries,
  kReadSelectedElement,
  kQueryDimensionCount,
  kSelectElement,
  kQueryDimensionLength,
};
constexpr int kHostOpCount = 9;
const char* HostOpName(HostOp op);

// Failures and call counts shared by the double's objects.
struct HostBook {
  std::array<HRESULT, kHostOpCount> failWith{};  // 0: the operation succeeds
  std::array<int, kHostOpCount> calls{};
  // Records a call; the status to answer it with.
  HRESULT Enter(HostOp op);
};

// Reference counting of a double: starts at 1 for the test that owns it.
template <class Interface>
class RefCounted : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  ULONG refs() const { return refs_; }

 protected:
  explicit RefCounted(const IID& iid) : iid_(iid) {}

 private:
  IID iid_;
  ULONG refs_ = 1;
};

class SeriesDouble final : public RefCounted<HostSeriesObject> {
 public:
  SeriesDouble();
};

class ArrayDouble final : public RefCounted<HostArrayObject> {
 public:
  ArrayDouble(HostBook* book, int dimensions, int length);
  ~ArrayDouble();
  ArrayDouble(const ArrayDouble&) = delete;
  ArrayDouble& operator=(const ArrayDouble&) = delete;

  // Takes over the variant (a BSTR in it is freed by the double).
  void SetElement(int index, VARIANT value);
  void SetFloat(int index, float value);
  int selected() const { return selected_; }

  HRESULT STDMETHODCALLTYPE ReadSelectedElement(int offset, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE QueryDimensionCount(int* count) override;
  HRESULT STDMETHODCALLTYPE SelectElement(int dimension, int index) override;
  HRESULT STDMETHODCALLTYPE QueryDimensionLength(int dimension, int* length) override;

 private:
  HostBook* book_;
  int dimensions_;
  std::vector<VARIANT> elements_;
  int selected_ = -1;
};

// Not final: a Windows test derives a host that explains its failures. The virtual
// destructor comes after the interface's slots, so the method table keeps its places.
class HostDouble : public RefCounted<HostScriptObject> {
 public:
  // A script at bar number 1 with MaxBarsBack 50 (absolute bar 50), an arrBSP of one
  // dimension and 10 elements holding AvgLen 3, VolLen 2, Style 1, and both tick series.
  HostDouble();
  virtual ~HostDouble() = default;

  void Fail(HostOp op, HRESULT status) { book_.failWith[static_cast<int>(op)] = status; }
  void Heal() { book_.failWith.fill(0); }
  int Calls(HostOp op) const { return book_.calls[static_cast<int>(op)]; }

  // Bar number so that the absolute bar index is bar (MaxBarsBack unchanged).
  void SetAbsoluteBar(int bar) { barNumber = bar - maxBarsBack + 1; }
  void SetParameters(float avgLen, float volLen, float style);
  // Replaces arrBSP with a fresh array (keeping the parameters in its first 10 elements).
  void ReshapeArray(int dimensions, int length);

  ArrayDouble& array() { return *array_; }
  SeriesDouble& upTicks() { return upTicks_; }
  SeriesDouble& downTicks() { return downTicks_; }

  int maxBarsBack = 50;
  int barNumber = 1;
  bool hasArray = true;
  bool hasUpTicks = true;
  bool hasDownTicks = true;
  std::string lastArrayName;         // the name FindNamedArray was asked for
  VARTYPE lastArrayNameType = 0;     // and the type of the variant that carried it
  std::vector<int> dataStreams;      // selectors passed to the bar number and series calls

  HRESULT STDMETHODCALLTYPE QueryMaxBarsBack(int* maxBarsBack) override;
  HRESULT STDMETHODCALLTYPE QueryBarNumber(int dataStream, int* barNumber) override;
  HRESULT STDMETHODCALLTYPE FindNamedArray(VARIANT name, HostArrayObject** array) override;
  HRESULT STDMETHODCALLTYPE OpenUpTickSeries(int dataStream, HostSeriesObject** series) override;
  HRESULT STDMETHODCALLTYPE OpenDownTickSeries(int dataStream,
                                               HostSeriesObject** series) override;

 private:
  HostBook book_;
  std::vector<std::unique_ptr<ArrayDouble>> arrays_;  // every array handed out stays alive
  ArrayDouble* array_ = nullptr;
  SeriesDouble upTicks_;
  SeriesDouble downTicks_;
  float parameters_[3] = {3, 2, 1};
};

// Variants for elements.
VARIANT BstrVariant(const char* text);
VARIANT R8Variant(double value);
VARIANT I4Variant(int value);
VARIANT NullVariant();

}  // namespace vqm::test
