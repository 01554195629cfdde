#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/UIServiceInterface.h"
#include "services/ui/UiPlatform.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * The application's foreground/background state and the listeners of its changes. The state is
 * atomic; one lock guards the listener set, and listeners are called on a copy of it, so a listener
 * may register or unregister from its callback. Any thread may call; listeners are called on the
 * thread that notifies (the main queue).
 */
class AppStateHandler : public Object {
public:
    static constexpr std::chrono::milliseconds DEFAULT_MAX_WAIT{5000};

    /** `maxWait`: how long a read off the main queue waits for it while the state is unknown. */
    explicit AppStateHandler(UiPlatform platform, std::chrono::milliseconds maxWait = DEFAULT_MAX_WAIT);

    /**
     * The known state at once. While unknown, reads the application's state on the main queue
     * (inline when called there) and stores it; off the main queue the wait is bounded, and UNKNOWN
     * is returned when it runs out (the queued read still stores its value later). Never calls
     * listeners.
     */
    AppState GetAppState();

    void SetAppState(AppState state);

    /** Null is ignored; a listener already in the set stays there once. */
    void RegisterListener(const std::shared_ptr<AppStateListenerInterface>& listener);
    void UnregisterListener(const std::shared_ptr<AppStateListenerInterface>& listener);
    size_t GetNumListeners() const;

    /** OnForeground for FOREGROUND, OnBackground for BACKGROUND, nothing for UNKNOWN. */
    void NotifyListeners(AppState state);

    /** Main queue: the application's run state as FOREGROUND or BACKGROUND. */
    AppState ReadApplicationState();

private:
    const UiPlatform platform_;
    const std::chrono::milliseconds maxWait_;
    std::atomic<std::int32_t> state_{static_cast<std::int32_t>(AppState::UNKNOWN)};
    mutable Mutex mutex_;
    std::vector<std::shared_ptr<AppStateListenerInterface>> listeners_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
