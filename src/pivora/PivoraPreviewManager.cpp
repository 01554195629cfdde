#include "pivora/PivoraPreviewManager.h"

namespace NuvraMobile {

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
