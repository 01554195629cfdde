#pragma once

#include <new>
#include <utility>

namespace NuvraMobile {

// Storage for a process-wide constant that is never destroyed. The storage itself needs no
// constructor at run time, so references to `value` are bound before any code runs; an initializer
// object in the declaring header constructs the value before the static objects of every file that
// includes it. The constant thus stays valid during static initialisation of other files and while
// detached threads still run at process exit.
template <class T>
union EventConstantStorage {
    constexpr EventConstantStorage() : unused() {}
    ~EventConstantStorage() {}

    template <class... Args>
    void Construct(Args&&... args) {
        new (&value) T(std::forward<Args>(args)...);
    }

    char unused;
    T value;
};

}  // namespace NuvraMobile
