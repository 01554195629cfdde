#pragma once

#include <memory>

namespace NuvraMobile {

class Core;
class LoggingServiceInterface;
class LoopbackHttpsServer;
class ObserverModule;
class SharedPlatformServices;

/** A booted core and the observer that hears its events. */
struct MeasuringCore {
    std::shared_ptr<Core> core;
    std::shared_ptr<ObserverModule> observer;
};

/**
 * Boots a real core over per-core services of `shared`, with Identity, Analytics (and Lifecycle when asked)
 * and an observer registered; the app ids' configuration files are fetched from `server`, which outlives the
 * core; the core logs to `logging` when one is given. Returns once the hub has booted. One test thread.
 */
MeasuringCore StartMeasuringCore(SharedPlatformServices& shared, const LoopbackHttpsServer& server,
                                 bool withLifecycle = false,
                                 std::shared_ptr<LoggingServiceInterface> logging = nullptr);

}  // namespace NuvraMobile
