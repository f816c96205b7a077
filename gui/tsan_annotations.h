// Happens-before hints for ThreadSanitizer. Qt's locks are futexes that an
// uninstrumented Qt hides from the sanitizer, so a hand-over through Qt
// (a blocking queued call) is announced explicitly: the handing thread
// releases a token, the receiving thread acquires it. No-ops in other builds.
#pragma once

#if defined(__SANITIZE_THREAD__)
#define VARNEL_TSAN_ACTIVE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VARNEL_TSAN_ACTIVE 1
#endif
#endif

#if defined(VARNEL_TSAN_ACTIVE)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace varnel {

// Everything this thread did so far happens before whatever follows a
// TsanAcquire of the same token on another thread.
inline void TsanRelease([[maybe_unused]] void* token) {
#if defined(VARNEL_TSAN_ACTIVE)
  __tsan_release(token);
#endif
}

inline void TsanAcquire([[maybe_unused]] void* token) {
#if defined(VARNEL_TSAN_ACTIVE)
  __tsan_acquire(token);
#endif
}

}  // namespace varnel
