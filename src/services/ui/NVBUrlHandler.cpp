#include "services/ui/NVBUrlHandler.h"

#include "core/execution/AppCalls.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {
constexpr const char* LOG_TAG = "UrlHandler";
}

std::shared_ptr<NVBUrlHandler> NVBUrlHandler::sharedInstance() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static const auto* instance = new std::shared_ptr<NVBUrlHandler>(std::make_shared<NVBUrlHandler>());
    return *instance;
}

bool NVBUrlHandler::showUrl(const UiPlatform& platform, const std::optional<std::string>& url) {
    if (!url || url->empty()) {
        return false;
    }
    if (!sharedInstance()->continueOpenUrl(*url)) {
        return true;
    }
    platform.mainQueue->Async([opener = platform.urlOpener, url = *url] {
        if (!opener->Open(url)) {
            Log::Warning(LOG_TAG, "Fail to open url (%s)", url);
        }
    });
    return true;
}

bool NVBUrlHandler::continueOpenUrl(const std::string& url) {
    Handler appHandler;
    {
        MutexLock lock(mutex_);
        appHandler = handler;
    }
    bool handled = false;
    if (appHandler) {
        // Called unlocked: the app's handler may take its time.
        AppCalls::Run("a URL for the app's URL handler", [&] { handled = appHandler(url); });
    }
    return !handled;
}

void NVBUrlHandler::setHandler(Handler newHandler) {
    MutexLock lock(mutex_);
    if (handler) {
        Log::Warning(LOG_TAG, "UrlHandler can't be resigered repeatedly.");
        return;
    }
    handler = std::move(newHandler);
}

}  // namespace NuvraMobile
