#include "platform/MobileMarketingCoreBridge.h"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <utility>

#include "core/execution/AppCalls.h"
#include "core/execution/BoundedDisposal.h"
#include "core/execution/ExecutorShutdown.h"
#include "core/values/SdkError.h"

#include "platform/ExitStop.h"
#include "platform/ObjCRuntime.h"
#include "platform/V4Migration.h"
#include "services/PlatformServices.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/json/JsonTreeReader.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/network/CurlSession.h"
#include "services/threading/NativeThreadingService.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds NO_WAIT{0};
/** How long a process exit waits for the SDK's threads to end. */
constexpr std::chrono::milliseconds EXIT_DISPOSE_LIMIT{5000};
constexpr const char* LOG_TAG = "MobileMarketingCoreBridge";

/** The bridge mutex and what it guards. */
class Statics : public Object {
public:
    static Statics& Get() {
        // Never destroyed: the app's threads may still call the SDK while the process exits.
        static Statics* const statics = Create();
        return *statics;
    }

    Mutex mutex;
    /** Once `exiting`, the disposed bridge stays here: every later call reaches it and is dropped. */
    std::shared_ptr<MobileMarketingCoreBridge> bridge NVR_GUARDED_BY(mutex);
    /** Set by the exit handler: no call starts an SDK any more. */
    bool exiting NVR_GUARDED_BY(mutex) = false;
    MobileMarketingCoreBridge::SharedServicesFactory createSharedServices NVR_GUARDED_BY(mutex);
    std::function<void()> migrate NVR_GUARDED_BY(mutex);

private:
    static Statics* Create() {
        // The formatting and logging statics are built first, so they outlive the bridge at exit.
        StringUtils::ToString(StringUtils::Quotify("Nvsdk7218"));
        Log::Trace("Nvsdk7218", "");
        return new Statics();
    }
};

/** Takes the bridge out of its slot, so that the next call starts a new one; nothing once exit has begun. */
std::shared_ptr<MobileMarketingCoreBridge> TakeBridge() {
    Statics& statics = Statics::Get();
    MutexLock lock(statics.mutex);
    return statics.exiting ? nullptr : std::exchange(statics.bridge, nullptr);
}

/** Marks the process as exiting and returns the bridge, which stays in its slot. */
std::shared_ptr<MobileMarketingCoreBridge> MarkExiting() {
    Statics& statics = Statics::Get();
    MutexLock lock(statics.mutex);
    statics.exiting = true;
    return statics.bridge;
}

/** Set by the exit handler when the exit began on an SDK thread: the SDK's threads go on during the exit. */
std::atomic<bool> exitingFromAnSdkThread{false};

/**
 * After an exit from an SDK thread, ends the process once the app's own exit handlers and destructors have
 * run, before the statics of the libraries the SDK's threads are still in are destroyed under them.
 */
void EndBeforeTheLibrariesAreTornDown(int status, void*) {
    if (exitingFromAnSdkThread.load()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
}

/**
 * Runs while the program is loaded, before the app's own static constructors can register an exit handler,
 * and calls no SDK code (whose statics may not be built yet): the libraries build their statics first, so
 * that the exit handler registered after them runs after the app's and before theirs are destroyed; and the
 * TLS library is set up by the SDK, without its clean-up at exit, even when the app uses it too.
 */
__attribute__((constructor(101))) void SetUpTheLibrariesBeforeTheApp() {
    InitializeCryptoLibrary();
    JsonTreeReader::BuildLibraryStatics();
    on_exit(EndBeforeTheLibrariesAreTornDown, nullptr);
}

std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()),
                    NO_WAIT);
}

}  // namespace

void MobileMarketingCoreBridge::DisposeAtExit(int status, void*) {
    // First of all: the drain below may still answer the app's requests, but what their blocks reach may
    // already be gone.
    AppCalls::ShutForExit();
    const auto bridge = MarkExiting();
    // Nothing waits on a server any more: a request in flight ends now (its hit stays stored for the next
    // launch), and a request the drain starts fails at once.
    StopSendingForExit();
    if (!bridge) {
        return;
    }
    // An app that exits from an SDK callback: this thread never ends while we wait, so the disposal is only
    // started. The statics the SDK's threads use are never destroyed, so the app's own exit handlers and
    // destructors may run; the libraries' are not destroyed either (EndBeforeTheLibrariesAreTornDown, and
    // the TLS library is set up without its clean-up at exit).
    if (RunningTaskMark::IsRunningAnyTask()) {
        exitingFromAnSdkThread.store(true);
        bridge->Dispose(NO_WAIT);
        return;
    }
    if (bridge->Dispose(EXIT_DISPOSE_LIMIT)) {
        return;
    }
    Log::Warning(LOG_TAG, "The SDK's threads did not end within %s ms of exit; ending the process now.",
                 static_cast<long long>(EXIT_DISPOSE_LIMIT.count()));
    std::fflush(nullptr);
    std::_Exit(status);
}

/**
 * Called after the first start has built the statics that the SDK's threads use. Exit handlers run in the
 * reverse order of their registration, interleaved with the destruction of statics that libraries build
 * on first use: the transfer and TLS libraries and the JSON reader are used once first, so that their
 * statics outlive the handler.
 */
void MobileMarketingCoreBridge::RegisterExitHandlerOnce() {
    static const bool registered = [] {
        CurlSession::InitializeLibrary();
        CreateNativeJsonUtilityService()->CreateJsonObject("{\"exit\": [1]}");
        return on_exit(DisposeAtExit, nullptr) == 0;
    }();
    if (!registered) {
        Log::Warning(LOG_TAG, "Could not register the exit handler; the SDK is not stopped at exit.");
    }
}

std::shared_ptr<MobileMarketingCoreBridge> MobileMarketingCoreBridge::GetInstance2() {
    Statics& statics = Statics::Get();
    MutexLock lock(statics.mutex);
    if (statics.bridge) {
        return statics.bridge;
    }
    if (statics.exiting) {
        // Only after a reset: exit found no bridge to keep in the slot.
        Throw(SdkError("platform.exiting", "The process is exiting; the SDK is not started again",
                       CurrentDebugInfo()));
    }
    std::shared_ptr<MobileMarketingCoreBridge> bridge(new MobileMarketingCoreBridge());
    const auto sharedServices = statics.createSharedServices ? statics.createSharedServices()
                                                             : CreateNativeSharedPlatformServices();
    bridge->sharedServices_ = sharedServices;
    bridge->platformServices_ = sharedServices->CreatePlatformServices();
    // The factory holds the shared services, not the bridge: the core keeps it, and the bridge the core.
    bridge->core_ = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    statics.bridge = bridge;
    if (statics.migrate) {
        statics.migrate();
    } else {
        RunNVRV4Migration();
    }
    RegisterExitHandlerOnce();
    return bridge;
}

MobileMarketingCoreBridge* MobileMarketingCoreBridge::GetInstance() { return GetInstance2().get(); }

void MobileMarketingCoreBridge::ResetInstance() {
    if (const auto bridge = TakeBridge()) {
        bridge->Dispose(NO_WAIT);
    }
}

bool MobileMarketingCoreBridge::Dispose(std::chrono::milliseconds timeout) {
    const auto deadline = DisposeDeadline(timeout);
    // Whether the SDK's threads ended is what counts here: what the core dropped it has reported itself.
    bool disposed = !core_ || core_->End(timeout);
    if (sharedServices_) {
        disposed = DisposeWithin(
                       TimeLeft(deadline),
                       [this](std::chrono::milliseconds left) { return sharedServices_->Dispose(left); }, LOG_TAG,
                       "The shared services") &&
                   disposed;
    }
    if (platformServices_) {
        disposed = DisposeWithin(
                       TimeLeft(deadline),
                       [this](std::chrono::milliseconds left) { return platformServices_->Dispose(left); },
                       LOG_TAG, "The bridge's services") &&
                   disposed;
    }
    return disposed;
}

std::shared_ptr<SharedPlatformServicesInterface> MobileMarketingCoreBridge::CreateNativeSharedPlatformServices() {
    SetDefaultTaskScopeHook(CreateObjCTaskScopeHook());
    return SharedPlatformServices::Create();
}

void MobileMarketingCoreBridge::SetStartUpForTesting(SharedServicesFactory createSharedServices,
                                                     std::function<void()> migrate) {
    Statics& statics = Statics::Get();
    MutexLock lock(statics.mutex);
    statics.createSharedServices = std::move(createSharedServices);
    statics.migrate = std::move(migrate);
}

}  // namespace NuvraMobile
