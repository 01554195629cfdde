#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/values/Object.h"
#include "services/ui/UiPlatform.h"
#include "util/Mutex.h"

namespace NuvraMobile {

/**
 * Opens URLs for the UI service: the app's URL handler, when one is set, is offered each URL first;
 * what it does not handle goes to the system's URL opener on the main queue. One process-wide
 * instance holds the app's handler, which is set at most once. Any thread may call.
 */
class NVBUrlHandler : public Object {
public:
    /** True when the app has handled the URL. */
    using Handler = std::function<bool(const std::string& url)>;

    static std::shared_ptr<NVBUrlHandler> sharedInstance();

    /**
     * False for an absent or empty URL. Otherwise offers it to the app's handler on the caller's
     * thread and, unless that handled it, queues the opening; true in both cases.
     */
    static bool showUrl(const UiPlatform& platform, const std::optional<std::string>& url);

    /** False when the app's handler exists and handled `url`; true when the URL is still to be opened. */
    bool continueOpenUrl(const std::string& url);

    /** Keeps the first handler set; a later one is refused with a warning. */
    void setHandler(Handler handler);

private:
    Mutex mutex_;
    Handler handler NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
