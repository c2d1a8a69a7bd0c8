// No exception leaves a series function: memory exhaustion is VQM_E_MEMORY, the library's
// own exceptions are deleted and, like anything else, reported as VQM_E_INTERNAL.
#pragma once

#include <new>

#include "base/exceptions.h"
#include "vqm/series.h"

namespace vqm {

template <class Body>
int SeriesGuard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return VQM_E_MEMORY;
  } catch (CMemoryException* e) {
    if (e != nullptr) e->Delete();
    return VQM_E_MEMORY;
  } catch (CException* e) {
    if (e != nullptr) e->Delete();
    return VQM_E_INTERNAL;
  } catch (...) {
    return VQM_E_INTERNAL;
  }
}

}  // namespace vqm
