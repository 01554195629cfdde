#include "support/ProcessEndingVfs.h"

#include <unistd.h>

namespace NuvraMobile {

ProcessEndingVfs& ProcessEndingVfs::Install() {
    // Never destroyed: connections opened through it may outlive every test.
    static ProcessEndingVfs& layer = *new ProcessEndingVfs();
    return layer;
}

void ProcessEndingVfs::EndAtChange(std::int64_t change) {
    changes_ = 0;
    endAt_ = change;
}

void ProcessEndingVfs::Change() {
    if (++changes_ == endAt_) {
        _exit(ENDED_STATUS);
    }
}

}  // namespace NuvraMobile
