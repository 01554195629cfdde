// The personalisation module on a real core and hub with the Configuration module and the native
// services, against a loopback HTTPS server standing in for the delivery server. Identity and Lifecycle
// are fixed states published under those modules' names, and in the last test the real modules.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraPublicApi.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "services/PlatformServices.h"
#include "services/ui/RecordingUiBackend.h"
#include "services/ui/RecordingUrlOpener.h"
#include "services/ui/UiPlatform.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ReachableLoopback.h"
#include "support/RedirectingNetworkService.h"
#include "util/TimeUtils.h"
#include "util/UrlEncoder.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

constexpr const char* kDeliveryPath = "/rest/v1/delivery/";

/** Publishes one shared state under a given owner name when it is registered. */
class StatePublisher : public InternalModule {
public:
    StatePublisher(std::string owner, std::shared_ptr<EventData> state)
        : InternalModule(owner), owner_(std::move(owner)), state_(std::move(state)) {}
    std::string GetSharedStateName() const override { return owner_; }

protected:
    void OnRegistered() override { CreateSharedState(0, state_); }

private:
    const std::string owner_;
    const std::shared_ptr<EventData> state_;
};

/** What the callbacks received, by name, for the test thread to wait on. */
class Inbox {
public:
    PivoraPublicApi::StringCallback For(const std::string& name) {
        return [this, name](const std::string& value) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                values_[name].push_back(value);
            }
            changed_.notify_all();
        };
    }
    /** The first value given to `name`'s callback, waiting up to 10 s; "<none>" when none came. */
    std::string Wait(const std::string& name) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return !values_[name].empty(); });
        return values_[name].empty() ? "<none>" : values_[name].front();
    }
    size_t Count(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        return values_[name].size();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::vector<std::string>> values_;
};

class PivoraScenarioTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.Handle(kDeliveryPath, [this](const LoopbackRequest& request) { return Serve(request); });
        shared_ = SharedPlatformServices::Create();
        // Like the real factory, a new per-core services object for every caller.
        const auto makeServices = [this] {
            auto services = std::make_shared<FakePlatformServices>(shared_->CreatePlatformServices());
            services->networkService = std::make_shared<RedirectingNetworkService>(
                services->GetNetworkService(), server_.Url(""), network_);
            return services;
        };
        core_ = Core::Create(makeServices);
        const auto hub = core_->GetEventHub();
        observer_ = std::make_shared<ObserverModule>();
        hub->RegisterModule(observer_);
        RegisterNeighbours(hub, makeServices());
        api_ = PivoraPublicApi::Create(hub, makeServices());
        api_->RegisterPivora();
        api_->RegisterPivora();
        BootCore(*core_);
        ASSERT_NE(nullptr, observer_->WaitForName("EventHub"));
    }

    /** The Identity and Lifecycle shared states: here fixed ones, published under those modules' names. */
    virtual void RegisterNeighbours(const std::shared_ptr<EventHub>& hub,
                                    const std::shared_ptr<PlatformServicesInterface>& /*services*/) {
        hub->RegisterModule(std::make_shared<StatePublisher>(
            "com.nuvra.module.identity",
            std::make_shared<EventData>(EventData::VariantMap{{"mid", Variant::FromString("mid-1")},
                                                              {"blob", Variant::FromString("blob-1")}})));
        auto lifecycle = std::make_shared<EventData>();
        lifecycle->PutStringMap("lifecyclecontextdata", {{"launches", "3"}, {"custom", "c"}});
        hub->RegisterModule(std::make_shared<StatePublisher>("com.nuvra.module.lifecycle", lifecycle));
    }

    void TearDown() override {
        EXPECT_TRUE(core_->Dispose(10s));
        server_.Stop();
    }

    /** Publishes a configuration and waits until it is the current one. */
    void Configure(const std::string& clientCode, const std::string& privacy = "optedin") {
        core_->UpdateConfiguration({{"pivora.clientCode", Variant::FromString(clientCode)},
                                    {"global.privacy", Variant::FromString(privacy)}});
        ASSERT_NE(nullptr, observer_->WaitFor([&](const Event& event) {
            return event.GetName() == "Configuration Response Event" &&
                   event.GetData()->OptString("pivora.clientCode", "") == clientCode &&
                   event.GetData()->OptString("global.privacy", "") == privacy;
        }));
    }

    /** The delivery server: prefetched and loaded mboxes named after the request, "edgeHost" when set. */
    LoopbackResponse Serve(const LoopbackRequest& request) {
        const json body = json::parse(request.body, nullptr, false);
        json answer = {{"id", {{"qtxId", "q.1"}}}};
        std::lock_guard<std::mutex> lock(mutex_);
        if (!edgeHost_.empty()) {
            answer["edgeHost"] = edgeHost_;
        }
        for (const char* block : {"prefetch", "execute"}) {
            if (!body.contains(block) || !body[block].contains("mboxes")) {
                continue;
            }
            for (const auto& mbox : body[block]["mboxes"]) {
                const std::string name = mbox["name"];
                const std::string content = name + (block == std::string("prefetch") ? "-prefetched" : "-loaded");
                answer[block]["mboxes"].push_back(
                    {{"name", name},
                     {"options", {{{"type", "html"}, {"content", content}, {"eventToken", name + "-display"}}}},
                     {"metrics", {{{"type", "click"}, {"eventToken", name + "-click"}}}},
                     {"analytics", {{"payload", {{"pe", "tnt"}}}}}});
            }
        }
        bodies_.push_back(body);
        served_.notify_all();
        return {status_, {}, answer.dump()};
    }

    /** The bodies the server received, once there are at least `count`. */
    std::vector<json> WaitForBodies(size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        served_.wait_for(lock, 10s, [&] { return bodies_.size() >= count; });
        return bodies_;
    }

    void SetServer(int status, const std::string& edgeHost) {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = status;
        edgeHost_ = edgeHost;
    }

    std::shared_ptr<PivoraRequest> Request(const std::string& name) {
        return std::make_shared<PivoraRequest>(name, name + "-default", nullptr, inbox_.For(name));
    }

    /** Loads the names and waits for their answers. */
    std::vector<std::string> Load(const std::vector<std::string>& names) {
        std::vector<std::shared_ptr<PivoraRequest>> requests;
        for (const auto& name : names) {
            requests.push_back(Request(name));
        }
        api_->PivoraGetLocationContent(requests, nullptr);
        std::vector<std::string> contents;
        for (const auto& name : names) {
            contents.push_back(inbox_.Wait(name));
        }
        return contents;
    }

    std::string Prefetch(const std::vector<std::string>& names) {
        std::vector<std::shared_ptr<PivoraPrefetch>> prefetches;
        for (const auto& name : names) {
            prefetches.push_back(std::make_shared<PivoraPrefetch>(name, nullptr));
        }
        api_->PivoraPrefetchContent(prefetches, std::shared_ptr<PivoraParameters>(), inbox_.For("prefetch"));
        return inbox_.Wait("prefetch");
    }

    std::shared_ptr<DataStoreInterface> Store() {
        return shared_->GetLocalStorageService()->GetDataStore("NUVRAMOBILE_PIVORA");
    }

    /** The module's shared state as it stands now. */
    std::shared_ptr<EventData> PivoraState() {
        return core_->GetEventHub()->GetSharedEventState("com.nuvra.module.pivora", nullptr, nullptr);
    }

    static std::string Query(const std::string& url, const std::string& key) {
        const size_t start = url.find(key + "=");
        if (start == std::string::npos) {
            return "<absent>";
        }
        const size_t end = url.find('&', start);
        return url.substr(start + key.size() + 1, end == std::string::npos ? std::string::npos : end - start - key.size() - 1);
    }

    static std::string Host(const std::string& url) {
        const size_t start = url.find("://") + 3;
        return url.substr(start, url.find('/', start) - start);
    }

    static std::vector<std::string> Names(const json& body, const char* block) {
        std::vector<std::string> names;
        if (body.contains(block) && body[block].contains("mboxes")) {
            for (const auto& mbox : body[block]["mboxes"]) {
                names.push_back(mbox["name"]);
            }
        }
        return names;
    }

    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<NetworkLog> network_ = std::make_shared<NetworkLog>();
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<PivoraPublicApi> api_;
    Inbox inbox_;
    std::mutex mutex_;
    std::condition_variable served_;
    std::vector<json> bodies_;
    int status_ = 200;
    std::string edgeHost_;
};

TEST_F(PivoraScenarioTest, PrefetchLoadDisplayAndClick) {
    Configure("acme");
    EXPECT_EQ("", Prefetch({"a", "b"}));
    auto bodies = WaitForBodies(1);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Names(bodies[0], "prefetch"));
    EXPECT_EQ("mid-1", bodies[0]["id"]["glenmoorVisitorId"]);
    EXPECT_EQ("blob-1", bodies[0]["skyloom"]["cohortix"]["blob"]);

    EXPECT_EQ((std::vector<std::string>{"a-prefetched", "c-loaded"}), Load({"a", "c"}));
    bodies = WaitForBodies(2);
    ASSERT_EQ(2u, bodies.size());
    EXPECT_EQ(std::vector<std::string>{"c"}, Names(bodies[1], "execute"));
    EXPECT_FALSE(bodies[1].contains("prefetch"));
    EXPECT_EQ("3", bodies[1]["execute"]["mboxes"][0]["parameters"]["a.Launches"]);
    EXPECT_EQ("c", bodies[1]["execute"]["mboxes"][0]["parameters"]["custom"]);
    const auto urls = network_->Urls();
    ASSERT_EQ(2u, urls.size());
    EXPECT_EQ("acme", Query(urls[1], "client"));
    EXPECT_FALSE(Query(urls[1], "sessionId").empty());
    EXPECT_EQ(Query(urls[0], "sessionId"), Query(urls[1], "sessionId"));
    EXPECT_EQ(0u, urls[1].find("https://acme."));

    api_->PivoraLocationsDisplayed({Variant::FromString("a")}, nullptr);
    bodies = WaitForBodies(3);
    ASSERT_EQ(3u, bodies.size());
    EXPECT_FALSE(bodies[2].contains("execute"));
    EXPECT_FALSE(bodies[2].contains("prefetch"));
    ASSERT_EQ(1u, bodies[2]["notifications"].size());
    EXPECT_EQ("display", bodies[2]["notifications"][0]["type"]);
    EXPECT_EQ("a", bodies[2]["notifications"][0]["mbox"]["name"]);
    EXPECT_EQ(json::array({"a-display"}), bodies[2]["notifications"][0]["tokens"]);
    ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
        return event.GetName() == "Analytics Request Content" &&
               event.GetData()->OptString("action", "") == "AnalyticsForPivora";
    }));

    api_->PivoraLocationClicked("c", nullptr);
    bodies = WaitForBodies(4);
    ASSERT_EQ(4u, bodies.size());
    ASSERT_EQ(1u, bodies[3]["notifications"].size());
    EXPECT_EQ("click", bodies[3]["notifications"][0]["type"]);
    EXPECT_EQ(json::array({"c-click"}), bodies[3]["notifications"][0]["tokens"]);

    api_->PivoraGetQtxId(inbox_.For("qtx"));
    EXPECT_EQ("q.1", inbox_.Wait("qtx"));
    EXPECT_EQ("q.1", PivoraState()->OptString("qtxid", ""));
}

TEST_F(PivoraScenarioTest, ExpiredSessionGoesToTheDefaultHostWithANewSessionId) {
    Configure("acme");
    SetServer(200, "edge.example");
    Load({"x"});
    Load({"y"});
    auto urls = network_->Urls();
    ASSERT_EQ(2u, urls.size());
    EXPECT_EQ("acme.pivora.nuvra.com", Host(urls[0]));
    EXPECT_EQ("edge.example", Host(urls[1]));
    EXPECT_EQ(Query(urls[0], "sessionId"), Query(urls[1], "sessionId"));

    Store()->SetLong("SESSION_TIMESTAMP", TimeUtils::GetUnixTimeInSeconds() - 1801);
    Load({"z"});
    urls = network_->Urls();
    ASSERT_EQ(3u, urls.size());
    EXPECT_EQ("acme.pivora.nuvra.com", Host(urls[2]));
    EXPECT_NE(Query(urls[1], "sessionId"), Query(urls[2], "sessionId"));
}

TEST_F(PivoraScenarioTest, OptOutForgetsTheVisitor) {
    Configure("acme");
    SetServer(200, "edge.example");
    api_->PivoraSetThirdPartyId("tp-1");
    Load({"x"});
    const auto store = Store();
    for (const char* key : {"QTX_ID", "THIRD_PARTY_ID", "EDGE_HOST", "SESSION_ID", "SESSION_TIMESTAMP"}) {
        EXPECT_TRUE(store->Contains(key)) << key;
    }
    EXPECT_EQ("tp-1", PivoraState()->OptString("thirdpartyid", ""));

    Configure("acme", "optedout");
    api_->PivoraGetQtxId(inbox_.For("qtx"));
    EXPECT_EQ("", inbox_.Wait("qtx"));
    for (const char* key : {"QTX_ID", "THIRD_PARTY_ID", "EDGE_HOST", "SESSION_ID", "SESSION_TIMESTAMP"}) {
        EXPECT_FALSE(store->Contains(key)) << key;
    }
    EXPECT_TRUE(PivoraState()->IsEmpty());
    EXPECT_EQ(std::vector<std::string>{"y-default"}, Load({"y"}));
    EXPECT_EQ(1u, network_->Urls().size());
}

TEST_F(PivoraScenarioTest, UnusableClientCodesAndRefusedRequestsStillAnswerEveryCallback) {
    Configure("evil.example/steal?x=");
    EXPECT_EQ((std::vector<std::string>{"a-default", "b-default"}), Load({"a", "b"}));
    EXPECT_TRUE(network_->Urls().empty());
    EXPECT_EQ("Unable to open connection", Prefetch({"p"}));

    Configure("ACME");
    network_->SetRefuse(true);
    api_->PivoraGetLocationContent({Request("c")}, nullptr);
    EXPECT_EQ("c-default", inbox_.Wait("c"));
    network_->SetRefuse(false);
    EXPECT_EQ(std::vector<std::string>{"d-loaded"}, Load({"d"}));
    const auto urls = network_->Urls();
    ASSERT_EQ(2u, urls.size());
    EXPECT_EQ("acme.pivora.nuvra.com", Host(urls[1]));
    EXPECT_EQ("ACME", Query(urls[1], "client"));
}

TEST_F(PivoraScenarioTest, ServerErrorKeepsThePendingNotificationsForTheNextRequest) {
    Configure("acme");
    EXPECT_EQ("", Prefetch({"a"}));
    SetServer(500, "");
    api_->PivoraLocationsDisplayed({Variant::FromString("a")}, nullptr);
    auto bodies = WaitForBodies(2);
    ASSERT_EQ(1u, bodies[1]["notifications"].size());

    EXPECT_EQ(std::vector<std::string>{"b-default"}, Load({"b"}));
    SetServer(200, "");
    EXPECT_EQ(std::vector<std::string>{"c-loaded"}, Load({"c"}));
    EXPECT_EQ(std::vector<std::string>{"d-loaded"}, Load({"d"}));
    bodies = WaitForBodies(5);
    ASSERT_EQ(5u, bodies.size());
    EXPECT_EQ(1u, bodies[2]["notifications"].size());
    EXPECT_EQ(1u, bodies[3]["notifications"].size());
    EXPECT_FALSE(bodies[4].contains("notifications"));
}

TEST_F(PivoraScenarioTest, AnswersOnTheRequestsResponsePairId) {
    Configure("acme");
    api_->PivoraSetThirdPartyId("tp-1");
    const auto reset = EventBuilder("reset", EventType::PIVORA, EventSource::REQUEST_RESET)
                           .SetData(std::make_shared<EventData>(EventData::VariantMap{
                               {"resetexperience", Variant::FromBoolean(true)}}))
                           .Build();
    const auto views = EventBuilder("views", EventType::PIVORA, EventSource::REQUEST_CONTENT)
                           .SetData(std::make_shared<EventData>(EventData::VariantMap{
                               {"shouldprefetchviews", Variant::FromBoolean(true)}}))
                           .Build();
    core_->GetEventHub()->Dispatch(reset);
    core_->GetEventHub()->Dispatch(views);
    const auto identity = observer_->WaitFor([&](const Event& event) {
        return event.GetName() == "Pivora Response Identity" && event.GetPairID() == reset->GetResponsePairID();
    });
    ASSERT_NE(nullptr, identity);
    EXPECT_EQ("", identity->GetData()->OptString("thirdpartyid", "unset"));
    const auto viewAnswer = observer_->WaitFor([&](const Event& event) {
        return event.GetName() == "Pivora View Prefetch Response" && event.GetPairID() == views->GetResponsePairID();
    });
    ASSERT_NE(nullptr, viewAnswer);
    EXPECT_EQ("No prefetch view content in Pivora response", viewAnswer->GetData()->OptString("prefetcherror", ""));
    EXPECT_TRUE(viewAnswer->GetData()->OptBoolean("cacheonly", false));
}

/** Preview mode against the process's recording UI, acting as the person who previews. */
class PivoraPreviewScenarioTest : public PivoraScenarioTest {
protected:
    static constexpr const char* kPagePath = "/ui/admin/acme/preview";

    void SetUp() override {
        PivoraScenarioTest::SetUp();
        server_.Handle(kPagePath, [](const LoopbackRequest&) {
            return LoopbackResponse{200, {{"Content-Type", "text/html"}}, "<html>preview page</html>"};
        });
    }

    void TearDown() override {
        EXPECT_TRUE(Eventually([&] { return backend_->GetImageViews().empty() && backend_->GetWebViews().empty(); }));
        PivoraScenarioTest::TearDown();
    }

    /** Waits, a main-queue turn at a time, until `condition` holds; false after 10 s. */
    bool Eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline || !ui_.mainQueue->RunAndWait([] {}, 10s)) {
                return false;
            }
            std::this_thread::yield();
        }
        return true;
    }

    void OpenDeepLink(const std::string& deepLink) {
        core_->CollectData({{"deeplink", Variant::FromString(deepLink)}});
    }

    size_t PageRequests() {
        size_t count = 0;
        for (const auto& request : server_.Requests()) {
            count += request.path == kPagePath ? 1 : 0;
        }
        return count;
    }

    bool PageOnScreen() {
        const auto webViews = backend_->GetWebViews();
        return webViews.size() == 1 && webViews[0].inKeyWindow && webViews[0].html == "<html>preview page</html>";
    }

    size_t LifecycleEvents() {
        size_t count = 0;
        for (const auto& event : observer_->Events()) {
            count += event->GetName() == "Pivora Preview Lifecycle" ? 1 : 0;
        }
        return count;
    }

    UiPlatform ui_ = GetUiPlatform();
    std::shared_ptr<RecordingUiBackend> backend_ = std::dynamic_pointer_cast<RecordingUiBackend>(ui_.backend);
    std::shared_ptr<RecordingUrlOpener> opener_ = std::dynamic_pointer_cast<RecordingUrlOpener>(ui_.urlOpener);
};

TEST_F(PivoraPreviewScenarioTest, DeepLinkButtonPageConfirmThenCancel) {
    Configure("acme");
    const size_t openedBefore = opener_->GetOpenedUrls().size();  // the process's opener keeps every URL
    api_->PivoraSetPreviewRestartDeepLink("app://restart");
    OpenDeepLink("app://open?kw_preview_token=tok%201&kw_preview_endpoint=preview.example.com");

    ASSERT_TRUE(Eventually([&] { return PageOnScreen() && backend_->GetImageViews().size() == 1; }));
    const auto page = server_.Requests().back();
    EXPECT_EQ("GET", page.method);
    EXPECT_EQ("text/html", page.Header("Accept"));
    const auto urls = network_->Urls();
    EXPECT_EQ("https://preview.example.com/ui/admin/acme/preview?token=tok%201", urls.back());

    // An ordinary link of the page loads as usual.
    EXPECT_EQ(std::optional<bool>(true), backend_->FollowLink("https://help.example.com/"));

    const json blocks = {{"qaMode", {{"token", "tok 1"}, {"previewIndexes", {{{"activityIndex", 1}}}}}}};
    EXPECT_EQ(std::optional<bool>(false),
              backend_->FollowLink("nvbinapp://confirm?kw_preview_params=" + UrlEncoder::Encode(blocks.dump())));
    ASSERT_NE(nullptr, observer_->WaitFor([](const Event& event) {
        return event.GetName() == "Pivora Preview Lifecycle" && event.GetData()->OptBoolean("ispreviewinitiated", false);
    }));
    ASSERT_TRUE(Eventually([&] { return backend_->GetWebViews().empty(); }));
    const auto opened = opener_->GetOpenedUrls();
    EXPECT_EQ(std::vector<std::string>{"app://restart"},
              std::vector<std::string>(opened.begin() + static_cast<std::ptrdiff_t>(openedBefore), opened.end()));

    Load({"hero"});
    auto bodies = WaitForBodies(1);
    ASSERT_EQ(1u, bodies.size());
    EXPECT_EQ(blocks["qaMode"], bodies[0]["qaMode"]);

    // The button stays: a tap fetches and shows the page again.
    ASSERT_TRUE(backend_->TapImageView());
    ASSERT_TRUE(Eventually([&] { return PageOnScreen(); }));
    EXPECT_EQ(2u, PageRequests());

    EXPECT_EQ(std::optional<bool>(false), backend_->FollowLink("nvbinapp://cancel"));
    ASSERT_TRUE(observer_->WaitUntil([](const std::vector<std::shared_ptr<Event>>& events) {
        return std::any_of(events.begin(), events.end(), [](const std::shared_ptr<Event>& event) {
            return event->GetName() == "Pivora Preview Lifecycle" &&
                   !event->GetData()->OptBoolean("ispreviewinitiated", true);
        });
    }));
    EXPECT_EQ(2u, LifecycleEvents());
    ASSERT_TRUE(Eventually([&] { return backend_->GetImageViews().empty() && backend_->GetWebViews().empty(); }));

    Load({"after"});
    bodies = WaitForBodies(2);
    ASSERT_EQ(2u, bodies.size());
    EXPECT_FALSE(bodies[1].contains("qaMode"));
}

TEST_F(PivoraPreviewScenarioTest, ARefusedFetchOrAPlainHttpEndpointSendsNothingAndLeavesTheButtonWorking) {
    Configure("acme");
    ScopedCapturingLog log(LoggingMode::Debug);
    OpenDeepLink("app://open?kw_preview_token=t&kw_preview_endpoint=http%3A%2F%2Fpreview.example.com");
    ASSERT_TRUE(Eventually([&] { return backend_->GetImageViews().size() == 1; }));
    ASSERT_TRUE(Eventually([&] {
        return log.Service().Contains("Refusing the preview endpoint http://preview.example.com, only https is allowed");
    }));
    EXPECT_EQ(0u, PageRequests());

    // The network refuses the next request: the error stays in the manager, the next tap fetches.
    network_->SetRefuse(true);
    OpenDeepLink("app://open?kw_preview_token=t&kw_preview_endpoint=preview.example.com");
    ASSERT_TRUE(Eventually([&] { return log.Service().Contains("Failed to send preview request ("); }));
    network_->SetRefuse(false);
    ASSERT_TRUE(backend_->TapImageView());
    ASSERT_TRUE(Eventually([&] { return PageOnScreen(); }));
    EXPECT_EQ(1u, PageRequests());

    // A page without a token-bearing deep link shows nothing new; cancel ends it all.
    OpenDeepLink("app://open?kw_preview_token=");
    EXPECT_EQ(std::optional<bool>(false), backend_->FollowLink("nvbinapp://cancel"));
    ASSERT_TRUE(Eventually([&] { return backend_->GetImageViews().empty() && backend_->GetWebViews().empty(); }));
    EXPECT_EQ(1u, PageRequests());
}

/** The same, with the real Identity and Lifecycle modules publishing their states. */
class PivoraWithIdentityAndLifecycleTest : public PivoraScenarioTest {
protected:
    void RegisterNeighbours(const std::shared_ptr<EventHub>& hub,
                            const std::shared_ptr<PlatformServicesInterface>& services) override {
        IdentityPublicApi::Create(hub, services)->RegisterIdentity();
        LifecyclePublicApi::Create(hub, services)->Register();
    }
};

TEST_F(PivoraWithIdentityAndLifecycleTest, TheirStatesRideInTheDeliveryRequest) {
    core_->UpdateConfiguration({{"skyloom.org", Variant::FromString("ORG1")},
                                {"skyloom.server", Variant::FromString("identity.example")}});
    Configure("acme");
    core_->LifecycleStart({});
    const auto hub = core_->GetEventHub();
    ASSERT_TRUE(observer_->WaitUntil([&](const std::vector<std::shared_ptr<Event>>&) {
        const auto identity = hub->GetSharedEventState("com.nuvra.module.identity", nullptr, nullptr);
        const auto lifecycle = hub->GetSharedEventState("com.nuvra.module.lifecycle", nullptr, nullptr);
        std::map<std::string, std::string> contextData;
        return identity && !identity->OptString("mid", "").empty() && lifecycle &&
               lifecycle->GetStringMap("lifecyclecontextdata", contextData) && contextData.count("launches") != 0;
    }));
    const std::string mid = hub->GetSharedEventState("com.nuvra.module.identity", nullptr, nullptr)->OptString("mid", "");

    EXPECT_EQ(std::vector<std::string>{"a-loaded"}, Load({"a"}));
    const auto bodies = WaitForBodies(1);
    ASSERT_EQ(1u, bodies.size());
    EXPECT_EQ(mid, bodies[0]["id"]["glenmoorVisitorId"]);
    EXPECT_EQ("1", bodies[0]["execute"]["mboxes"][0]["parameters"]["a.Launches"]);
}

}  // namespace
}  // namespace NuvraMobile
