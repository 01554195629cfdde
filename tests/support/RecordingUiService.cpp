#include "support/RecordingUiService.h"

#include <chrono>

namespace NuvraMobile {

bool RecordingUiService::ShowUrl(const std::string& url) {
    std::lock_guard<std::mutex> lock(mutex_);
    urls_.push_back(url);
    opened_.notify_all();
    return true;
}

std::vector<std::string> RecordingUiService::WaitForUrls(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    opened_.wait_for(lock, std::chrono::seconds(10), [&] { return urls_.size() >= count; });
    return urls_;
}

}  // namespace NuvraMobile
