#include "services/ui/RecordingUrlOpener.h"

#include "util/Log.h"

namespace NuvraMobile {

bool RecordingUrlOpener::Open(const std::string& url) {
    Log::Debug("RecordingUrlOpener", "Opening url (%s)", url);
    std::lock_guard<std::mutex> lock(mutex_);
    opened_.push_back(url);
    return true;
}

std::vector<std::string> RecordingUrlOpener::GetOpenedUrls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return opened_;
}

}  // namespace NuvraMobile
