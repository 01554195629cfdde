#include "services/ui/RecordingUrlOpener.h"

#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

bool RecordingUrlOpener::Open(const std::string& url) {
    Log::Debug("RecordingUrlOpener", "Opening url (%s)", url);
    MutexLock lock(mutex_);
    opened_.push_back(url);
    return true;
}

std::vector<std::string> RecordingUrlOpener::GetOpenedUrls() const {
    MutexLock lock(mutex_);
    return opened_;
}

}  // namespace NuvraMobile
