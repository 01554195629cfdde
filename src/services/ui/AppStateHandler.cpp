#include "services/ui/AppStateHandler.h"

#include <algorithm>

#include "util/Mutex.h"

namespace NuvraMobile {

AppStateHandler::AppStateHandler(UiPlatform platform, std::chrono::milliseconds maxWait)
    : platform_(std::move(platform)), maxWait_(maxWait) {}

AppState AppStateHandler::GetAppState() {
    const auto known = static_cast<AppState>(state_.load());
    if (known != AppState::UNKNOWN) {
        return known;
    }
    // The task may outlive the wait: it holds the handler, and stores what it reads when it runs.
    auto self = std::static_pointer_cast<AppStateHandler>(shared_from_this());
    platform_.mainQueue->RunAndWait([self] { self->SetAppState(self->ReadApplicationState()); }, maxWait_);
    return static_cast<AppState>(state_.load());
}

AppState AppStateHandler::ReadApplicationState() {
    return platform_.backend->GetApplicationState() == ApplicationRunState::BACKGROUND ? AppState::BACKGROUND
                                                                                       : AppState::FOREGROUND;
}

void AppStateHandler::SetAppState(AppState state) {
    state_.store(static_cast<std::int32_t>(state));
}

void AppStateHandler::RegisterListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    if (!listener) {
        return;
    }
    MutexLock lock(mutex_);
    if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void AppStateHandler::UnregisterListener(const std::shared_ptr<AppStateListenerInterface>& listener) {
    if (!listener) {
        return;
    }
    MutexLock lock(mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

size_t AppStateHandler::GetNumListeners() const {
    MutexLock lock(mutex_);
    return listeners_.size();
}

void AppStateHandler::NotifyListeners(AppState state) {
    if (state != AppState::FOREGROUND && state != AppState::BACKGROUND) {
        return;
    }
    std::vector<std::shared_ptr<AppStateListenerInterface>> listeners;
    {
        MutexLock lock(mutex_);
        listeners = listeners_;
    }
    for (const auto& listener : listeners) {
        if (state == AppState::FOREGROUND) {
            listener->OnForeground();
        } else {
            listener->OnBackground();
        }
    }
}

}  // namespace NuvraMobile
