/* The indicators of VQM_FUNC1 as series a program owns: create a series with its parameters,
 * push bars one at a time or n at a time from arrays, reset it, free it.
 *
 * A series is private to its caller. It has no symbol key, lives in no process-wide list,
 * writes no log line and no file, and takes no lock while it computes: different series may
 * be used from different threads at the same time.
 * REQUIRES: one series is used by one thread at a time (the caller serialises the calls of
 * a series, freeing included).
 *
 * Every function returns VQM_OK (0) or a negative status; vqm_error_text names it. A handle
 * that is not a live series of the right indicator is refused with VQM_E_HANDLE, and never
 * dereferenced. Outputs are written only on VQM_OK, except that the n-bar pushes write the
 * bars before a failing one.
 *
 * Results are those of the per-bar exports (VQM_RareAvg, VQM_TrendReversal, VQM_BSPCalc,
 * VQM_FindGemAdd with VQM_FindGemCalc, VQM_F_PrcNorm) for the same parameters and bars, bit
 * for bit: both run the same series code. Dates and times are the host's: date
 * (year - 1900) * 10000 + month * 100 + day, time HHMM. */
#ifndef VQM_SERIES_H
#define VQM_SERIES_H

#include <stddef.h>

#if defined(_WIN32)
#define VQM_SERIES_API
#else
#define VQM_SERIES_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vqm_series vqm_series; /* opaque */

#define VQM_OK 0
#define VQM_E_HANDLE (-1)    /* not a live series of this indicator */
#define VQM_E_ARGUMENT (-2)  /* a null pointer where an array or output is needed */
#define VQM_E_PARAMETER (-3) /* a parameter the indicator refuses */
#define VQM_E_DATE (-4)      /* a date before 1990 or a date or time that is no calendar value */
#define VQM_E_MEMORY (-5)    /* memory ran out; the series keeps the bars before */
#define VQM_E_INTERNAL (-6)  /* an unexpected failure inside the library */

/* A fixed English text for a status; "unknown status" for any other value. Never null. */
VQM_SERIES_API const char* vqm_error_text(int status);

/* The library's version, "major.minor.patch" (the release it comes from). Never null. */
VQM_SERIES_API const char* vqm_version(void);

/* Starts the series afresh, as vqm_*_create left it. */
VQM_SERIES_API int vqm_series_reset(vqm_series* series);
/* Frees the series and all its memory; null is accepted. The handle is dead afterwards. */
VQM_SERIES_API int vqm_series_free(vqm_series* series);

/* Weighted regression average. regr: nScopeRegr (at most 1000000); wgt: nScopeWgt (0 or less
 * selects the default; at most 1000000); resp_fac: nRespFac (repeat count at most 100);
 * bar_type and day_continuity as the export's. */
VQM_SERIES_API int vqm_rare_avg_create(int regr, int wgt, int resp_fac, int bar_type,
                                       int day_continuity, vqm_series** out);
/* One value. A negative date, or the bar number of the previous push, replaces the newest
 * point(s). *result: the average, or 1000000000.0 where the indicator gives none. */
VQM_SERIES_API int vqm_rare_avg_push(vqm_series* series, int date, int time, int bar_number,
                                     float value, float* result);
/* n values; bar_number may be null: every value is then a new bar. */
VQM_SERIES_API int vqm_rare_avg_push_n(vqm_series* series, size_t n, const int* date,
                                       const int* time, const int* bar_number,
                                       const float* value, float* result);

/* Trend reversal: a ribbon of simple averages from fast to slow (1 <= fast <= slow <=
 * 1000000); width_factor multiplies the width. A bar whose date-time goes back before the
 * previous one starts the ribbon afresh. *status: 0 inside (or no width yet), 1 below,
 * 2 above. */
VQM_SERIES_API int vqm_trend_reversal_create(int fast, int slow, float width_factor,
                                             vqm_series** out);
VQM_SERIES_API int vqm_trend_reversal_push(vqm_series* series, int date, int time, float price,
                                           int* status, float* position, float* width);
VQM_SERIES_API int vqm_trend_reversal_push_n(vqm_series* series, size_t n, const int* date,
                                             const int* time, const float* price, int* status,
                                             float* position, float* width);

/* Buy/sell pressure from each bar's up-tick and down-tick volume. avg_len and vol_len: 1 to
 * 1000000; style 1 to 4 smooths (any other value only computes). */
VQM_SERIES_API int vqm_bsp_create(int avg_len, int vol_len, int style, vqm_series** out);
VQM_SERIES_API int vqm_bsp_push(vqm_series* series, float up, float down, float* pressure);
VQM_SERIES_API int vqm_bsp_push_n(vqm_series* series, size_t n, const float* up,
                                  const float* down, float* pressure);

/* Pattern search: the bar history with the mode of VQM_FindGemAdd. Each bar is added (prices
 * divided by divisor >= 1) and then measured as VQM_FindGemCalc does for that bar: *status is
 * the scope, or -1 while fewer than scope bars precede it; excursions[4]: fall below the
 * reference low, rise above it, rise above the reference high, fall below it. */
VQM_SERIES_API int vqm_pattern_search_create(int mode, int divisor, vqm_series** out);
VQM_SERIES_API int vqm_pattern_search_push(vqm_series* series, int date, int time, int open,
                                           int high, int low, int close, int volume,
                                           int* status, float excursions[4]);
/* excursions: n rows of 4. */
VQM_SERIES_API int vqm_pattern_search_push_n(vqm_series* series, size_t n, const int* date,
                                             const int* time, const int* open, const int* high,
                                             const int* low, const int* close,
                                             const int* volume, int* status, float* excursions);

/* Price normalisation by a factor: five integer prices per bar, rescaled as VQM_F_PrcNorm
 * does (unchanged for a factor of 1, 0 or less, or NaN). */
VQM_SERIES_API int vqm_price_norm_create(float factor, vqm_series** out);
VQM_SERIES_API int vqm_price_norm_push(vqm_series* series, const int in[5], int out[5]);
/* in and out: n rows of 5; they may be the same array. */
VQM_SERIES_API int vqm_price_norm_push_n(vqm_series* series, size_t n, const int* in, int* out);

#ifdef __cplusplus
}
#endif

#endif /* VQM_SERIES_H */
