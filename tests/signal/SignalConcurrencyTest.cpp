// The Signal module on a real core: the hub's rules engine turns tracked actions into "pb" and "url"
// consequences, Configuration publishes the privacy, and the native services send the postbacks to a
// loopback HTTPS server, over a temporary folder that later sessions reuse.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/Rule.h"
#include "rulesengine/RulesEngineTestSupport.h"
#include "services/PlatformServices.h"
#include "services/ui/RecordingUrlOpener.h"
#include "services/ui/UiPlatform.h"
#include "signal/Signal.h"
#include "signal/SignalHitQueue.h"
#include "signal/SignalHitsDatabase.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ReachableLoopback.h"
#include "support/RecordingUiService.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

/** A hits database that lets the test wait until requests are stored. */
class ObservedHitsDatabase : public SignalHitsDatabase {
public:
    using SignalHitsDatabase::SignalHitsDatabase;

    void Queue(const std::shared_ptr<SignalHit>& hit, std::int64_t timestamp,
               MobilePrivacyStatus status) override {
        SignalHitsDatabase::Queue(hit, timestamp, status);
        std::lock_guard<std::mutex> lock(mutex_);
        ++queued_;
        changed_.notify_all();
    }

    bool WaitForQueued(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return queued_ >= count; });
    }

    int Queued() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queued_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int queued_ = 0;
};

/** The Signal module with an observed database whose retries pause 10 ms instead of 30 s. */
class TestSignal : public Signal {
public:
    std::shared_ptr<ObservedHitsDatabase> database;
    std::shared_ptr<ScriptedNetworkService> network;

protected:
    std::shared_ptr<SignalHitsDatabase> CreateDatabase() override {
        const auto services = GetPlatformServices();
        network = std::dynamic_pointer_cast<ScriptedNetworkService>(services->GetNetworkService());
        auto queue = std::make_shared<SignalHitQueue>(
            services, std::make_shared<SignalDatabaseHitSchema>(),
            std::make_shared<SignalHitProcessor>(services->GetNetworkService(),
                                                 services->GetSystemInfoService()));
        queue->SetRetryPauseForTesting(10ms);
        database = std::make_shared<ObservedHitsDatabase>(services, queue);
        return database;
    }
};

/** Platform services that have no UI service at all. */
class ServicesWithoutUi : public FakePlatformServices {
public:
    using FakePlatformServices::FakePlatformServices;
    std::shared_ptr<UIServiceInterface> GetUIService() const override { return nullptr; }
};

class SignalIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.SetDefaultHandler([this](const LoopbackRequest& request) { return Answer(request); });
        shared_ = SharedPlatformServices::Create();
    }

    void TearDown() override {
        StopSession();
        server_.Stop();
        Log::SetLoggingService(nullptr);
    }

    /**
     * A new core over the same folders with Signal registered, booted; `ui` may be null. As in the
     * application, every module has services of its own, with its own network service.
     */
    void StartSession(const std::shared_ptr<UIServiceInterface>& ui) {
        core_ = Core::Create([this, ui] {
            // The native services of one core, with the test's network, UI and logging services in their
            // place.
            const auto inner = shared_->CreatePlatformServices();
            std::shared_ptr<FakePlatformServices> services =
                ui ? std::make_shared<FakePlatformServices>(inner)
                   : std::make_shared<ServicesWithoutUi>(inner);
            services->networkService = std::make_shared<ScriptedNetworkService>(inner->GetNetworkService());
            services->uiService = ui;
            services->loggingService = log_;
            return services;
        });
        Log::SetLogLevel(LoggingMode::Trace);
        observer_ = std::make_shared<ObserverModule>();
        ruleOwner_ = std::make_shared<RuleOwnerModule>();
        signal_ = std::make_shared<TestSignal>();
        for (const std::shared_ptr<Module>& module :
             std::vector<std::shared_ptr<Module>>{observer_, ruleOwner_, signal_}) {
            core_->GetEventHub()->RegisterModule(module);
        }
        BootCore(*core_);
        ASSERT_NE(nullptr, observer_->WaitForName("EventHub"));
        rules_.clear();
    }

    void StartSession() { StartSession(ui_); }

    void StopSession() {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
            core_.reset();
            observer_.reset();
            ruleOwner_.reset();
            signal_.reset();
        }
    }

    /** A rule: tracking `action` triggers a consequence of `type` with `detail` (tokens expanded). */
    void AddRule(const std::string& action, const std::string& type, const VariantMap& detail) {
        rules_.push_back(std::make_shared<Rule>(
            Matches("action", "eq", "[\"" + action + "\"]"),
            std::vector<std::shared_ptr<Event>>{ConsequenceEvent("id-" + action, type, detail)}));
        ruleOwner_->ReplaceRulesSet(rules_);
    }

    /** A "pb" rule for `action` that sends a GET to the server path "/" + action. */
    void AddPostback(const std::string& action) {
        AddRule(action, "pb", {{"templateurl", Variant::FromString(server_.Url("/" + action))}});
    }

    /** Tracks `action` and waits until the hub has dispatched the rule's consequence event. */
    void Track(const std::string& action) {
        const auto consequences = [action](const std::vector<std::shared_ptr<Event>>& events) {
            size_t count = 0;
            for (const auto& event : events) {
                EventData::VariantMap triggered;
                std::string id;
                count += event->GetName() == "Rules Event" &&
                         event->GetData()->GetVariantMap("triggeredconsequence", triggered) &&
                         triggered.at("id")->GetString(id) && id == "id-" + action;
            }
            return count;
        };
        const size_t before = consequences(observer_->Events());
        core_->Track(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", action}}));
        ASSERT_TRUE(observer_->WaitUntil([&](const std::vector<std::shared_ptr<Event>>& events) {
            return consequences(events) > before;
        }));
    }

    /** Updates the configuration's privacy and waits until it is published. */
    void SetPrivacy(const std::string& privacy) {
        const auto publications = [privacy](const std::vector<std::shared_ptr<Event>>& events) {
            size_t count = 0;
            for (const auto& event : events) {
                count += event->GetName() == "Configuration Response Event" &&
                         event->GetData()->OptString("global.privacy", "") == privacy;
            }
            return count;
        };
        const size_t before = publications(observer_->Events());
        core_->UpdateConfiguration({{"global.privacy", Variant::FromString(privacy)}});
        ASSERT_TRUE(observer_->WaitUntil([&](const std::vector<std::shared_ptr<Event>>& events) {
            return publications(events) > before;
        }));
    }

    /** The server answers the path's scripted statuses in turn, then 200. */
    void Script(const std::string& path, std::deque<int> statuses) {
        std::lock_guard<std::mutex> lock(mutex_);
        scripts_[path] = std::move(statuses);
    }

    LoopbackResponse Answer(const LoopbackRequest& request) {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
        received_.notify_all();
        auto& script = scripts_[request.path];
        if (script.empty()) {
            return {200, {}, ""};
        }
        const int status = script.front();
        script.pop_front();
        return {status, {}, ""};
    }

    /** The first `count` requests, waiting up to 10 s for them. */
    std::vector<LoopbackRequest> WaitForRequests(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        received_.wait_for(lock, 10s, [&] { return requests_.size() >= count; });
        return requests_;
    }

    std::vector<std::string> RequestPaths() {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> paths;
        for (const auto& request : requests_) {
            paths.push_back(request.path);
        }
        return paths;
    }

    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    std::shared_ptr<CapturingLoggingService> log_ = std::make_shared<CapturingLoggingService>();
    std::shared_ptr<RecordingUiService> ui_ = std::make_shared<RecordingUiService>();
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<RuleOwnerModule> ruleOwner_;
    std::shared_ptr<TestSignal> signal_;
    std::vector<std::shared_ptr<Rule>> rules_;
    std::mutex mutex_;
    std::condition_variable received_;
    std::vector<LoopbackRequest> requests_;
    std::map<std::string, std::deque<int>> scripts_;
};

TEST_F(SignalIntegrationTest, PostbackWithABodyIsOnePostAndWithoutOneAGet) {
    StartSession();
    SetPrivacy("optedin");
    AddRule("buy", "pb",
            {{"templateurl", Variant::FromString(server_.Url("/post?item={%action%}"))},
             {"templatebody", Variant::FromString("item={%action%}")},
             {"contenttype", Variant::FromString("application/json")},
             {"timeout", Variant::FromInteger(7)}});
    AddRule("view", "pb",
            {{"templateurl", Variant::FromString(server_.Url("/get"))},
             {"contenttype", Variant::FromString("application/json")}});
    Track("buy");
    Track("view");

    const auto requests = WaitForRequests(2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/post", requests[0].path);
    EXPECT_EQ("item=buy", requests[0].body);
    EXPECT_EQ("application/json", requests[0].Header("Content-Type"));
    EXPECT_EQ("GET", requests[1].method);
    EXPECT_EQ("/get", requests[1].path);
    EXPECT_EQ("application/x-www-form-urlencoded", requests[1].Header("Content-Type"));
    const auto post = signal_->network->RequestTo("/post");
    EXPECT_EQ(7, post.connectTimeout);
    EXPECT_EQ(7, post.readTimeout);
    const auto get = signal_->network->RequestTo("/get");
    EXPECT_EQ(2, get.connectTimeout);
    EXPECT_EQ(2, get.readTimeout);
}

TEST_F(SignalIntegrationTest, OptedOutPostbackIsNeitherStoredNorSent) {
    StartSession();
    SetPrivacy("optedout");
    AddPostback("secret");
    AddPostback("after");
    Track("secret");
    SetPrivacy("optedin");
    Track("after");

    ASSERT_TRUE(signal_->database->WaitForQueued(1));
    EXPECT_EQ((std::vector<std::string>{"/after"}), [&] {
        WaitForRequests(1);
        return RequestPaths();
    }());
    EXPECT_EQ(1, signal_->database->Queued());
}

TEST_F(SignalIntegrationTest, RowsStoredUnderUnknownPrivacySurviveARestartAndGoInOrderAfterOptIn) {
    StartSession();
    SetPrivacy("optunknown");
    AddPostback("first");
    AddPostback("second");
    Track("first");
    Track("second");
    ASSERT_TRUE(signal_->database->WaitForQueued(2));
    StopSession();
    EXPECT_TRUE(RequestPaths().empty());

    StartSession();
    SetPrivacy("optedin");
    WaitForRequests(2);
    EXPECT_EQ((std::vector<std::string>{"/first", "/second"}), RequestPaths());
}

TEST_F(SignalIntegrationTest, UnavailableServerIsRetriedAndMissingPageDropped) {
    Script("/busy", {503, 503});
    Script("/gone", {404});
    StartSession();
    SetPrivacy("optedin");
    for (const char* action : {"busy", "gone", "after"}) {
        AddPostback(action);
    }
    for (const char* action : {"busy", "gone", "after"}) {
        Track(action);
    }
    WaitForRequests(5);
    EXPECT_EQ((std::vector<std::string>{"/busy", "/busy", "/busy", "/gone", "/after"}), RequestPaths());
}

TEST_F(SignalIntegrationTest, PlainHttpPostbackIsDiscardedWithoutRetrying) {
    StartSession();
    SetPrivacy("optedin");
    const std::string plain = "http://127.0.0.1:" + std::to_string(server_.Port()) + "/plain";
    AddRule("plain", "pb", {{"templateurl", Variant::FromString(plain)}});
    AddPostback("after");
    Track("plain");
    Track("after");

    WaitForRequests(1);
    EXPECT_EQ((std::vector<std::string>{"/after"}), RequestPaths());
    size_t plainCalls = 0;
    for (const auto& call : signal_->network->Requests()) {
        plainCalls += call.url == plain;
    }
    EXPECT_EQ(1u, plainCalls);
    EXPECT_TRUE(log_->Contains("Failed to send the request (" + plain + "), error message ("));
}

TEST_F(SignalIntegrationTest, PostbackBeforeAnyConfigurationWaitsForIt) {
    StartSession();
    AddPostback("early");
    Track("early");
    SetPrivacy("optedin");

    WaitForRequests(1);
    EXPECT_EQ((std::vector<std::string>{"/early"}), RequestPaths());
}

TEST_F(SignalIntegrationTest, UrlConsequenceOpensItsUrlWithoutAnyConfiguration) {
    StartSession();
    AddRule("open", "url", {{"url", Variant::FromString("app://page/{%action%}")}});
    Track("open");
    EXPECT_EQ((std::vector<std::string>{"app://page/open"}), ui_->WaitForUrls(1));
}

/** A server path whose requests wait until the test lets them go; released at the latest when destroyed. */
class HeldRequests {
public:
    HeldRequests(LoopbackHttpsServer& server, const std::string& path) : state_(std::make_shared<State>()) {
        server.Handle(path, [state = state_](const LoopbackRequest&) {
            std::unique_lock<std::mutex> lock(state->mutex);
            state->entered = true;
            state->changed.notify_all();
            state->changed.wait(lock, [&] { return state->released; });
            return LoopbackResponse{200, {}, ""};
        });
    }
    ~HeldRequests() {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->released = true;
        state_->changed.notify_all();
    }

    bool WaitUntilOneIsHeld() {
        std::unique_lock<std::mutex> lock(state_->mutex);
        return state_->changed.wait_for(lock, 10s, [&] { return state_->entered; });
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool released = false;
    };
    const std::shared_ptr<State> state_;
};

TEST_F(SignalIntegrationTest, PostbackInFlightDoesNotHoldTheShutdown) {
    HeldRequests held(server_, "/slow");
    StartSession();
    SetPrivacy("optedin");
    AddRule(
        "slow", "pb",
        {{"templateurl", Variant::FromString(server_.Url("/slow"))}, {"timeout", Variant::FromInteger(60)}});
    Track("slow");
    ASSERT_TRUE(held.WaitUntilOneIsHeld());

    // The request may take two minutes to time out; the core still stops well within its limit.
    EXPECT_TRUE(core_->Dispose(20s));
    core_.reset();
}

TEST_F(SignalIntegrationTest, UrlConsequenceReachesTheNativeUiServicesUrlOpener) {
    StartSession(shared_->CreatePlatformServices()->GetUIService());
    const UiPlatform platform = GetUiPlatform();
    const auto opener = std::dynamic_pointer_cast<RecordingUrlOpener>(platform.urlOpener);
    const size_t openedBefore = opener->GetOpenedUrls().size();  // the process's opener keeps every URL
    SetPrivacy("optunknown");
    AddRule("open", "url", {{"url", Variant::FromString("app://native-page")}});
    AddPostback("marker");
    Track("open");
    Track("marker");
    ASSERT_TRUE(signal_->database->WaitForQueued(1));
    // ShowUrl has queued the opening on the main queue by now; let it run.
    ASSERT_TRUE(platform.mainQueue->RunAndWait([] {}, 10s));
    const auto opened = opener->GetOpenedUrls();
    EXPECT_EQ(std::vector<std::string>(opened.begin() + static_cast<std::ptrdiff_t>(openedBefore), opened.end()),
              std::vector<std::string>{"app://native-page"});
}

TEST_F(SignalIntegrationTest, UrlConsequenceWithoutAUiServiceIsLogged) {
    StartSession(nullptr);
    SetPrivacy("optunknown");
    AddRule("open", "url", {{"url", Variant::FromString("app://page")}});
    AddPostback("marker");
    Track("open");
    Track("marker");
    // The marker's task runs after the open-URL task on the module's queue.
    ASSERT_TRUE(signal_->database->WaitForQueued(1));
    EXPECT_TRUE(log_->Contains("UIService is not available"));
}

}  // namespace
}  // namespace NuvraMobile
