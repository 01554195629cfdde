#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "core/execution/DefaultThreadingServiceInterface.h"
#include "core/module/InternalModule.h"
#include "core/module/ModulePlatformServices.h"
#include "core/values/SdkError.h"
#include "platformShim/ThreadingServiceInterface.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/ManualTaskExecutor.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

class PlainModule : public InternalModule {
public:
    PlainModule() : InternalModule("plain.module") {}
    std::string GetSharedStateName() const override { return "com.nuvra.module.plain"; }
};

// Platform services that hand out a logging service and a threading service of their own and
// record how they were disposed.
class RecordingPlatformServices : public FakePlatformServices {
public:
    RecordingPlatformServices() {
        loggingService = std::make_shared<CapturingLoggingService>();
        threadingService = DefaultThreadingServiceInterface::Create();
    }
    bool Dispose(std::chrono::milliseconds timeout) override {
        disposedWith = timeout.count();
        return FakePlatformServices::Dispose(timeout);
    }

    std::atomic<int64_t> disposedWith{-1};
};

class ModulePlatformServicesTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& executor : {moduleExecutor, master}) {
            if (executor) {
                executor->Dispose(std::chrono::milliseconds(1000));
            }
        }
    }

    // Registers the module as the hub does: wrapped services and a "/default" executor from them.
    void Register() {
        wrapper = ModulePlatformServicesInterface::Create(module, services, master);
        moduleExecutor = wrapper->GetThreadingService()->CreateSequentialTaskExecutor(
            module->GetModuleName() + "/default");
        hub->Register(module, moduleExecutor, wrapper);
    }

    std::shared_ptr<TaskExecutorInterface> master =
        DefaultThreadingServiceInterface::Create()->CreateParallelTaskExecutor("master");
    std::shared_ptr<RecordingPlatformServices> services = std::make_shared<RecordingPlatformServices>();
    std::shared_ptr<PlainModule> module = std::make_shared<PlainModule>();
    std::shared_ptr<FakeEventHub> hub = std::make_shared<FakeEventHub>();
    std::shared_ptr<ModulePlatformServicesInterface> wrapper;
    std::shared_ptr<TaskExecutorInterface> moduleExecutor;
};

TEST_F(ModulePlatformServicesTest, GettersForwardExceptThreading) {
    Register();
    EXPECT_EQ(services->loggingService, wrapper->GetLoggingService());
    EXPECT_EQ(nullptr, wrapper->GetNetworkService());
    ASSERT_TRUE(wrapper->GetThreadingService());
    EXPECT_NE(services->threadingService, wrapper->GetThreadingService());
    EXPECT_EQ(wrapper->GetThreadingService(), wrapper->GetThreadingService());
    EXPECT_TRUE(wrapper->Dispose(std::chrono::milliseconds(7)));
    EXPECT_EQ(7, services->disposedWith.load());
}

TEST_F(ModulePlatformServicesTest, OtherExecutorsOfTheModuleRunInParallelWithItsQueue) {
    Register();
    auto other = wrapper->GetThreadingService()->CreateSequentialTaskExecutor("other");
    Gate otherRan;
    Gate queueTaskDone;
    std::atomic<bool> sawOther{false};
    module->AddTaskToQueue("waits for the other executor", [&] {
        sawOther = otherRan.Wait();
        queueTaskDone.Open();
    });
    ASSERT_TRUE(other->AddTask([&] { otherRan.Open(); }));
    ASSERT_TRUE(queueTaskDone.Wait());
    EXPECT_TRUE(sawOther.load());
    other->Dispose(std::chrono::milliseconds(1000));
}

TEST_F(ModulePlatformServicesTest, ErrorsOfModuleExecutorsReachTheirCallbackWithTheTaskName) {
    Register();
    auto parallel = wrapper->GetThreadingService()->CreateParallelTaskExecutor("worker");
    SignalCounter failures;
    std::string failedName;
    ASSERT_TRUE(parallel->AddTask([] { Throw("general.unexpected", "no"); },
                                  [&](std::string name, SdkError&) {
                                      failedName = name;
                                      failures.Raise();
                                  },
                                  "job"));
    ASSERT_TRUE(failures.WaitFor(1));
    EXPECT_EQ("worker.job", failedName);
    parallel->Dispose(std::chrono::milliseconds(1000));
}

TEST_F(ModulePlatformServicesTest, ExecutorsRefuseTasksOnceTheModuleIsGone) {
    auto threading = ModulePlatformServicesInterface::Create(module, services, master)->GetThreadingService();
    auto executor = threading->CreateParallelTaskExecutor("late");
    module.reset();
    EXPECT_FALSE(executor->AddTask([] { ADD_FAILURE(); }));
    executor->Dispose(std::chrono::milliseconds(1000));
}

TEST_F(ModulePlatformServicesTest, UnregistrationCompletesOnRealExecutors) {
    ScopedCapturingLog log(LoggingMode::Warning);
    Register();
    SignalCounter ran;
    for (int i = 0; i < 20; ++i) {
        module->AddTaskToQueue("work", [&] { ran.Raise(); });
    }
    ASSERT_TRUE(ran.WaitFor(20));
    module->UnregisterModule();
    // The hub side keeps visiting the module, as the hub's idle turns do, until it is gone.
    ASSERT_TRUE(WaitUntil([&] {
        hub->DriveIdle(module);
        return !hub->UnregisteredModules().empty();
    }));
    EXPECT_EQ(1u, hub->UnregisteredModules().size());
    EXPECT_TRUE(moduleExecutor->IsDisposed());
    EXPECT_EQ(0, services->disposedWith.load());
    EXPECT_FALSE(module->IsRegistered());
}

TEST_F(ModulePlatformServicesTest, AModuleReleasedInsideItsOwnTaskIsDestroyedPromptly) {
    Register();
    std::weak_ptr<PlainModule> watched = module;
    Gate release;
    SignalCounter ran;
    module->AddTaskToQueue("last owner", [&] {
        release.Hold();
        ran.Raise();
    });
    module.reset();
    wrapper.reset();
    moduleExecutor.reset();
    release.Open();
    ASSERT_TRUE(ran.WaitFor(1));
    EXPECT_TRUE(WaitUntil([&] { return watched.expired(); }));
}

// Services whose disposal waits for another thread that asks the module something, as a service
// finishing a request for the module would.
class ServicesWaitingForTheModule : public RecordingPlatformServices {
public:
    explicit ServicesWaitingForTheModule(const std::shared_ptr<Module>& module) : module_(module) {}

    bool Dispose(std::chrono::milliseconds timeout) override {
        auto answer = std::async(std::launch::async,
                                 [module = module_.lock()] { return module->GetPlatformServices(); });
        answeredDuringDispose = answer.wait_for(SIGNAL_TIMEOUT) == std::future_status::ready;
        return RecordingPlatformServices::Dispose(timeout);
    }

    bool answeredDuringDispose = false;

private:
    std::weak_ptr<Module> module_;
};

TEST(ModuleServicesDisposalTest, ServicesAreDisposedWithoutTheModuleLock) {
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
