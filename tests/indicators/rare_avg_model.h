// An independent model of the weighted regression average, written plainly from its
// description: points in vectors, averages over explicit rings, a naive normal-equation
// fitter, series found by a linear scan. Tests replay streams through it and through the
// library and compare results bit for bit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/average_model.h"
#include "support/float_bits.h"

namespace vqm::test {

struct RareAvgModelCall {
  const char* symbol;
  int regr;
  int wgt;
  float value;
  int date;
  int time;
  int respFac;
  int diagnostic;
  int barType;
  int day;
  int bar;
};

struct ModelPoint {
  float raw;
  float adjusted;
  float result;
  int date;
  int time;
};

struct ModelSeries {
  std::string symbol;
  int regr, wgt, respFac, barType, day;
  std::vector<ModelPoint> points;
  int lastDate = 0;
  int lastBar = -1;
  int lag = 3;
  int wgtLength = 0;
  AverageModel smoother, shortAvg, changes;
};

// A symbol prefix used by no other call of this or any earlier test run, so that series of
// different tests never meet and log lines are found unambiguously.
std::string UniqueSymbolPrefix(const char* name);

bool ModelPolyFit(const std::vector<float>& xs, const std::vector<float>& ys, int degree, float at,
                  float* value);

// How often a stream reached each path, so tests can show that it covered them.
struct ModelCoverage {
  int trivial = 0;
  int warmUp[2] = {};  // [0] intraday (short average), [1] other bar types (error)
  int transition[2] = {};
  int running[2] = {};
  int adjusted = 0;   // response adjustment applied
  int unchanged = 0;  // a change of 0 percent after the adjustment started
  int zeroValues = 0;
  int diagnostics = 0;  // -1818, -1819, -1820
  int replaced = 0;     // points taken back
  int restarts = 0;     // resets of a series holding points
  int wrappedAbscissas = 0;
  int repeated = 0;        // extra points of a repeat count
  int longestRunning = 0;  // longest regression length that reached the running phase
};

class RareAvgModel {
 public:
  float Call(const RareAvgModelCall& c);

  // The diagnostic line the last call wrote, or empty.
  const std::string& diagnosticLine() const { return diagnosticLine_; }
  // Series in order of creation.
  const std::vector<std::unique_ptr<ModelSeries>>& series() const { return series_; }
  // The series a call goes to, or null.
  const ModelCoverage& coverage() const { return coverage_; }
  const ModelSeries* Find(const char* symbol, int regr, int wgt, int respFac, int barType,
                          int day) const;

  // The last end index whose abscissa is not wrapped modulo 1000. Only a test that shows
  // its data would notice a wrap one point early changes it.
  int unwrappedUpTo = 1010;

 private:
  bool Compute(ModelSeries& s, int L, int W, int F, float* result);
  bool Fit(const ModelSeries& s, int degree, int skip, int end, float* value) const;

  std::vector<std::unique_ptr<ModelSeries>> series_;
  std::string diagnosticLine_;
  ModelCoverage coverage_;
};

}  // namespace vqm::test
