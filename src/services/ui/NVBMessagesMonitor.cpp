#include "services/ui/NVBMessagesMonitor.h"

namespace NuvraMobile {

std::atomic<bool> NVBMessagesMonitor::message_displayed{false};

void NVBMessagesMonitor::displayed() {
    message_displayed.store(true);
}

void NVBMessagesMonitor::dismissed() {
    message_displayed.store(false);
}

bool NVBMessagesMonitor::isDisplayed() const {
    return message_displayed.load();
}

bool NVBMessagesMonitor::tryDisplayed() {
    bool expected = false;
    return message_displayed.compare_exchange_strong(expected, true);
}

}  // namespace NuvraMobile
