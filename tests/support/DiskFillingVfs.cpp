#include "support/DiskFillingVfs.h"

namespace NuvraMobile {

DiskFillingVfs& DiskFillingVfs::Install() {
    // Never destroyed: connections opened through it may outlive every test.
    static DiskFillingVfs& layer = *new DiskFillingVfs();
    return layer;
}

void DiskFillingVfs::FailWritesAfter(std::uint64_t bytes) {
    MutexLock lock(mutex_);
    budget_ = bytes;
}

void DiskFillingVfs::Clear() { FailWritesAfter(std::numeric_limits<std::uint64_t>::max()); }

// Once one write did not fit, the disk is full: nothing smaller fits either.
bool DiskFillingVfs::AllowsWrite(const std::string&, int amount) {
    MutexLock lock(mutex_);
    const auto size = static_cast<std::uint64_t>(amount);
    if (size > budget_) {
        budget_ = 0;
        return false;
    }
    budget_ -= size;
    return true;
}

}  // namespace NuvraMobile
