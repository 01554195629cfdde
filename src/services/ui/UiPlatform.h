#pragma once

#include <memory>

#include "services/ui/MainQueueInterface.h"
#include "services/ui/NotificationSinkInterface.h"
#include "services/ui/UiBackendInterface.h"
#include "services/ui/UrlOpenerInterface.h"

namespace NuvraMobile {

/**
 * The main queue the presenters run on, the backend they draw with, the system's URL opener and the
 * notification sink.
 */
struct UiPlatform {
    std::shared_ptr<MainQueueInterface> mainQueue;
    std::shared_ptr<UiBackendInterface> backend;
    std::shared_ptr<UrlOpenerInterface> urlOpener;
    std::shared_ptr<NotificationSinkInterface> notificationSink;
};

/**
 * The process's UI platform. Unless the host installed one first, the first call makes the defaults:
 * a main queue on its own thread, the recording backend, URL opener and notification sink.
 */
UiPlatform GetUiPlatform();

/**
 * Installs the host's UI platform (a pumped main queue, an opener that starts a program...); every
 * empty member takes its default. Only before the first GetUiPlatform: false, and nothing changes,
 * afterwards.
 */
bool InstallUiPlatform(UiPlatform platform);

}  // namespace NuvraMobile
