#include "platform/MobileMarketingCoreBridge.h"

#include <chrono>
#include <mutex>

#include "platform/ObjCRuntime.h"
#include "platform/V4Migration.h"
#include "services/PlatformServices.h"
#include "services/threading/NativeThreadingService.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

constexpr std::chrono::milliseconds NO_WAIT{0};

/** The bridge mutex and what it guards. */
class Statics : public Object {
public:
    static Statics& Get() {
        static const std::shared_ptr<Statics> statics = Create();
        return *statics;
    }

    Mutex mutex;
    std::shared_ptr<MobileMarketingCoreBridge> bridge NVR_GUARDED_BY(mutex);
    MobileMarketingCoreBridge::SharedServicesFactory createSharedServices NVR_GUARDED_BY(mutex);
    std::function<void()> migrate NVR_GUARDED_BY(mutex);

private:
    static std::shared_ptr<Statics> Create() {
        // The formatting and logging statics are built first, so they outlive the bridge at exit.
        StringUtils::ToString(StringUtils::Quotify("Nvsdk7218"));
        Log::Trace("Nvsdk7218", "");
        return std::make_shared<Statics>();
    }
};

}  // namespace

std::shared_ptr<MobileMarketingCoreBridge> MobileMarketingCoreBridge::GetInstance2() {
    Statics& statics = Statics::Get();
    MutexLock lock(statics.mutex);
    if (statics.bridge) {
        return statics.bridge;
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
    return bridge;
}

MobileMarketingCoreBridge* MobileMarketingCoreBridge::GetInstance() { return GetInstance2().get(); }

void MobileMarketingCoreBridge::ResetInstance() {
    std::shared_ptr<MobileMarketingCoreBridge> bridge;
    {
        Statics& statics = Statics::Get();
        MutexLock lock(statics.mutex);
        bridge.swap(statics.bridge);
    }
    if (!bridge) {
        return;
    }
    if (bridge->core_) {
        bridge->core_->Dispose(NO_WAIT);
    }
    if (bridge->sharedServices_) {
        bridge->sharedServices_->Dispose(NO_WAIT);
    }
    if (bridge->platformServices_) {
        bridge->platformServices_->Dispose(NO_WAIT);
    }
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
