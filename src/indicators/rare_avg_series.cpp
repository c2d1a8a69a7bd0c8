#include "indicators/rare_avg_series.h"

#include <new>

#include "base/exceptions.h"

namespace vqm {
namespace {

// The point list starts small; its growth step follows the points held, so the slot block
// doubles when it fills.
constexpr int kFirstPointSlots = 16;

}  // namespace

CRareAvgSym::CRareAvgSym() { points.SetGrowth(kFirstPointSlots, kFirstPointSlots); }

CRareAvgSym::~CRareAvgSym() { Reset(); }

void CRareAvgSym::Reset() {
  for (int i = 0; i < points.GetSize(); ++i) delete PointAt(i);
  changeAverage.Free();
  resultSmoother.Free();
  shortAverage.Free();
  // The slot block is kept: a series that restarts every day refills it.
  points.RemoveAt(0, points.GetSize());
  lastDate = 0;
  lastIndex = -1;
}

void CRareAvgSym::AddPoint(int date, int time, float value) {
  if (date < lastDate || lastDate <= 0) Reset();
  CRareAvgPoint* p = new (std::nothrow) CRareAvgPoint{value, value, value, date, time};
  const int held = points.GetSize();
  points.SetGrowth(0, held > kFirstPointSlots ? held : kFirstPointSlots);
  if (p == nullptr || points.Add(p) < 0) {
    delete p;
    throw new CMemoryException;
  }
  lastIndex = points.GetSize() - 1;
  lastDate = date;
}

void CRareAvgSym::RemoveNewest() {
  const int held = points.GetSize();
  if (held == 0) return;
  delete PointAt(held - 1);
  points.RemoveAt(held - 1, 1);
  lastIndex = held - 2;
}

}  // namespace vqm
