// The example host program: a small app that measures. It names its app bundle folder and the folder of
// its state, starts a collector on 127.0.0.1 that stands in for the measurement and identity servers,
// creates the core over the native services, registers Identity, Lifecycle and Analytics, starts the
// core, applies programmatic updates given on the command line, prints the published configuration and
// the privacy status, syncs a customer id and waits until the identity parameters are known, reports a
// launch, makes its track calls, waits until the hits have arrived at the collector (which prints each one
// decoded), and only then reports a pause.
// `nvr_host --help` lists the options.

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include "Collector.h"
#include "DemoFolders.h"
#include "HostOptions.h"
#include "analytics/AnalyticsConstants.h"
#include "analytics/AnalyticsDatabaseHitSchema.h"
#include "analytics/AnalyticsPublicApi.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationConstants.h"
#include "core/Core.h"
#include "core/hub/EventHub.h"
#include "core/module/InternalModule.h"
#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "identity/IdentityConstants.h"
#include "identity/IdentityPublicApi.h"
#include "lifecycle/LifecyclePublicApi.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/DatabaseInterface.h"
#include "platformShim/DatabaseServiceInterface.h"
#include "platformShim/JsonObject.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/Query.h"
#include "services/PlatformServices.h"
#include "services/database/SqliteConnection.h"
#include "services/database/SqliteStatement.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/ExtensionVersionManager.h"
#include "services/system/AppFolders.h"
#include "services/ui/NativeUiService.h"
#include "shared/MobilePrivacyStatus.h"
#include "shared/UrlBuilder.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdAuthenticationState.h"
#include "shared/VisitorIdSerializer.h"
#include "util/Mutex.h"

namespace {

using namespace NuvraMobile;
using namespace NuvraHost;
namespace fs = std::filesystem;

constexpr const char* kConfigurationState = "com.nuvra.module.configuration";
constexpr const char* kLifecycleState = "com.nuvra.module.lifecycle";
constexpr const char* kIdentityState = "com.nuvra.module.identity";
constexpr const char* kAnalyticsState = "com.nuvra.module.analytics";

/** True when the visitor ids of the identity state hold one of `type`. */
bool HoldsCustomerId(const EventData& identity, const std::string& type) {
    if (!identity.ContainsKey(IdentityConstants::EventDataKeys::Identity::VISITOR_IDS_LIST)) {
        return false;
    }
    const auto ids =
        identity.GetTypedVector<VisitorId>(IdentityConstants::EventDataKeys::Identity::VISITOR_IDS_LIST);
    if (!ids.HasValue()) {
        return false;
    }
    for (const auto& id : ids.Value()) {
        if (id && id->GetIdType() == type) {
            return true;
        }
    }
    return false;
}

/**
 * True when the states a hit is built from hold every identity parameter a hit can carry: the analytics id
 * (`aid`), the visitor id (`mid`), the blob (`cxmb`), the location hint (`cxmlh`) and the customer ids of the
 * sign-in (`cid.crm.*`) and of the analytics id's own sync (`cid.AVID.*`).
 */
bool HoldsEveryIdentityParameter(const std::shared_ptr<EventData>& identity,
                                 const std::shared_ptr<EventData>& analytics) {
    namespace IdentityKeys = IdentityConstants::EventDataKeys::Identity;
    if (!identity || !analytics ||
        analytics->OptString(AnalyticsConstants::EventDataKeys::Analytics::ANALYTICS_ID, "").empty()) {
        return false;
    }
    for (const char* key : {IdentityKeys::VISITOR_ID_MID, IdentityKeys::VISITOR_ID_BLOB,
                            IdentityKeys::VISITOR_ID_LOCATION_HINT}) {
        if (identity->OptString(key, "").empty()) {
            return false;
        }
    }
    return HoldsCustomerId(*identity, "crm") && HoldsCustomerId(*identity, IdentityKeys::ANALYTICS_ID);
}

/**
 * A module of the host's own, through which it reads shared states. It hears every shared-state change
 * and every answer of the identity server, so that the host can wait for the identity and analytics states
 * to hold every identity parameter. The listeners run on the hub's threads; the host waits on its own.
 */
class StateReader : public InternalModule {
public:
    /** What a wait for the identity parameters saw. */
    enum class IdentityWait { COMPLETE, ANSWER, TIMED_OUT };

    StateReader() : InternalModule("host.state.reader") {}
    std::string GetSharedStateName() const override { return "host.state.reader"; }
    void OnRegistered() override;

    std::shared_ptr<EventData> Newest(const char* stateName) {
        return GetSharedEventState(stateName, Event::SHARED_STATE_NEWEST);
    }

    /**
     * Waits until the states held every identity parameter (COMPLETE) or the identity server answered once
     * more than `answersSeen` times (ANSWER), at most until `deadline`.
     */
    IdentityWait WaitForIdentityParameters(int answersSeen, std::chrono::steady_clock::time_point deadline) {
        MutexLock lock(mutex_);
        while (!identityComplete_ && identityAnswers_ <= answersSeen && lock.WaitUntil(changed_, deadline)) {
        }
        if (identityComplete_) {
            return IdentityWait::COMPLETE;
        }
        return identityAnswers_ > answersSeen ? IdentityWait::ANSWER : IdentityWait::TIMED_OUT;
    }

    int IdentityAnswers() {
        MutexLock lock(mutex_);
        return identityAnswers_;
    }

    /** On the hub's thread, after every shared-state change. */
    void StateChanged() {
        if (HoldsEveryIdentityParameter(Newest(kIdentityState), Newest(kAnalyticsState))) {
            MutexLock lock(mutex_);
            identityComplete_ = true;
            changed_.notify_all();
        }
    }

    /**
     * On the hub's thread, for every identity response; Identity announces each answer of the identity
     * server (or its failure) with one unpaired response.
     */
    void IdentityResponded(const Event& event) {
        if (event.GetName() != IdentityConstants::EventNames::UPDATED_IDENTITY_RESPONSE ||
            !event.GetPairID().empty()) {
            return;
        }
        MutexLock lock(mutex_);
        ++identityAnswers_;
        changed_.notify_all();
    }

private:
    Mutex mutex_;
    std::condition_variable changed_;
    bool identityComplete_ NVR_GUARDED_BY(mutex_) = false;
    int identityAnswers_ NVR_GUARDED_BY(mutex_) = 0;
};

class StateReaderListenerHubSharedState : public ModuleEventListener<StateReader> {
public:
    void Hear(const std::shared_ptr<Event>&) override {
        if (const auto reader = GetParentModule()) {
            reader->StateChanged();
        }
    }
};

class StateReaderListenerIdentityResponse : public ModuleEventListener<StateReader> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (const auto reader = GetParentModule()) {
            reader->IdentityResponded(*event);
        }
    }
};

void StateReader::OnRegistered() {
    RegisterListener<StateReaderListenerHubSharedState>(EventType::HUB, EventSource::SHARED_STATE);
    RegisterListener<StateReaderListenerIdentityResponse>(EventType::IDENTITY, EventSource::RESPONSE_IDENTITY);
}

void SyncCustomerId(IdentityPublicApi& identity) {
    identity.SyncIdentifier("crm", "example-user", VisitorIdAuthenticationState::AUTHENTICATED);
}

/**
 * Waits until the identity and analytics states hold every identity parameter a hit can carry, for at most
 * 20 s; false when they never did. Identity puts an answer into its shared state (which hits are built from)
 * only with the next sync: in a fresh state, with no answer stored, the syncs made before the first answer
 * publish none, and a request that outlasts its 2 s is dropped; the analytics id's own sync comes only once
 * Analytics has that id from the collector. So the host syncs the customer id again after each answer.
 */
bool AwaitIdentityParameters(IdentityPublicApi& identity, StateReader& reader) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int answers = 0;; answers = reader.IdentityAnswers()) {
        switch (reader.WaitForIdentityParameters(answers, deadline)) {
            case StateReader::IdentityWait::COMPLETE:
                return true;
            case StateReader::IdentityWait::TIMED_OUT:
                return false;
            case StateReader::IdentityWait::ANSWER:
                SyncCustomerId(identity);
                break;
        }
    }
}

MobilePrivacyStatus AskPrivacyStatus(Core& core) {
    auto answer = std::make_shared<std::promise<MobilePrivacyStatus>>();
    auto future = answer->get_future();
    core.GetPrivacyStatus([answer](MobilePrivacyStatus status) { answer->set_value(status); });
    if (future.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "nvr_host: no privacy status within 30 s\n");
        return MobilePrivacyStatus::UNKNOWN;
    }
    return future.get();
}

/** What the facade hands its callback, or `fallback` when no answer came within 10 s. */
template <class Value, class Call>
Value Ask(Call call, Value fallback) {
    auto answer = std::make_shared<std::promise<Value>>();
    auto future = answer->get_future();
    call([answer](Value value) { answer->set_value(value); });
    return future.wait_for(std::chrono::seconds(10)) == std::future_status::ready ? future.get() : fallback;
}

std::vector<TrackCall> DefaultScript() {
    return {{true, "Home", {{"section", "start"}}},
            {false, "AddToCart", {{"product", "green tea"}, {"price", "4.50"}}},
            {false, "Checkout", {{"items", "1"}}}};
}

void Track(Core& core, const TrackCall& call) {
    auto data = std::make_shared<EventData>();
    data->PutString(call.isState ? "state" : "action", call.name);
    data->PutStringMap("contextdata", call.contextData);
    core.Track(data);
    std::printf("Tracked %s \"%s\"\n", call.isState ? "state" : "action", call.name.c_str());
}

std::int64_t StoredHits(AnalyticsPublicApi& analytics) {
    return Ask<std::int64_t>([&](auto callback) { analytics.GetQueueSize(callback); }, -1);
}

/**
 * Says at start which server a configuration update stored by an earlier run names: it stands above the
 * bundle, so the run's hits go there, not to the collector, until another update or --reset. A server that
 * this run's updates name is left out: the new value replaces the stored one.
 */
void NameStoredServerUpdates(PlatformServicesInterface& services, const HostOptions& options,
                             const std::string& collectorHost) {
    const auto store = services.GetLocalStorageService()->GetDataStore(Configuration::DATASTORE_KEY);
    const auto stored = nlohmann::json::parse(
        store ? store->GetString(Configuration::PERSISTED_OVERRIDDEN_CONFIG, "") : "", nullptr, false);
    if (!stored.is_object()) {
        return;
    }
    for (const char* key : ConfigurationConstants::SERVER_ADDRESS_KEYS) {
        const auto server = stored.find(key);
        if (server == stored.end() || options.updates.count(key) != 0 || *server == collectorHost) {
            continue;
        }
        // An address the URL rule refuses gets nothing, as the SDK's own warning says.
        const bool refused = !server->is_string() ||
                             UrlBuilder().EnableSsl(true).SetHost(server->get<std::string>()).Build().empty();
        std::printf(
            "A configuration update stored by an earlier run names %s = %s, %s (--update %s=%s points it "
            "back, --reset forgets every update)\n",
            key, server->dump().c_str(),
            refused ? "an address the SDK refuses, so nothing is sent, there or to the collector"
                    : "so the SDK sends there, not to the collector",
            key, collectorHost.c_str());
    }
}

/** The rows of the hit database as the queue size counts them; -1 when it cannot be read. */
std::int64_t StoredHitRows(DatabaseServiceInterface& databases) {
    std::int64_t rows = -1;
    TrySwallow([&] {
        const auto query = AnalyticsDatabaseHitSchema().GetRegularHitQuery();
        rows = databases.OpenDatabase(AnalyticsDatabaseHitSchema::ANALYTICS_DB_NAME)
                   ->CountRows(query->GetTable(), query->GetSelection(), query->GetSelectionArgs());
    });
    return rows;
}

/**
 * The hits stored in the hit database file of `cacheFolder`, read from the file alone: once the SDK has
 * stopped, what a later run sends, those a run that cannot write the file leaves there unsent included.
 * 0 without a file; -1 when it cannot be read.
 */
std::int64_t StoredHitRowsOfFile(const fs::path& cacheFolder) {
    const fs::path file = cacheFolder / AnalyticsDatabaseHitSchema::ANALYTICS_DB_NAME;
    std::error_code error;
    if (!fs::exists(file, error)) {
        return 0;
    }
    const auto query = AnalyticsDatabaseHitSchema().GetRegularHitQuery();
    const std::string sql = "SELECT COUNT(*) FROM " + query->GetTable() +
                            (query->GetSelection().empty() ? "" : " WHERE " + query->GetSelection());
    // With the log beside the file first; a folder that refuses the log's shared-memory file leaves the
    // file as it lies.
    for (const bool asItLies : {false, true}) {
        const auto connection = SqliteConnection::OpenToRead(file.string(), asItLies);
        const auto statement = connection->IsOpen() ? connection->Prepare(sql) : nullptr;
        if (!statement || !statement->IsValid()) {
            continue;
        }
        int index = 1;
        for (const auto& argument : query->GetSelectionArgs()) {
            statement->BindText(index++, argument);
        }
        if (statement->Step() == SQLITE_ROW) {
            return statement->ColumnInt64(0);
        }
    }
    return -1;
}

/**
 * The track calls Analytics still holds in memory, not yet built into hits (for a configuration, say), which
 * end with the program; -1 when they cannot be counted. The queue size counts them with the stored hits: the
 * rows are counted before and after it until no hit was built or sent meanwhile.
 */
std::int64_t CountWaitingTrackCalls(AnalyticsPublicApi& analytics, DatabaseServiceInterface& databases) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const std::int64_t rowsBefore = StoredHitRows(databases);
        const std::int64_t queueSize = StoredHits(analytics);
        const std::int64_t rows = StoredHitRows(databases);
        if (rows >= 0 && rows == rowsBefore && queueSize >= rows) {
            return queueSize - rows;
        }
    }
    return -1;
}

/**
 * The summary's lines on what the run leaves: the hits stored in the file, counted once the SDK has stopped,
 * and what it held in memory only, which ends with the program.
 */
void PrintHeldHits(std::int64_t stored, std::int64_t inMemory, bool hitsOnlyInMemory) {
    // The rows of a database this run cannot write are not the run's: they wait in the file for a later
    // run, while the run's own hits and track calls end with the program.
    const char* whose =
        hitsOnlyInMemory && stored > 0
            ? " (in a hit database this run cannot write: a later run that can write it sends them)"
            : "";
    std::printf("Hits still stored: %lld%s\n", static_cast<long long>(stored), whose);
    if (hitsOnlyInMemory) {
        std::printf("Hits and track calls kept in memory only: %lld (lost when the program ends: the data "
                    "folder cannot be written)\n",
                    static_cast<long long>(inMemory));
    } else {
        std::printf(
            "Track calls waiting in memory, not yet built into hits: %lld (lost when the program ends)\n",
            static_cast<long long>(inMemory));
    }
}

std::string AsJson(const std::shared_ptr<EventData>& data) {
    return data ? CreateNativeJsonUtilityService()->EventDataToJsonObject(data).Value()->ToString() : "(none)";
}

/** The run of the host program, from its command line to its status. */
int RunHost(int argc, char** argv) {
    HostOptions options;
    switch (ParseHostOptions(argc, argv, options)) {
        case ParseOutcome::ShowHelp:
            std::fputs(HostUsage(), stdout);
            return 0;
        case ParseOutcome::Invalid:
            return 2;
        case ParseOutcome::Run:
            break;
    }
    const fs::path bundle = options.bundle.empty() ? fs::path(AppFolders::GetBundleDirectory()) : fs::path(options.bundle);
    std::string bundledServer;
    if (!ReadPackagedServer("nvr_host", bundle, bundledServer)) {
        return 1;
    }
    const fs::path dataDirectory = options.dataDirectory.empty() ? DefaultDataDirectory(argv[0], "nvr_host_data")
                                                                 : fs::path(options.dataDirectory);
    PrepareDataDirectory(dataDirectory, options.reset);
    const bool hitsOnlyInMemory = !CanStoreHits(dataDirectory);
    // The bundle's port when it is free; a collector that had to move is named to the SDK for this run only.
    Collector collector(LoopbackPort(bundledServer));
    const RunBundle runBundle(bundle, bundledServer, collector.Host(), dataDirectory);

    const auto sharedServices = CreateNativeSharedPlatformServices();
    // The core installs the logger: whatever the SDK says about its stores, from their first opening on,
    // reaches the output only once it is there.
    const auto core = Core::Create([sharedServices] { return sharedServices->CreatePlatformServices(); });
    Log::SetLogLevel(options.logLevel);
    NameStoredServerUpdates(*sharedServices->CreatePlatformServices(), options, collector.Host());
    const auto hub = core->GetEventHub();
    const auto reader = std::make_shared<StateReader>();
    hub->RegisterModule(reader);
    // The facades use only the hub.
    const auto identity = IdentityPublicApi::Create(hub, nullptr);
    identity->RegisterIdentity();
    LifecyclePublicApi::Create(hub, nullptr)->Register();
    const auto analytics =
        AnalyticsPublicApi::Create(hub, nullptr, "OIP-2.2.1-" + ExtensionVersionManager::GetSdkVersion());
    analytics->RegisterExtension();
    core->Start([] {});
    if (!options.updates.empty()) {
        core->UpdateConfiguration(options.updates);
    }
    // Answered by the Configuration module after every request queued before it, so the
    // configuration it is asked after is the one published for them.
    const MobilePrivacyStatus privacy = AskPrivacyStatus(*core);
    std::printf("Published configuration (%s):\n%s\n", kConfigurationState,
                AsJson(reader->Newest(kConfigurationState)).c_str());
    std::printf("Privacy status: %s\n", MobilePrivacyStatusToString(privacy).c_str());

    // The host tells the UI service about the app's launch and its move to the background.
    const auto ui = sharedServices->CreatePlatformServices()->GetUIService();
    ReportApplicationNotification(ui, ApplicationNotificationName::DID_FINISH_LAUNCHING);
    // The user signs in before the launch is reported, and the host waits for what the identity server and
    // the collector answer, so every hit of the run, the launch's too, carries every identity parameter.
    SyncCustomerId(*identity);
    std::printf("Synced customer id crm = example-user\n");
    if (privacy == MobilePrivacyStatus::OPT_IN && !AwaitIdentityParameters(*identity, *reader)) {
        std::fprintf(
            stderr,
            "nvr_host: the identity and analytics states did not hold every identity parameter within "
            "20 s; the hits lack some of them\n");
    }
    core->LifecycleStart({{"host.launch", "demo"}});
    const auto tracks = options.tracks.empty() ? DefaultScript() : options.tracks;
    for (const auto& call : tracks) {
        Track(*core, call);
    }
    // Offline batching may hold the last hits back; the app asks for them to be sent now. Each track call
    // makes a hit (a launch that opened a new session makes one more).
    if (privacy == MobilePrivacyStatus::OPT_IN) {
        collector.AwaitDelivery(
            static_cast<int>(tracks.size()), [&] { return StoredHits(*analytics); },
            [&] { analytics->SendQueuedHits(); }, std::chrono::seconds(20));
    }
    // The app goes to the background only after its hits were built, as an app in use would.
    core->LifecyclePause();
    ReportApplicationNotification(ui, ApplicationNotificationName::DID_ENTER_BACKGROUND);
    if (options.lifecycle) {
        std::printf("Lifecycle state (%s):\n%s\n", kLifecycleState, AsJson(reader->Newest(kLifecycleState)).c_str());
    }
    // Without a configuration Analytics answers no request for its id.
    std::printf("Analytics id: %s\n",
                reader->Newest(kConfigurationState)
                    ? Ask<std::string>([&](auto callback) { analytics->GetTrackingIdentifier(callback); },
                                       "(no answer)")
                          .c_str()
                    : "(none: no configuration)");
    const std::int64_t inMemory =
        hitsOnlyInMemory
            ? StoredHits(*analytics)
            : CountWaitingTrackCalls(*analytics, *sharedServices->CreatePlatformServices()->GetDatabaseService());
    // The stored hits are counted from the file once the core has written what it holds: the launch's hit,
    // built when Lifecycle answers the start, may be written after any count taken while the core runs.
    const bool disposed = core->Dispose(std::chrono::seconds(10));
    sharedServices->Dispose(std::chrono::milliseconds(0));
    PrintHeldHits(StoredHitRowsOfFile(CacheFolder(dataDirectory)), inMemory, hitsOnlyInMemory);
    // Last, once nothing more can arrive: the count is what the collector printed.
    collector.Stop();
    const int arrived = collector.HitCount();
    std::printf("Hits received by the collector: %d\n", arrived);
    if (privacy == MobilePrivacyStatus::OPT_IN && arrived == 0) {
        std::fprintf(stderr, "nvr_host: no hit reached the collector\n");
        return 1;
    }
    // Dispose says false when it drops the track calls still waiting for a configuration: the summary has
    // counted those already.
    const bool droppedWhatWasCounted = !hitsOnlyInMemory && inMemory > 0;
    return disposed || droppedWhatWasCounted ? 0 : 1;
}

}  // namespace

// What the host cannot do with its folders (a bundle copy that no folder takes, say) ends it with one line,
// status 1, never with an abort.
int main(int argc, char** argv) {
    try {
        return RunHost(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nvr_host: %s\n", error.what());
        return 1;
    }
}
