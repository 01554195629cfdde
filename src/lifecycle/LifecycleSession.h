#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/values/Object.h"

namespace NuvraMobile {

class DataStoreInterface;

/** The session that a new session replaces, as the store held it at the start. Immutable. */
class SessionInfo : public Object {
public:
    SessionInfo(std::int64_t startTimestamp, std::int64_t pauseTimestamp, bool crash)
        : pauseTimestamp_(pauseTimestamp), startTimestamp_(startTimestamp), crash_(crash) {}

    /** Seconds; 0 when there was none. */
    std::int64_t GetPauseTimestamp() const { return pauseTimestamp_; }
    /** Seconds; 0 when there was none. */
    std::int64_t GetStartTimestamp() const { return startTimestamp_; }
    /** True when the previous session ended without a pause. */
    bool IsCrash() const { return crash_; }

private:
    const std::int64_t pauseTimestamp_;
    const std::int64_t startTimestamp_;
    const bool crash_;
};

/**
 * Decides for each lifecycle start whether a new session opens or the one a short pause interrupted
 * resumes, detects a previous session that ended without a pause, records pauses and measures the
 * previous session. Its state lives in "SessionStart", "PauseDate" and "SuccessfulClose" of the lifecycle
 * store, so the decision holds across process restarts. Used by the Lifecycle module from its own task
 * queue only; no lock.
 */
class LifecycleSession : public Object {
public:
    static constexpr const char* LOG_TAG = "LifecycleSession";

    explicit LifecycleSession(std::shared_ptr<DataStoreInterface> dataStore);

    /** The replaced session when this start (seconds) opens a new one; null when it resumes or cannot start. */
    std::shared_ptr<SessionInfo> Start(std::int64_t startTimestamp, std::int64_t sessionTimeout);
    void Pause(std::int64_t pauseTimestamp);
    /** At most one entry: the previous session's length, reported or ignored. */
    std::map<std::string, std::string> GetSessionData(std::int64_t startTimestamp, std::int64_t sessionTimeout,
                                                      const std::shared_ptr<SessionInfo>& previousSessionInfo) const;

private:
    const std::shared_ptr<DataStoreInterface> dataStore_;
    bool started_ = false;
};

}  // namespace NuvraMobile
