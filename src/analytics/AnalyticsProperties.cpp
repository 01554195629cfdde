#include "analytics/AnalyticsProperties.h"

#include <chrono>
#include <ctime>

#include "analytics/AnalyticsConstants.h"
#include "core/execution/Timer.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/TimeUtils.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds TIMER_CANCEL_WAIT{100};
constexpr const char* TIMESTAMP_TZ_PREFIX = "00/00/0000 00:00:00 0 ";

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

// The broken-down time read as if it were UTC, in seconds since the epoch.
std::int64_t AsUtcSeconds(const std::tm& time) {
    const std::int64_t days = DaysFromCivil(time.tm_year + 1900LL, static_cast<unsigned>(time.tm_mon + 1),
                                            static_cast<unsigned>(time.tm_mday));
    return days * 86400 + time.tm_hour * 3600 + time.tm_min * 60 + time.tm_sec;
}

}  // namespace

AnalyticsProperties::AnalyticsProperties(const std::shared_ptr<PlatformServicesInterface>& platformServices)
    : referrerTimer_(Timer::Create("Analytics Referrer timer", platformServices)),
      lifecycleTimer_(Timer::Create("Analytics Lifecycle timer", platformServices)) {}

bool AnalyticsProperties::IsDatabaseWaiting() const {
    return (GetReferrerTimer() && referrerTimerRunning_) || (GetLifecycleTimer() && lifecycleTimerRunning_);
}

void AnalyticsProperties::CancelTimer(std::shared_ptr<Timer> AnalyticsProperties::*timer,
                                      std::atomic<bool>& running, const char* message) {
    Log::Debug(AnalyticsConstants::LOG_TAG, message);
    running.exchange(false);
    std::shared_ptr<Timer> cancelled;
    {
        MutexLock lock(mutex_);
        cancelled = this->*timer;
    }
    if (!cancelled) {
        return;
    }
    cancelled->Cancel(TIMER_CANCEL_WAIT);
    MutexLock lock(mutex_);
    if (this->*timer == cancelled) {
        this->*timer = Timer::Create();
    }
}

void AnalyticsProperties::CancelReferrerTimer() {
    CancelTimer(&AnalyticsProperties::referrerTimer_, referrerTimerRunning_, "Referrer Timer Cancelled");
}

void AnalyticsProperties::CancelLifecycleTimer() {
    CancelTimer(&AnalyticsProperties::lifecycleTimer_, lifecycleTimerRunning_, "Lifecycle Timer Cancelled");
}

std::string AnalyticsProperties::GetTimestampTzOffset() {
    return GetTimestampTzOffset(static_cast<std::time_t>(TimeUtils::GetUnixTimeInSeconds()));
}

std::string AnalyticsProperties::GetTimestampTzOffset(std::time_t now) {
    std::tm local{};
    std::int64_t offsetMinutes = 0;
    if (localtime_r(&now, &local) != nullptr) {
        offsetMinutes = (static_cast<std::int64_t>(now) - AsUtcSeconds(local)) / 60;
    }
    return TIMESTAMP_TZ_PREFIX + std::to_string(offsetMinutes);
}

bool AnalyticsProperties::IsReferrerTimerRunning() const { return referrerTimerRunning_; }
bool AnalyticsProperties::IsLifecycleTimerRunning() const { return lifecycleTimerRunning_; }
void AnalyticsProperties::SetReferrerTimerRunning(bool running) { referrerTimerRunning_ = running; }
void AnalyticsProperties::SetLifecycleTimerRunning(bool running) { lifecycleTimerRunning_ = running; }

std::shared_ptr<Timer> AnalyticsProperties::GetReferrerTimer() const {
    MutexLock lock(mutex_);
    return referrerTimer_;
}
std::shared_ptr<Timer> AnalyticsProperties::GetLifecycleTimer() const {
    MutexLock lock(mutex_);
    return lifecycleTimer_;
}
void AnalyticsProperties::SetReferrerTimer(const std::shared_ptr<Timer>& timer) {
    MutexLock lock(mutex_);
    referrerTimer_ = timer;
}
void AnalyticsProperties::SetLifecycleTimer(const std::shared_ptr<Timer>& timer) {
    MutexLock lock(mutex_);
    lifecycleTimer_ = timer;
}
std::string AnalyticsProperties::GetLocale() const {
    MutexLock lock(mutex_);
    return locale_;
}
void AnalyticsProperties::SetLocale(const std::string& locale) {
    MutexLock lock(mutex_);
    locale_ = locale;
}
std::string AnalyticsProperties::GetAnalyticsId() const {
    MutexLock lock(mutex_);
    return analyticsId_;
}
void AnalyticsProperties::SetAnalyticsId(const std::string& analyticsId) {
    MutexLock lock(mutex_);
    analyticsId_ = analyticsId;
}
std::string AnalyticsProperties::GetVisitorId() const {
    MutexLock lock(mutex_);
    return visitorId_;
}
void AnalyticsProperties::SetVisitorId(const std::string& visitorId) {
    MutexLock lock(mutex_);
    visitorId_ = visitorId;
}
std::int64_t AnalyticsProperties::GetLifecycleMaxSessionLength() const {
    MutexLock lock(mutex_);
    return lifecycleMaxSessionLength_;
}
void AnalyticsProperties::SetLifecycleMaxSessionLength(std::int64_t seconds) {
    MutexLock lock(mutex_);
    lifecycleMaxSessionLength_ = seconds;
}
std::int64_t AnalyticsProperties::GetLifecycleSessionStartTimestamp() const {
    MutexLock lock(mutex_);
    return lifecycleSessionStartTimestamp_;
}
void AnalyticsProperties::SetLifecycleSessionStartTimestamp(std::int64_t seconds) {
    MutexLock lock(mutex_);
    lifecycleSessionStartTimestamp_ = seconds;
}

}  // namespace NuvraMobile
