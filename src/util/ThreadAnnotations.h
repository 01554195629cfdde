#pragma once

// Lock contracts written for clang's thread-safety analysis (-Wthread-safety); other compilers ignore
// them. A definition the host already made is kept, so that two such headers can live in one program.

#if defined(__clang__)
#define NVR_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define NVR_THREAD_ANNOTATION(x)
#endif

/** A type that is a lock. */
#ifndef CAPABILITY
#define CAPABILITY(name) NVR_THREAD_ANNOTATION(capability(name))
#endif

/** An object whose lifetime holds a lock (a scoped lock). */
#ifndef SCOPED_CAPABILITY
#define SCOPED_CAPABILITY NVR_THREAD_ANNOTATION(scoped_lockable)
#endif

/** The member is read and written only with the given lock held. */
#ifndef GUARDED_BY
#define GUARDED_BY(x) NVR_THREAD_ANNOTATION(guarded_by(x))
#endif

/** What the pointer points to is read and written only with the given lock held. */
#ifndef PT_GUARDED_BY
#define PT_GUARDED_BY(x) NVR_THREAD_ANNOTATION(pt_guarded_by(x))
#endif

/** The caller holds the given locks. */
#ifndef REQUIRES
#define REQUIRES(...) NVR_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#endif

/** The caller must not hold the given locks: the function takes them itself. */
#ifndef EXCLUDES
#define EXCLUDES(...) NVR_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#endif

/** The function takes the given locks (its object's, when none are named) and returns holding them. */
#ifndef ACQUIRE
#define ACQUIRE(...) NVR_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#endif

/** The function releases the given locks (its object's, when none are named). */
#ifndef RELEASE
#define RELEASE(...) NVR_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#endif

/** The function takes the locks when it returns the given value. */
#ifndef TRY_ACQUIRE
#define TRY_ACQUIRE(...) NVR_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#endif

/** The function returns a reference to the given lock. */
#ifndef RETURN_CAPABILITY
#define RETURN_CAPABILITY(x) NVR_THREAD_ANNOTATION(lock_returned(x))
#endif

/** The analysis skips the function; say why beside it. */
#ifndef NO_THREAD_SAFETY_ANALYSIS
#define NO_THREAD_SAFETY_ANALYSIS NVR_THREAD_ANNOTATION(no_thread_safety_analysis)
#endif
