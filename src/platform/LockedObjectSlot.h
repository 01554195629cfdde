#pragma once

// Objective-C objects that the core's threads share: held under a lock, used retained.

#import <Foundation/Foundation.h>

#include <utility>

#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * One reference to an Objective-C object, released when the holder ends, so that the object lives at
 * least as long as the call that holds it. Move-only. Holders end inside an Objective-C scope (an
 * autorelease pool), as every release may run a dealloc.
 */
template <class T>
class RetainedObject {
public:
    RetainedObject() = default;
    /** Takes over a reference that the caller owns. */
    static RetainedObject Adopt(T* object) { return RetainedObject(object); }

    RetainedObject(RetainedObject&& other) noexcept : object_(std::exchange(other.object_, nil)) {}
    RetainedObject& operator=(RetainedObject&& other) noexcept {
        if (this != &other) {
            [object_ release];
            object_ = std::exchange(other.object_, nil);
        }
        return *this;
    }
    RetainedObject(const RetainedObject&) = delete;
    RetainedObject& operator=(const RetainedObject&) = delete;
    ~RetainedObject() { [object_ release]; }

    T* Get() const { return object_; }
    /** The reference, now the caller's to release. */
    T* Release() { return std::exchange(object_, nil); }

private:
    explicit RetainedObject(T* object) : object_(object) {}

    T* object_ = nil;
};

/**
 * A slot that one thread fills or empties while others call the object in it: every reader gets its own
 * reference under the slot's lock and calls the object outside it, so emptying the slot never frees an
 * object in the middle of a call. Any thread; the slot must be emptied (Take) inside an Objective-C scope
 * before it is destroyed.
 */
template <class T>
class LockedObjectSlot {
public:
    /** Takes over the caller's reference to `object` (which may be nil). */
    explicit LockedObjectSlot(T* object = nil) : object_(object) {}
    LockedObjectSlot(const LockedObjectSlot&) = delete;
    LockedObjectSlot& operator=(const LockedObjectSlot&) = delete;
    ~LockedObjectSlot() { [object_ release]; }

    /** The object, retained for the holder's lifetime; an empty holder when the slot is empty. */
    RetainedObject<T> Retained() {
        MutexLock lock(mutex_);
        return RetainedObject<T>::Adopt([object_ retain]);
    }

    /** Empties the slot; the reference it held now belongs to the returned holder. */
    RetainedObject<T> Take() {
        MutexLock lock(mutex_);
        return RetainedObject<T>::Adopt(std::exchange(object_, nil));
    }

    /** Fills the slot, releasing (outside the lock) what it held before. */
    void Put(RetainedObject<T> object) {
        RetainedObject<T> previous;
        {
            MutexLock lock(mutex_);
            previous = RetainedObject<T>::Adopt(std::exchange(object_, object.Release()));
        }
    }

private:
    Mutex mutex_;
    T* object_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
