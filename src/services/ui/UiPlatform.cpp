#include "services/ui/UiPlatform.h"

#include <mutex>

#include "services/ui/MainQueue.h"
#include "services/ui/RecordingNotificationSink.h"
#include "services/ui/RecordingUiBackend.h"
#include "services/ui/RecordingUrlOpener.h"
#include "util/Log.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

struct ProcessUiPlatform {
    Mutex mutex;
    bool made NVR_GUARDED_BY(mutex) = false;
    UiPlatform platform NVR_GUARDED_BY(mutex);
};

ProcessUiPlatform& Process() {
    static ProcessUiPlatform process;
    return process;
}

/** Under the process lock. */
void CompleteWithDefaults(UiPlatform& platform) {
    if (!platform.mainQueue) {
        platform.mainQueue = MainQueue::StartOwnThread();
    }
    if (!platform.backend) {
        platform.backend = std::make_shared<RecordingUiBackend>(platform.mainQueue);
    }
    if (!platform.urlOpener) {
        platform.urlOpener = std::make_shared<RecordingUrlOpener>();
    }
    if (!platform.notificationSink) {
        platform.notificationSink = std::make_shared<RecordingNotificationSink>();
    }
}

}  // namespace

UiPlatform GetUiPlatform() {
    ProcessUiPlatform& process = Process();
    MutexLock lock(process.mutex);
    if (!process.made) {
        CompleteWithDefaults(process.platform);
        process.made = true;
    }
    return process.platform;
}

bool InstallUiPlatform(UiPlatform platform) {
    ProcessUiPlatform& process = Process();
    MutexLock lock(process.mutex);
    if (process.made) {
        Log::Warning("UiPlatform", "The UI platform is in use already, keeping it");
        return false;
    }
    CompleteWithDefaults(platform);
    process.platform = std::move(platform);
    process.made = true;
    return true;
}

}  // namespace NuvraMobile
