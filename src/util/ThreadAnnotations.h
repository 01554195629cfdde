#pragma once

// Lock contracts written for clang's thread-safety analysis (-Wthread-safety); other compilers ignore
// them. The names carry the library's prefix: these headers are installed, and a host may well define
// RELEASE or REQUIRES itself.

#if defined(__clang__)
#define NVR_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define NVR_THREAD_ANNOTATION(x)
#endif

/** A type that is a lock. */
#define NVR_CAPABILITY(name) NVR_THREAD_ANNOTATION(capability(name))

/** An object whose lifetime holds a lock (a scoped lock). */
#define NVR_SCOPED_CAPABILITY NVR_THREAD_ANNOTATION(scoped_lockable)

/** The member is read and written only with the given lock held. */
#define NVR_GUARDED_BY(x) NVR_THREAD_ANNOTATION(guarded_by(x))

/** The caller holds the given locks. */
#define NVR_REQUIRES(...) NVR_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))

/** The caller must not hold the given locks: the function takes them itself. */
#define NVR_EXCLUDES(...) NVR_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))

/** The function takes the given locks (its object's, when none are named) and returns holding them. */
#define NVR_ACQUIRE(...) NVR_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))

/** The function releases the given locks (its object's, when none are named). */
#define NVR_RELEASE(...) NVR_THREAD_ANNOTATION(release_capability(__VA_ARGS__))

/** The function takes the locks when it returns the given value. */
#define NVR_TRY_ACQUIRE(...) NVR_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
