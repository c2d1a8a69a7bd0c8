// One buy/sell pressure instance: the state of one chart key between the script's calls.
// Created by the manager on the key's first call and kept until the library is unloaded.
// The host objects are borrowed from the host, never owned.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "averages/calc_stack.h"
#include "indicators/bsp/host_interface.h"

// Laid out for the script's two calls per bar: first what VQM_BSP reads (the key, the bar,
// the host objects), then what VQM_BSPCalc needs beside the volume and pressure averages,
// and the buy and sell averages last, of which a bar pushes one.
class CBSPSet {
 public:
  explicit CBSPSet(std::string key) : name(std::move(key)) {}
  CBSPSet(const CBSPSet&) = delete;
  CBSPSet& operator=(const CBSPSet&) = delete;

  // Starts the averages afresh: the volume average with volLen, the other three with avgLen.
  void Restart(int avgLen, int volLen);
  // Asks the processor to fetch what the bar's VQM_BSPCalc reads, so that the script's two
  // calls do not wait for it in turn when many charts take turns. Changes nothing.
  void FetchHeadersAhead() const;  // the averages' headers: made as soon as it is found
  void FetchRingsAhead() const;    // their slots of the next push: once the headers are in

  std::string name;            // instance key, compared ignoring case
  int lastBar = -1;            // absolute bar index of the previous VQM_BSP call
  // The exponential factor of the three averages of length avgLen (all three have that
  // length whenever they are initialised), kept from the restart instead of divided out on
  // every push.
  float emaFactor = 0.0f;
  HostArrayObject* arrayObj = nullptr;       // the script's arrBSP
  HostSeriesObject* upTicksObj = nullptr;    // up-tick volume series
  HostSeriesObject* downTicksObj = nullptr;  // down-tick volume series

  // Sums of volumeAvg's slots 0..k in slot order, as its simple average adds them, for k up
  // to the newest value: a push re-adds them only from the slot it writes.
  // volumeSumsCapacity is 0 when they could not be allocated.
  std::unique_ptr<float[]> volumeSums;
  uint32_t volumeSumsCapacity = 0;
  // True when all four averages are initialised, the exponential ones with a length of 2
  // or more, and the volume sums are there (set by Restart, which alone initialises them): a
  // bar's pushes then need no checks that log.
  bool pushesReady = false;
  // True once the pushes are ready and the volume and pressure rings, which every bar of
  // styles 1 and 2 pushes, are full, as they stay until the next Restart: their pushes then
  // skip the warm-up's tests. Set by the bar that fills them (NoteSteadyRings).
  bool steadyRings = false;
  void NoteSteadyRings() {
    steadyRings = pushesReady && volumeAvg.filled == volumeAvg.capacity &&
                  pressureAvg.filled == pressureAvg.capacity;
  }
  vqm::CCalcStack volumeAvg;    // simple average of total ticks
  vqm::CCalcStack pressureAvg;  // exponential average of the pressure
  vqm::CCalcStack buyAvg;       // average of the positive pressure
  vqm::CCalcStack sellAvg;      // average of the negated negative pressure
};
