#pragma once

#include <atomic>

#include "core/values/Object.h"

namespace NuvraMobile {

/**
 * Keeps alerts and full-screen messages to one on screen at a time. The flag is process-wide: every
 * monitor sees the same one. Any thread may call.
 */
class NVBMessagesMonitor : public Object {
public:
    void displayed();
    void dismissed();
    bool isDisplayed() const;

    /** Sets the flag when it is clear, in one atomic step; false when another message holds it. */
    bool tryDisplayed();

private:
    static std::atomic<bool> message_displayed;
};

}  // namespace NuvraMobile
