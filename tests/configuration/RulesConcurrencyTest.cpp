// The core, its hub, the Configuration module and the rules engine together: rules named by the
// configuration, consequence events on the hub, rules loaded from the cache by a later core, and the
// SDK-identities report over the shared states of test modules.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "services/compression/NativeCompressedFileService.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NativeRemoteFileManagerService.h"
#include "services/network/NetworkTestSettings.h"
#include "services/storage/NativeLocalStorageService.h"
#include "services/threading/NativeThreadingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/CoreBoot.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/LoopbackHttpsServer.h"
#include "support/RulesBundleFakes.h"
#include "support/ZipBuilder.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

constexpr const char* RULES_URL = "https://rules.example.com/bundle.zip";

const std::string BUY_RULE =
    R"({"rules": [{"condition": {"type": "group", "definition": {"logic": "and", "conditions": [
        {"type": "matcher", "definition": {"key": "action", "matcher": "eq", "values": ["buy"]}}]}},
        "consequences": [{"id": "pb1", "type": "pb", "detail": {"url": "https://x.example.com/{%action%}"}}]}]})";

/** A module that only owns a shared state under the given name. */
class StateOwnerModule : public InternalModule {
public:
    explicit StateOwnerModule(const std::string& stateName) : InternalModule(stateName) {}
    std::string GetSharedStateName() const override { return GetModuleName(); }
};

class RulesIntegrationTest : public testing::Test {
protected:
    void SetUp() override {
        extractor_->rulesJson = BUY_RULE;
        WriteFileBytes(bundle_, "zip");
        files_->download = FixedRemoteFileManager::FileAt(bundle_);
    }

    void TearDown() override { StopSession(); }

    /** A new core over the same folders and services, booted; only the first is started through Start. */
    void StartSession(const std::vector<std::shared_ptr<Module>>& modules = {}) {
        core_ = Core::Create([this] {
            auto services = std::make_shared<FakePlatformServices>();
            services->systemInfoService = std::make_shared<FakeSystemInfoService>();
            services->jsonUtilityService = CreateNativeJsonUtilityService();
            services->localStorageService = CreateNativeLocalStorageService();
            services->fileSystemService = CreateNativeFileSystemService();
            services->cryptoService = CreateNativeCryptoService();
            services->remoteFileManagerService = files_;
            services->compressedFileService = extractor_;
            AdaptServices(*services);
            return services;
        });
        observer_ = std::make_shared<ObserverModule>();
        core_->GetEventHub()->RegisterModule(observer_);
        for (const auto& module : modules) {
            core_->GetEventHub()->RegisterModule(module);
        }
        BootCore(*core_);
        ASSERT_NE(observer_->WaitForName("EventHub"), nullptr);
    }

    void StopSession() {
        if (core_) {
            EXPECT_TRUE(core_->Dispose(10s));
            core_.reset();
            observer_.reset();
        }
    }

    /** Lets a fixture put native services in place of the fakes. */
    virtual void AdaptServices(FakePlatformServices&) {}

    /** The event number of a marker the hub has handled, once every event dispatched before it is done. */
    int32_t Settle() {
        const auto marker = EventBuilder("settle", EventType::CUSTOM, EventSource::NONE).Build();
        core_->DispatchEvent(marker, nullptr);
        const auto seen = observer_->WaitFor(
            [&](const Event& event) { return event.GetResponsePairID() == marker->GetResponsePairID(); });
        EXPECT_NE(seen, nullptr);
        return seen ? seen->GetEventNumber() : -1;
    }

    /** Tracks "buy" until a consequence event of the rule comes back, for at most ten seconds. */
    std::shared_ptr<Event> TrackUntilTheRuleFires() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < deadline) {
            core_->Track(std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "buy"}}));
            const auto fired = observer_->WaitFor(
                [](const Event& event) { return event.GetName() == "Rules Event"; }, 100ms);
            if (fired) {
                return fired;
            }
        }
        return nullptr;
    }

    static std::string ConsequenceUrl(const std::shared_ptr<Event>& event) {
        EventData::VariantMap triggered;
        EventData::VariantMap detail;
        std::string url;
        event->GetData()->GetVariantMap("triggeredconsequence", triggered);
        triggered.at("detail")->GetVariantMap(detail);
        detail.at("url")->GetString(url);
        return url;
    }

    ScopedAppFolders folders_;
    FileSystemTestFolder scratch_;
    std::string bundle_ = scratch_.PathOf("bundle");
    std::shared_ptr<FixedRemoteFileManager> files_ = std::make_shared<FixedRemoteFileManager>();
    std::shared_ptr<ScriptedExtractor> extractor_ = std::make_shared<ScriptedExtractor>();
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
};

TEST_F(RulesIntegrationTest, NamedRulesFireAndALaterOfflineCoreKeepsThem) {
    StartSession();
    core_->UpdateConfiguration({{"rules.url", Variant::FromString(RULES_URL)}});
    const auto fired = TrackUntilTheRuleFires();
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(fired->GetEventType(), EventType::RULES_ENGINE);
    EXPECT_EQ(fired->GetEventSource(), EventSource::RESPONSE_CONTENT);
    EXPECT_EQ(ConsequenceUrl(fired), "https://x.example.com/buy");
    StopSession();

    // Offline: the download fails, and the bundle unpacked by the first core is the cached copy.
    files_->download = SdkError("remotefilemanager.request_failed", "offline", DebugInfo());
    files_->cached = FixedRemoteFileManager::FileAt(bundle_ + "_dir");
    files_->requests.clear();
    StartSession();
    Settle();
    ASSERT_FALSE(observer_->Events().empty());
    ASSERT_NE(TrackUntilTheRuleFires(), nullptr);
    StopSession();

    ASSERT_FALSE(files_->requests.empty());
    EXPECT_EQ(files_->requests.front(), std::string("cache configRules ") + RULES_URL)
        << "the cached rules come before any download";
}

/** The same, with the native download cache, zip reader and network service against a loopback server. */
class LoopbackRulesIntegrationTest : public RulesIntegrationTest {
protected:
    void SetUp() override {
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        server_.Handle("/rules.zip", [this](const LoopbackRequest&) {
            std::lock_guard<std::mutex> lock(mutex_);
            return offline_ ? LoopbackResponse{503, {}, ""} : LoopbackResponse{200, {}, bundle_};
        });
    }

    void TearDown() override {
        StopSession();
        server_.Stop();
        NetworkTestSettings::SetTrustedCertificateAuthority("");
    }

    void AdaptServices(FakePlatformServices& services) override {
        auto systemInfo = std::make_shared<FakeSystemInfoService>();
        systemInfo->Update(
            [this](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = cache_.Path(); });
        services.systemInfoService = systemInfo;
        services.networkService = CreateNativeNetworkService(systemInfo);
        services.threadingService = threading_;
        services.remoteFileManagerService = CreateNativeRemoteFileManagerService(
            services.networkService, services.fileSystemService, systemInfo, threading_);
        services.compressedFileService = CreateNativeCompressedFileService();
    }

    void GoOffline() {
        std::lock_guard<std::mutex> lock(mutex_);
        offline_ = true;
    }

    LoopbackHttpsServer server_;
    FileSystemTestFolder cache_;
    std::shared_ptr<ThreadingServiceInterface> threading_ = CreateNativeThreadingService();
    const std::string bundle_ = ZipBuilder().Add("rules.json", BUY_RULE).Build();
    std::mutex mutex_;
    bool offline_ = false;
};

TEST_F(LoopbackRulesIntegrationTest, DownloadedBundleFiresAndIsKeptOffline) {
    StartSession();
    core_->UpdateConfiguration({{"rules.url", Variant::FromString(server_.Url("/rules.zip"))}});
    const auto fired = TrackUntilTheRuleFires();
    ASSERT_NE(fired, nullptr);
    EXPECT_EQ(ConsequenceUrl(fired), "https://x.example.com/buy");
    StopSession();

    GoOffline();
    StartSession();
    ASSERT_NE(TrackUntilTheRuleFires(), nullptr);
    Settle();
    ASSERT_NE(TrackUntilTheRuleFires(), nullptr) << "a failed download keeps the rules";
}

TEST_F(RulesIntegrationTest, IdentitiesReportWaitsWhileAStateIsPending) {
    const auto identity = std::make_shared<StateOwnerModule>("com.nuvra.module.identity");
    const auto pivora = std::make_shared<StateOwnerModule>("com.nuvra.module.pivora");
    StartSession({identity, pivora});
    core_->UpdateConfiguration({{"skyloom.org", Variant::FromString("ORG")}});
    identity->CreateOrUpdateSharedState(
        std::make_shared<EventData>(std::map<std::string, std::string>{{"mid", "M1"}}));
    const int32_t pendingVersion = Settle();
    pivora->CreateSharedState(pendingVersion, nullptr);

    std::mutex mutex;
    std::condition_variable answered;
    std::string report;
    bool hasReport = false;
    core_->GetSDKIdentities([&](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        report = text;
        hasReport = true;
        answered.notify_all();
    });
    Settle();
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_FALSE(hasReport) << "the Pivora state is pending for the request";
    }

    pivora->UpdateSharedState(
        pendingVersion, std::make_shared<EventData>(std::map<std::string, std::string>{{"qtxid", "Q1"}}));
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(answered.wait_for(lock, 10s, [&] { return hasReport; }));
    const auto json = CreateNativeJsonUtilityService()->CreateJsonObject(report);
    EXPECT_EQ(json->GetJsonArray("companyContexts")->GetJsonObject(0)->GetString("value"), "ORG");
    const auto userIds = json->GetJsonArray("users")->GetJsonObject(0)->GetJsonArray("userIDs");
    ASSERT_EQ(userIds->Length(), 2u);
    EXPECT_EQ(userIds->GetJsonObject(0)->GetString("namespace"), "qtxid");
    EXPECT_EQ(userIds->GetJsonObject(0)->GetString("value"), "Q1");
    EXPECT_EQ(userIds->GetJsonObject(1)->GetString("namespace"), "4");
    EXPECT_EQ(userIds->GetJsonObject(1)->GetString("value"), "M1");
}

}  // namespace
}  // namespace NuvraMobile
