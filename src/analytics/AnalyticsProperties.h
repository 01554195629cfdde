#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class PlatformServicesInterface;
class Timer;

/**
 * The long-lived values of the Analytics module: the cached locale, the analytics and visitor
 * identifiers, the lifecycle session values and the two wait timers (lifecycle and referrer) that hold
 * new hits back around a launch. The module's queue, the timers' own threads and the hit-queue worker
 * all read it, so every field is guarded by its mutex or atomic; getters return copies.
 */
class AnalyticsProperties : public Object {
public:
    static constexpr const char* CHARSET = "UTF-8";

    explicit AnalyticsProperties(const std::shared_ptr<PlatformServicesInterface>& platformServices);

    /** True while an armed lifecycle or referrer timer holds new hits back. */
    virtual bool IsDatabaseWaiting() const;
    virtual std::string GetLocale() const;
    virtual void SetLocale(const std::string& locale);
    virtual std::shared_ptr<Timer> GetReferrerTimer() const;
    virtual std::shared_ptr<Timer> GetLifecycleTimer() const;
    /** Clears the running flag, cancels the timer (waiting at most 100 ms) and puts a new one in place. */
    virtual void CancelReferrerTimer();
    virtual void CancelLifecycleTimer();
    virtual bool IsReferrerTimerRunning() const;
    virtual bool IsLifecycleTimerRunning() const;
    virtual std::string GetAnalyticsId() const;
    virtual void SetAnalyticsId(const std::string& analyticsId);
    virtual std::string GetVisitorId() const;
    virtual void SetVisitorId(const std::string& visitorId);
    virtual void SetReferrerTimerRunning(bool running);
    virtual void SetLifecycleTimerRunning(bool running);
    virtual std::int64_t GetLifecycleMaxSessionLength() const;
    virtual void SetLifecycleMaxSessionLength(std::int64_t seconds);
    virtual std::int64_t GetLifecycleSessionStartTimestamp() const;
    virtual void SetLifecycleSessionStartTimestamp(std::int64_t seconds);
    virtual void SetLifecycleTimer(const std::shared_ptr<Timer>& timer);
    virtual void SetReferrerTimer(const std::shared_ptr<Timer>& timer);

    /**
     * The hit's "t" value: "00/00/0000 00:00:00 0 " and the minutes to add to local time to get UTC,
     * signed (300 for five hours west of UTC, -60 for one hour east).
     */
    static std::string GetTimestampTzOffset();
    /** The "t" value at the given time. */
    static std::string GetTimestampTzOffset(std::time_t now);

private:
    void CancelTimer(std::shared_ptr<Timer> AnalyticsProperties::*timer, std::atomic<bool>& running,
                     const char* message);

    mutable Mutex mutex_;
    std::string locale_ NVR_GUARDED_BY(mutex_);
    std::string analyticsId_ NVR_GUARDED_BY(mutex_);
    std::string visitorId_ NVR_GUARDED_BY(mutex_);
    std::int64_t lifecycleMaxSessionLength_ NVR_GUARDED_BY(mutex_) = 0;
    std::int64_t lifecycleSessionStartTimestamp_ NVR_GUARDED_BY(mutex_) = 0;
    std::shared_ptr<Timer> referrerTimer_ NVR_GUARDED_BY(mutex_);
    std::shared_ptr<Timer> lifecycleTimer_ NVR_GUARDED_BY(mutex_);
    std::atomic<bool> lifecycleTimerRunning_{false};
    std::atomic<bool> referrerTimerRunning_{false};
};

}  // namespace NuvraMobile
