#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "core/Core.h"
#include "core/values/Object.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/SharedPlatformServicesInterface.h"

namespace NuvraMobile {

/**
 * The process-wide owner of the running core. The first request of any public class starts the whole
 * system under the bridge mutex: the shared native services, the bridge's own per-core services, the core
 * (whose factory makes a further per-core services object on each call), then the migration of the
 * previous generation's data, still under the mutex so that no caller can boot the core before the
 * stores are migrated. Concurrent first requests wait and get the same bridge.
 *
 * ResetInstance takes the bridge out under the mutex and disposes, unlocked and each with a 0 ms timeout,
 * the core, the shared services and the bridge's own per-core services; the next request starts a new
 * system. Core start stays once per process, also after a reset.
 *
 * Process exit (a return from main, or exit()): the first start registers an exit handler that runs
 * before the statics the SDK's threads use are destroyed and before the transfer and TLS libraries clean
 * up. It marks the process as exiting, stops every hit queue, aborts every request in flight (their hits
 * stay stored for the next launch) and disposes the running system, waiting for its threads within a
 * bound; should any still be at work then, it ends the process at once with the exit status it was given,
 * rather than let those threads run into destroyed statics. An exit called on one of the SDK's own threads
 * (from an SDK callback) only starts the disposal, since that thread cannot end while it waits, and lets
 * the app's own exit handlers run. Stored hits stay stored either way. The disposed bridge stays in
 * its slot: calls that the app's own threads make from then on reach it and are dropped, and none starts
 * a new system. The bridge's statics are never destroyed.
 *
 * Any thread may call every operation. When start-up throws, nothing is kept: the exception leaves the
 * request and the next request starts again.
 */
class MobileMarketingCoreBridge : public Object {
public:
    using SharedServicesFactory = std::function<std::shared_ptr<SharedPlatformServicesInterface>()>;

    /**
     * The current bridge, started on the first call and after every reset; once exit has begun, the
     * disposed one. Never empty (throws instead).
     */
    static std::shared_ptr<MobileMarketingCoreBridge> GetInstance2();
    /** As GetInstance2, as a plain pointer: valid only until the next ResetInstance. */
    static MobileMarketingCoreBridge* GetInstance();
    /** Disposes the current bridge, if any; does nothing once exit has begun. */
    static void ResetInstance();
    /** The native shared services, with Objective-C task scopes around every task of their executors. */
    static std::shared_ptr<SharedPlatformServicesInterface> CreateNativeSharedPlatformServices();

    /**
     * Test-only: start-up makes its shared services with `createSharedServices` and migrates with
     * `migrate` from now on; empty functions restore the native services and the migration.
     */
    static void SetStartUpForTesting(SharedServicesFactory createSharedServices, std::function<void()> migrate);

    std::shared_ptr<Core> GetCore() const { return core_; }
    /** The bridge's own per-core services (not the core's). */
    std::shared_ptr<PlatformServicesInterface> GetPlatformServices() const { return platformServices_; }

private:
    MobileMarketingCoreBridge() = default;

    /** Disposes the core, then the shared and the bridge's services; false when one did not end in time. */
    bool Dispose(std::chrono::milliseconds timeout);
    /** Registers DisposeAtExit, once per process. */
    static void RegisterExitHandlerOnce();
    /** The exit handler; `status` is the process's exit status. */
    static void DisposeAtExit(int status, void* unused);

    std::shared_ptr<Core> core_;
    std::shared_ptr<SharedPlatformServicesInterface> sharedServices_;
    std::shared_ptr<PlatformServicesInterface> platformServices_;
};

}  // namespace NuvraMobile
