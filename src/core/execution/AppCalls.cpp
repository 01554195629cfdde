#include "core/execution/AppCalls.h"

#include <atomic>
#include <cstdlib>

#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "AppCalls";

std::atomic<bool> shutForExit{false};

}  // namespace

bool AppCalls::Run(const char* what, const std::function<void()>& call) {
    if (shutForExit.load()) {
        Log::Debug(LOG_TAG, "Dropped %s: the process is exiting.", what);
        return false;
    }
    call();
    return true;
}

void AppCalls::ShutForExit() { shutForExit.store(true); }

void AppCalls::ShutAtExit() {
    static const bool registered = std::atexit(ShutForExit) == 0;
    if (!registered) {
        Log::Warning(LOG_TAG, "Could not register the exit handler; the SDK may call the app while it exits.");
    }
}

}  // namespace NuvraMobile
