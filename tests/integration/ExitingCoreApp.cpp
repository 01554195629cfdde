// A C++ app that exits without disposing its core. CoreExitProcessTest runs it as a process of its own, with
// its data folders in XDG_DATA_HOME and XDG_CACHE_HOME; a clean exit is status 0. Once a static of the app has
// begun its teardown, an SDK call that reaches it prints "the SDK called the app at exit: <what>". Its
// first argument names the case:
//   static    its core is built by a static initializer, with an extension of its own registered and the
//             SDK started, before another static of the app; main returns at once. The exit destroys the
//             app's static first, then the core, which unregisters the extension
//   later     it makes its core in main and keeps it for the process, then builds a static of its own (its
//             log, a function-local static); a thread of its own asks for the privacy status, again and
//             again, and writes each answer to the log; main returns once an answer has come. As long as the
//             SDK may still call the app, the log's teardown waits (10 s at most) for an answer
//   inflight  it asks for the privacy status and returns from main while the answer's callback runs on one
//             of the SDK's threads; the callback works for 200 ms, then reads a static of the app. That
//             static's teardown waits (10 s at most) for the callback to end
//   stuck     as inflight, but the callback never ends: it waits at a gate that the app never opens. The exit
//             waits for it for a bounded time only, says so, and goes on
//   callback  as later, but once an answer has come the listener of an extension of its own calls exit(0) on
//             one of the SDK's threads as it hears an event that the app dispatches, while the answers to the
//             app's thread go on (status 6: no exit in 30 s)
// At the end of its teardown a static of the app prints "the app's teardown ended".

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/Core.h"
#include "core/execution/AppCalls.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "externalModule/ExternalModuleInterface.h"
#include "externalModule/ExternalModuleListenerInterface.h"
#include "externalModule/ExternalModuleServicesInterface.h"
#include "services/PlatformServices.h"
#include "util/Log.h"

namespace {

using namespace NuvraMobile;

constexpr int kNoExitFromAnSdkCallback = 6;
constexpr std::chrono::seconds kTeardownBound{10};
/** How long the callback of an inflight run works before it reads the app's state. */
constexpr std::chrono::milliseconds kCallbackWork{200};

/** The first argument, read before main, for the static initializers. */
std::string GivenMode() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto afterProgram = line.find('\0');
    if (afterProgram == std::string::npos || afterProgram + 1 >= line.size()) {
        return "";
    }
    return line.substr(afterProgram + 1, line.find('\0', afterProgram + 1) - afterProgram - 1);
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

/** How a static of the app holds its teardown, for at most kTeardownBound. */
enum class Hold {
    NOT,
    /** Until the app's state has been used once. */
    UNTIL_USED,
    /** While the SDK may still call the app, until a call reaches the torn-down state. */
    WHILE_THE_SDK_MAY_CALL,
};

/**
 * State of the app that a static's destructor tears down (AppStatic). It is never freed, so that what reaches
 * it afterwards can say so instead of reading freed memory. Thread-safe.
 */
class AppState {
public:
    void TearDown(Hold hold) {
        std::unique_lock<std::mutex> lock(mutex_);
        gone_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, kTeardownBound, [&] { return calledWhileGone_ || Released(hold); });
        ended_ = true;
        changed_.notify_all();
        Say("the app's teardown ended");
    }

    /** What the app's code does with it, called by the SDK as `what`. */
    void Use(const char* what) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (gone_) {
            Say(std::string("the SDK called the app at exit: ") + what);
            calledWhileGone_ = true;
        }
        ++uses_;
        changed_.notify_all();
    }

    /** Waits, up to `bound`, for another use or for the end of the teardown; true once it has ended. */
    bool WaitForUseOrTheEndOfTeardown(std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        const int uses = uses_;
        changed_.wait_for(lock, bound, [&] { return ended_ || uses_ > uses; });
        return ended_;
    }

    /** Waits for the teardown to begin, up to `bound`. */
    void WaitForTeardown(std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, bound, [&] { return gone_; });
    }

private:
    bool Released(Hold hold) const {
        switch (hold) {
            case Hold::UNTIL_USED:
                return uses_ > 0;
            case Hold::WHILE_THE_SDK_MAY_CALL:
                return !AppCalls::Run("the exit probe", [] {});
            case Hold::NOT:
                break;
        }
        return true;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool gone_ = false;
    bool calledWhileGone_ = false;
    bool ended_ = false;
    int uses_ = 0;
};

/** A static of the app: its destructor tears its state down. */
class AppStatic {
public:
    explicit AppStatic(Hold hold) : state(*new AppState()), hold_(hold) {}
    ~AppStatic() { state.TearDown(hold_); }
    AppStatic(const AppStatic&) = delete;
    AppStatic& operator=(const AppStatic&) = delete;

    AppState& state;

private:
    const Hold hold_;
};

/** The app's core, for the process: the app never releases it. */
std::shared_ptr<Core> KeptCore() {
    static const auto* const kept = new std::shared_ptr<Core>([] {
        const auto services = CreateNativeSharedPlatformServices();
        return Core::Create([services] { return services->CreatePlatformServices(); });
    }());
    return *kept;
}

}  // namespace

// Case static: the core, then a static of the app that its extension reaches; both built before main.

namespace {

AppState* extensionState = nullptr;

class AppExtension : public Object, public virtual ExternalModuleInterface {
public:
    std::string GetModuleName() override { return "com.example.exiting"; }
    std::string GetModuleVersion() override { return "1.0"; }
    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>&) override {}
    void OnUnexpectedError(SdkError&) override {}
    void OnUnregister() override { extensionState->Use("the extension's OnUnregister"); }
};

std::shared_ptr<Core> StaticCore() {
    if (GivenMode() != "static") {
        return nullptr;
    }
    const auto services = CreateNativeSharedPlatformServices();
    const auto core = Core::Create([services] { return services->CreatePlatformServices(); });
    core->RegisterExternalModule(std::make_shared<AppExtension>(), nullptr);
    core->Start([] {});
    return core;
}

const std::shared_ptr<Core> staticCore = StaticCore();
AppStatic builtAfterTheCore(Hold::NOT);
const bool extensionStateSet = (extensionState = &builtAfterTheCore.state, true);

// Case inflight: a static of the app built before its core, which a callback reads.
AppStatic builtBeforeTheCore(GivenMode() == "inflight" ? Hold::UNTIL_USED : Hold::NOT);

/** Case later: the app's log, built on first use. */
AppState& AppLog() {
    static AppStatic log(Hold::WHILE_THE_SDK_MAY_CALL);
    return log.state;
}

/**
 * Asks for the privacy status again and again, writing each answer to the log, until the log's teardown has
 * ended.
 */
void AskUntilTheLogIsTornDown(const std::shared_ptr<Core>& core) {
    do {
        core->GetPrivacyStatus([](MobilePrivacyStatus) { AppLog().Use("the answer to a request"); });
    } while (!AppLog().WaitForUseOrTheEndOfTeardown(kTeardownBound));
}

/**
 * Builds the log after the core, registers `extension` (when there is one), and returns once the app's thread
 * has had an answer.
 */
std::shared_ptr<Core> AskWithALogBuiltAfterTheCore(const std::shared_ptr<ExternalModuleInterface>& extension) {
    const auto core = KeptCore();
    AppLog();
    if (extension) {
        core->RegisterExternalModule(extension, nullptr);
    }
    core->Start([] {});
    std::thread(AskUntilTheLogIsTornDown, core).detach();
    AppLog().WaitForUseOrTheEndOfTeardown(kTeardownBound);
    return core;
}

// Cases inflight and stuck: whether the callback runs; never destroyed, since the callback outlives main.
auto* const callbackMutex = new std::mutex();
auto* const callbackCalled = new std::condition_variable();
bool callbackRunning = false;

/** Case inflight: the callback's work, which ends early only when the app's teardown has begun beside it. */
void WorkThenReadTheAppsState() {
    builtBeforeTheCore.state.WaitForTeardown(kCallbackWork);
    builtBeforeTheCore.state.Use("a callback that began before the exit");
}

/** Case stuck: the callback's work, which never ends. */
void WaitAtAGateThatNeverOpens() {
    static auto* const gate = new std::promise<void>();
    gate->get_future().wait();
}

/** Returns from main once the answer's callback has begun `work`. */
int ReturnWhileACallbackRuns(void (*work)()) {
    const auto core = KeptCore();
    core->Start([] {});
    core->GetPrivacyStatus([work](MobilePrivacyStatus) {
        {
            std::lock_guard<std::mutex> lock(*callbackMutex);
            callbackRunning = true;
            callbackCalled->notify_all();
        }
        work();
    });
    std::unique_lock<std::mutex> lock(*callbackMutex);
    callbackCalled->wait(lock, [] { return callbackRunning; });
    return 0;
}

constexpr const char* kExitEvent = "exit now";

/** Case callback: calls exit(0) as it hears kExitEvent, on its module's thread. */
class ExitingListener : public Object, public virtual ExternalModuleListenerInterface {
public:
    void OnRegistered() override {}
    void Hear(const std::shared_ptr<Event>& event) override {
        if (event->GetName() == kExitEvent) {
            std::exit(0);
        }
    }
    void OnUnregistered() override {}
};

class ExitingExtension : public Object, public virtual ExternalModuleInterface {
public:
    std::string GetModuleName() override { return "com.example.exitfromalistener"; }
    std::string GetModuleVersion() override { return "1.0"; }
    void OnRegister(const std::shared_ptr<ExternalModuleServicesInterface>& services) override {
        services->RegisterWildcardListener(std::make_shared<ExitingListener>());
    }
    void OnUnexpectedError(SdkError&) override {}
    void OnUnregister() override {}
};

[[noreturn]] void ExitFromACallback() {
    const auto core = AskWithALogBuiltAfterTheCore(std::make_shared<ExitingExtension>());
    core->DispatchEvent(EventBuilder(kExitEvent, EventType::CUSTOM, EventSource::REQUEST_CONTENT).Build(), nullptr);
    std::this_thread::sleep_for(std::chrono::seconds(30));
    std::exit(kNoExitFromAnSdkCallback);
}

}  // namespace

int main() {
    Log::SetLogLevel(LoggingMode::Warning);
    const std::string mode = GivenMode();
    if (mode == "later") {
        AskWithALogBuiltAfterTheCore(nullptr);
        return 0;
    }
    if (mode == "inflight") {
        return ReturnWhileACallbackRuns(WorkThenReadTheAppsState);
    }
    if (mode == "stuck") {
        return ReturnWhileACallbackRuns(WaitAtAGateThatNeverOpens);
    }
    if (mode == "callback") {
        ExitFromACallback();
    }
    return 0;
}
