// The series API's exports as a list, for code that walks them by name (the tests that call
// the loaded library through function pointers). Keep in step with VQM_FUNC1.def.
#pragma once

#define VQM_SERIES_EXPORT_LIST(X) \
  X(vqm_version)                  \
  X(vqm_error_text)               \
  X(vqm_series_reset)             \
  X(vqm_series_free)              \
  X(vqm_rare_avg_create)          \
  X(vqm_rare_avg_push)            \
  X(vqm_rare_avg_push_n)          \
  X(vqm_trend_reversal_create)    \
  X(vqm_trend_reversal_push)      \
  X(vqm_trend_reversal_push_n)    \
  X(vqm_bsp_create)               \
  X(vqm_bsp_push)                 \
  X(vqm_bsp_push_n)               \
  X(vqm_pattern_search_create)    \
  X(vqm_pattern_search_push)      \
  X(vqm_pattern_search_push_n)    \
  X(vqm_price_norm_create)        \
  X(vqm_price_norm_push)          \
  X(vqm_price_norm_push_n)
