// The core, hub, Configuration, Identity and Lifecycle modules and the native services together, over a
// temporary folder, with a loopback HTTPS server as the identity and configuration-file server.

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/NetworkServiceInterface.h"
#include "platformShim/QueryBuilder.h"
#include "platformShim/QueryResultInterface.h"
#include "services/PlatformServices.h"
#include "shared/VisitorIdSerializer.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/LoopbackHttpsServer.h"
#include "support/ReachableLoopback.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

class IdentityIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_.SetDefaultHandler([this](const LoopbackRequest& request) { return Serve(request); });
        shared_ = SharedPlatformServices::Create();
        std::ofstream(Bundle() / "NVBMobileConfig.json")
            << R"({"skyloom.org": "ORG1", "global.privacy": "optedin", "skyloom.server": "127.0.0.1:)"
            << server_.Port() << R"("})";
    }

    void TearDown() override {
        StopSession();
        server_.Stop();
    }

    LoopbackResponse Serve(const LoopbackRequest& request) {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request.path);
        requested_.notify_all();
        if (request.path == "/id") {
            return {idStatus_, {}, idBody_};
        }
        return {request.path == "/qzoptout.jpg" ? 200 : 404, {}, ""};
    }

    void Answer(int status, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        idStatus_ = status;
        idBody_ = body;
    }

    /** Waits until the server has received `count` requests of the path. */
    bool WaitForRequests(const std::string& path, size_t count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return requested_.wait_for(lock, 10s, [&] { return CountLocked(path) >= count; });
    }

    size_t Count(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        return CountLocked(path);
    }

    size_t CountLocked(const std::string& path) const {
        return static_cast<size_t>(std::count(requests_.begin(), requests_.end(), path));
    }

    void StartSession() {
        // The hub asks for services once for itself and once per module: each set is recorded.
        core_ = Core::Create([this] {
            auto inner = shared_->CreatePlatformServices();
            // The network service recorded and downloads sent to the server.
            auto services = std::make_shared<FakePlatformServices>(inner);
            auto network = std::make_shared<ScriptedNetworkService>(inner->GetNetworkService());
            networks_.push_back(network);
            services->networkService = network;
            services->remoteFileManagerService = std::make_shared<RewritingRemoteFileManager>(
                inner->GetRemoteFileManagerService(), "https://config.nuvra.com", server_.Url(""));
            return services;
        });
        observer_ = std::make_shared<ObserverModule>();
        core_->GetEventHub()->RegisterModule(observer_);
        IdentityPublicApi::Create(core_->GetEventHub(), nullptr)->RegisterIdentity();
        LifecyclePublicApi::Create(core_->GetEventHub(), nullptr)->Register();
        BootCore(*core_);
        booted_ = observer_->WaitForName("EventHub");
        ASSERT_NE(nullptr, booted_);
    }

    void StopSession() {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
            core_.reset();
            observer_.reset();
        }
    }

    /** Sends a sync of the ids and waits for the module's answer to it. */
    std::shared_ptr<Event> Sync(const std::map<std::string, std::string>& ids, int state) {
        auto data = std::make_shared<EventData>();
        data->PutStringMap("visitoridentifiers", ids);
        data->PutInteger("authenticationstate", state);
        data->PutBoolean("forcesync", false);
        data->PutBoolean("issyncevent", true);
        const auto request =
            EventBuilder("IdentityRequestIdentity", EventType::IDENTITY, EventSource::REQUEST_IDENTITY).SetData(data).Build();
        core_->GetEventHub()->Dispatch(request);
        return observer_->WaitFor([&](const Event& event) {
            return event.GetName() == "UPDATED_IDENTITY_RESPONSE" && event.GetPairID() == request->GetResponsePairID();
        });
    }

    /** Asks for the identifiers; the answer comes after every task the module had queued before. */
    std::shared_ptr<EventData> AskIdentifiers() {
        const auto request = EventBuilder("IdentityRequestIdentity", EventType::IDENTITY, EventSource::REQUEST_IDENTITY)
                                 .SetData(std::make_shared<EventData>())
                                 .Build();
        core_->GetEventHub()->Dispatch(request);
        const auto answer = observer_->WaitFor([&](const Event& event) {
            return event.GetName() == "IDENTITY_RESPONSE_CONTENT_ONE_TIME" &&
                   event.GetPairID() == request->GetResponsePairID();
        });
        return answer ? answer->GetData() : nullptr;
    }

    std::shared_ptr<DataStoreInterface> Store() {
        return shared_->GetLocalStorageService()->GetDataStore("visitorIDServiceDataStore");
    }

    int StoredRequests() {
        const auto database = shared_->GetDatabaseService()->OpenDatabase("NVBMobileIdentity.sqlite");
        const auto result = database->RunQuery(QueryBuilder("IDENTITY_REQUESTS", {"ID"}).Build());
        const int count = result ? result->GetCount() : -1;
        if (result) {
            result->Close();
        }
        return count;
    }

    std::vector<std::string> IdUrls() const {
        std::vector<std::string> urls;
        for (const auto& network : networks_) {
            for (const auto& request : network->Requests()) {
                if (request.url.find("/id?") != std::string::npos) {
                    urls.push_back(request.url);
                }
            }
        }
        return urls;
    }

    const std::filesystem::path& Bundle() const { return bundle_.Path(); }

    ScopedAppFolders folders_;
    ScopedBundleFolder bundle_{folders_.Root() / "bundle"};
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    std::mutex mutex_;
    std::condition_variable requested_;
    std::vector<std::string> requests_;
    int idStatus_ = 200;
    std::string idBody_ = "{}";
    std::shared_ptr<SharedPlatformServices> shared_;
    std::vector<std::shared_ptr<ScriptedNetworkService>> networks_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    std::shared_ptr<Event> booted_;
};

TEST_F(IdentityIntegrationTest, BootSyncsOnceAppliesTheAnswerAndTheNextCoreReloadsTheIds) {
    Answer(200, R"({"d_mid": "1", "d_blob": "blob 1", "dcs_region": 7, "id_sync_ttl": 1234})");
    StartSession();
    ASSERT_NE(nullptr, observer_->WaitForName("UPDATED_IDENTITY_RESPONSE"));
    ASSERT_EQ(1u, IdUrls().size());
    EXPECT_EQ(1u, Count("/id"));
    const std::regex bootUrl(R"(https://127\.0\.0\.1:\d+/id\?d_rtbd=json&d_ver=2&d_orgid=ORG1&d_mid=\d{38})");
    EXPECT_TRUE(std::regex_match(IdUrls()[0], bootUrl)) << IdUrls()[0];
    const auto mid = Store()->GetString("NUVRAMOBILE_PERSISTED_MID", "");
    EXPECT_EQ(38u, mid.size());
    EXPECT_EQ("blob 1", Store()->GetString("NUVRAMOBILE_PERSISTED_MID_BLOB", ""));
    EXPECT_EQ("7", Store()->GetString("NUVRAMOBILE_PERSISTED_MID_HINT", ""));
    EXPECT_EQ(1234, Store()->GetLong("NUVRAMOBILE_VISITORID_TTL", 0));
    EXPECT_NE(0, Store()->GetLong("NUVRAMOBILE_VISITORID_SYNC", 0));

    ASSERT_NE(nullptr, Sync({{"crm", "a b"}}, 1));
    ASSERT_NE(nullptr, Sync({{"odd", "p&q%01r"}}, 2));
    ASSERT_EQ(3u, IdUrls().size());
    EXPECT_NE(std::string::npos, IdUrls()[1].find("&d_blob=blob%201&dcs_region=7&d_cid_ic=crm%01a%20b%011")) << IdUrls()[1];
    EXPECT_NE(std::string::npos, IdUrls()[2].find("&d_cid_ic=odd%01p%26q%2501r%012")) << IdUrls()[2];
    StopSession();

    StartSession();
    const auto state = AskIdentifiers();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(mid, state->OptString("mid", ""));
    const auto ids = state->GetTypedVector<VisitorId>("visitoridslist");
    ASSERT_TRUE(ids.HasValue());
    ASSERT_EQ(2u, ids.Value().size());
    EXPECT_EQ("a b", ids.Value()[0]->GetId());
    EXPECT_EQ(VisitorIdAuthenticationState::AUTHENTICATED, ids.Value()[0]->GetAuthenticationState());
    EXPECT_EQ("p&q%01r", ids.Value()[1]->GetId());
    EXPECT_EQ(VisitorIdAuthenticationState::LOGGED_OUT, ids.Value()[1]->GetAuthenticationState());
}

TEST_F(IdentityIntegrationTest, OptOutEmptiesTheQueueAndTheStoredIdsAndSendsThePixel) {
    Answer(503, "");  // every sync stays queued, waiting for its retry
    StartSession();
    ASSERT_TRUE(WaitForRequests("/id", 1));
    auto data = std::make_shared<EventData>();
    data->PutStringMap("visitoridentifiers", {{"crm", "42"}});
    data->PutBoolean("issyncevent", true);
    core_->GetEventHub()->Dispatch(
        EventBuilder("IdentityRequestIdentity", EventType::IDENTITY, EventSource::REQUEST_IDENTITY).SetData(data).Build());
    ASSERT_NE(nullptr, AskIdentifiers());
    EXPECT_EQ(2, StoredRequests());
    EXPECT_TRUE(Store()->Contains("NUVRAMOBILE_VISITORID_IDS"));

    core_->SetPrivacyStatus(MobilePrivacyStatus::OPT_OUT);
    ASSERT_TRUE(WaitForRequests("/qzoptout.jpg", 1));
    const auto state = AskIdentifiers();
    ASSERT_NE(nullptr, state);
    EXPECT_EQ(1u, state->Size());  // "lastsync" alone
    EXPECT_EQ(0, StoredRequests());
    EXPECT_FALSE(Store()->Contains("NUVRAMOBILE_VISITORID_IDS"));
    EXPECT_FALSE(Store()->Contains("NUVRAMOBILE_PERSISTED_MID"));
}

TEST_F(IdentityIntegrationTest, LifecycleStartPublishesTheLaunchAndRefreshesTheConfiguration) {
    std::ofstream(Bundle() / "Info.properties") << "CFBundleName=App\nNVBMobileAppID=app-1\n";
    StartSession();
    const auto countRefreshes = [](const std::vector<std::shared_ptr<Event>>& events) {
        return std::count_if(events.begin(), events.end(), [](const std::shared_ptr<Event>& event) {
            return event->GetName() == "Configure with AppID Internal";
        });
    };
    ASSERT_TRUE(observer_->WaitUntil([&](const auto& events) { return countRefreshes(events) == 1; }));

    core_->LifecycleStart({{"own", "x"}});
    const auto start = observer_->WaitForName("LifecycleStart");
    ASSERT_NE(nullptr, start);
    std::map<std::string, std::string> context;
    ASSERT_TRUE(start->GetData()->GetStringMap("lifecyclecontextdata", context));
    EXPECT_EQ("1", context["launches"]);
    EXPECT_EQ("InstallEvent", context["installevent"]);
    EXPECT_EQ("x", context["own"]);
    EXPECT_TRUE(observer_->WaitUntil([&](const auto& events) { return countRefreshes(events) == 2; }));
}

}  // namespace
}  // namespace NuvraMobile
