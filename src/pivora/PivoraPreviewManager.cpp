#include "pivora/PivoraPreviewManager.h"

#include "pivora/PivoraConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

void PivoraPreviewManager::EnterPreviewModeWithDeepLinkParams(const std::string& /*clientCode*/,
                                                              const std::string& deepLink) {
    Log::Debug(PivoraConstants::LOG_PREFIX, "Pivora preview mode is not available, ignoring the deep link %s",
               deepLink);
}

std::string PivoraPreviewManager::GetPreviewParameters() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return previewParameters_;
}

std::string PivoraPreviewManager::GetPreviewToken() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return previewToken_;
}

void PivoraPreviewManager::SetRestartDeepLink(const std::string& restartDeepLink) {
    std::lock_guard<std::mutex> lock(mutex_);
    restartDeepLink_ = restartDeepLink;
}

std::string PivoraPreviewManager::GetRestartDeepLink() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return restartDeepLink_;
}

}  // namespace NuvraMobile
