// The host object operations the buy/sell pressure manager makes, as plain functions: each
// clears its out-parameter, makes the call and raises CComError on a negative status. An
// object that comes back has its reference given back at once: the host keeps it alive while
// the script runs.
#pragma once

#include "indicators/bsp/host_interface.h"

namespace vqm::host {

int QueryMaxBarsBack(HostScriptObject* script);
int QueryBarNumber(HostScriptObject* script, int dataStream);
// Null when the script has no array of that name. name: ANSI text.
HostArrayObject* FindNamedArray(HostScriptObject* script, const char* name);
HostSeriesObject* OpenUpTickSeries(HostScriptObject* script, int dataStream);
HostSeriesObject* OpenDownTickSeries(HostScriptObject* script, int dataStream);

int QueryDimensionCount(HostArrayObject* array);
int QueryDimensionLength(HostArrayObject* array, int dimension);
void SelectElement(HostArrayObject* array, int dimension, int index);
// The selected element as a 32-bit float: taken as it is from a VT_R4, converted otherwise;
// a value that does not convert raises CComError with the conversion's status.
float ReadSelectedElement(HostArrayObject* array, int offset);

}  // namespace vqm::host
