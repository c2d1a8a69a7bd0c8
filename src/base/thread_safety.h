// Clang's thread-safety annotations. Under clang with -Wthread-safety (the clang presets) the
// compiler checks that state marked VQM_GUARDED_BY is touched, and functions marked
// VQM_REQUIRES are called, only where the named lock is held; other compilers ignore them.
#pragma once

#if defined(__clang__)
#define VQM_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define VQM_THREAD_ANNOTATION(x)
#endif

#define VQM_CAPABILITY(name) VQM_THREAD_ANNOTATION(capability(name))
#define VQM_SCOPED_CAPABILITY VQM_THREAD_ANNOTATION(scoped_lockable)
#define VQM_GUARDED_BY(lock) VQM_THREAD_ANNOTATION(guarded_by(lock))
#define VQM_REQUIRES(...) VQM_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define VQM_ACQUIRE(...) VQM_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define VQM_RELEASE(...) VQM_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define VQM_TRY_ACQUIRE(...) VQM_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define VQM_NO_THREAD_SAFETY_ANALYSIS VQM_THREAD_ANNOTATION(no_thread_safety_analysis)
