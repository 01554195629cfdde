#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "core/InternalModule.h"
#include "platformShim/PlatformServicesInterface.h"
#include "support/FakeEventHub.h"
#include "support/ManualTaskExecutor.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

class PlainModule : public InternalModule {
public:
    PlainModule() : InternalModule("plain.module") {}
    std::string GetSharedStateName() const override { return "com.nuvra.module.plain"; }
};

// Services whose disposal waits for another thread that asks the module something, as a service
// finishing a request for the module would.
class ServicesWaitingForTheModule : public Object, public virtual PlatformServicesInterface {
public:
    explicit ServicesWaitingForTheModule(const std::shared_ptr<Module>& module) : module_(module) {}

    bool Dispose(std::chrono::milliseconds) override {
        auto answer = std::async(std::launch::async,
                                 [module = module_.lock()] { return module->GetPlatformServices(); });
        answeredDuringDispose = answer.wait_for(SIGNAL_TIMEOUT) == std::future_status::ready;
        return true;
    }
    std::shared_ptr<LoggingServiceInterface> GetLoggingService() const override { return nullptr; }
    std::shared_ptr<NetworkServiceInterface> GetNetworkService() const override { return nullptr; }
    std::shared_ptr<LocalStorageServiceInterface> GetLocalStorageService() const override { return nullptr; }
    std::shared_ptr<DatabaseServiceInterface> GetDatabaseService() const override { return nullptr; }
    std::shared_ptr<SystemInfoServiceInterface> GetSystemInfoService() const override { return nullptr; }
    std::shared_ptr<UIServiceInterface> GetUIService() const override { return nullptr; }
    std::shared_ptr<JsonUtilityServiceInterface> GetJsonUtilityService() const override { return nullptr; }
    std::shared_ptr<FileSystemServiceInterface> GetFileSystemService() const override { return nullptr; }
    std::shared_ptr<RemoteFileManagerServiceInterface> GetRemoteFileManagerService() const override {
        return nullptr;
    }
    std::shared_ptr<CryptoServiceInterface> GetCryptoService() const override { return nullptr; }
    std::shared_ptr<EncodingServiceInterface> GetEncodingService() const override { return nullptr; }
    std::shared_ptr<URLServiceInterface> GetURLService() const override { return nullptr; }
    std::shared_ptr<CompressedFileServiceInterface> GetCompressedFileService() const override {
        return nullptr;
    }

    bool answeredDuringDispose = false;

private:
    std::weak_ptr<Module> module_;
};

TEST(ModuleConcurrencyTest, ServicesAreDisposedWithoutTheModuleLock) {
    auto hub = std::make_shared<FakeEventHub>();
    auto executor = std::make_shared<ManualTaskExecutor>();
    auto module = std::make_shared<PlainModule>();
    auto services = std::make_shared<ServicesWaitingForTheModule>(module);
    hub->Register(module, executor, services);
    module->UnregisterModule();
    hub->DriveIdle(module);
    executor->RunAll();
    hub->DriveIdle(module);
    EXPECT_TRUE(services->answeredDuringDispose);
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
}

}  // namespace
}  // namespace NuvraMobile
