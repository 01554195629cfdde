// Sequences of the app's configuration calls (app ids whose servers answer at once, slowly, never or with a
// failure; files; privacy requests; updates; tracks) over launches of a real core that share their folders,
// with a loopback HTTPS server serving both the app ids' files and the measurement hits. Each track's event
// must see the configuration the model (AppChoiceOrderModel.h) places there, and each hit must arrive as
// the model says. Fixed sequences name faults seen before; random ones come from seeds.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "core/Core.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "integration/AppChoiceOrderModel.h"
#include "services/PlatformServices.h"
#include "services/system/AppFolders.h"
#include "shared/MobilePrivacyStatus.h"
#include "support/ConfigurationTestSupport.h"
#include "support/LoopbackHttpsServer.h"
#include "support/MeasuringCore.h"
#include "support/ReachableLoopback.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;
using namespace AppChoiceOrder;

/** Bound on each wait for what the model says comes; reached only when the core does not do it. */
constexpr std::chrono::milliseconds kWait = 5s;
/**
 * A hit the server answered just as its launch's disposal aborted the requests keeps its row (the queue cannot
 * tell a cut request from a taken one, and a hit lost is worse), so the next launch sends it once more.
 */
constexpr size_t kMostCopiesOfAHit = 2;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NVR_ORDER_SANITIZED 1
#endif
#elif defined(__SANITIZE_ADDRESS__)
#define NVR_ORDER_SANITIZED 1
#endif

// A sanitized core is several times slower: fewer seeds keep the sanitizer run short.
#ifdef NVR_ORDER_SANITIZED
constexpr unsigned kDefaultSeeds = 6;
#else
constexpr unsigned kDefaultSeeds = 24;
#endif

unsigned SeedsFromEnvironment(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? static_cast<unsigned>(std::stoul(value)) : fallback;
}

/** The text of a configuration that names the collector. */
std::string ConfigurationText(int port, const Base& base) {
    const std::string server = "127.0.0.1:" + std::to_string(port);
    return R"({"analytics.server": ")" + server + R"(", "analytics.rsids": ")" + base.rsids +
           R"(", "global.privacy": ")" + base.privacy + R"(", "skyloom.org": "ORG1", "skyloom.server": ")" +
           server + R"("})";
}

/** The measurement hits that reached the collector: the request paths of each action. Any thread. */
class HitCollector {
public:
    void Record(const LoopbackRequest& request) {
        static const std::regex kAction("(^|&)action=([^&]*)&");
        std::smatch match;
        const std::string action = std::regex_search(request.body, match, kAction) ? match[2].str() : "";
        std::lock_guard<std::mutex> lock(mutex_);
        paths_[action].push_back(request.path);
        arrived_.notify_all();
    }

    /** True once a hit of every action arrived within `timeout`. */
    bool WaitFor(const std::vector<std::string>& actions, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] {
            for (const auto& action : actions) {
                if (!paths_.count(action)) {
                    return false;
                }
            }
            return true;
        });
    }

    std::map<std::string, std::vector<std::string>> Paths() {
        std::lock_guard<std::mutex> lock(mutex_);
        return paths_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::map<std::string, std::vector<std::string>> paths_;
};

/**
 * Serves the app ids' configuration files as the current launch's answers say: a slow or unanswering
 * server holds the request on the launch's gate of the app id. Any thread.
 */
class ConfigurationServers {
public:
    ConfigurationServers(int port, std::map<std::string, std::string> appPrivacy)
        : port_(port), appPrivacy_(std::move(appPrivacy)) {}

    std::string FileText(const std::string& app) const {
        return ConfigurationText(port_, Base{RsidsOf(app), appPrivacy_.at(app)});
    }

    void StartLaunch(const std::map<std::string, Answer>& answers) {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_ = answers;
        requests_.clear();
        gates_.clear();
        for (const auto& app : AppIds()) {
            gates_[app] = std::make_shared<Gate>();
            everyGate_.push_back(gates_[app]);
        }
    }

    LoopbackResponse Serve(const std::string& app) {
        Answer answer = Answer::kAtOnce;
        std::shared_ptr<Gate> gate;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++requests_[app];
            answer = answers_.count(app) ? answers_.at(app) : Answer::kAtOnce;
            gate = gates_.at(app);
        }
        if (answer == Answer::kSlow || answer == Answer::kNever) {
            gate->Hold();
        }
        return answer == Answer::kFails ? LoopbackResponse{404, {}, ""} : LoopbackResponse{200, {}, FileText(app)};
    }

    void Release(const std::string& app) {
        std::lock_guard<std::mutex> lock(mutex_);
        gates_.at(app)->Open();
    }

    /** Lets every held request go, so that the server can stop. */
    void OpenEveryGate() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& gate : everyGate_) {
            gate->Open();
        }
    }

    int RequestsInLaunch(const std::string& app) {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_[app];
    }

private:
    const int port_;
    const std::map<std::string, std::string> appPrivacy_;
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::map<std::string, int> requests_;
    std::map<std::string, std::shared_ptr<Gate>> gates_;
    std::vector<std::shared_ptr<Gate>> everyGate_;
};

/** Runs planned sequences on real cores and compares each event and hit with the plan. */
class AppChoiceOrderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // An empty bundle: nothing packaged.
        std::filesystem::create_directories(folders_.Root() / "bundle");
        AppFolders::SetBundleDirectory((folders_.Root() / "bundle").string());
    }

    void TearDown() override {
        if (servers_) {
            servers_->OpenEveryGate();
        }
        if (core_) {
            core_->Dispose(kWait);
            core_.reset();
        }
        if (shared_) {
            shared_->Dispose(0ms);
        }
        server_.Stop();
        AppFolders::SetBundleDirectory("");
    }

    void Serve(const std::map<std::string, std::string>& appPrivacy) {
        servers_ = std::make_unique<ConfigurationServers>(server_.Port(), appPrivacy);
        for (const auto& app : AppIds()) {
            server_.Handle("/" + app + ".json",
                           [servers = servers_.get(), app](const LoopbackRequest&) { return servers->Serve(app); });
        }
        server_.SetDefaultHandler([this](const LoopbackRequest& request) {
            if (request.path.rfind("/b/ss/", 0) == 0) {
                hits_.Record(request);
                return LoopbackResponse{200, {}, ""};
            }
            return LoopbackResponse{200, {}, R"({"d_mid": "M1", "id_sync_ttl": 600})"};
        });
        const auto files = folders_.Root() / "files";
        std::filesystem::create_directories(files);
        for (const FileKind kind : {FileKind::kGood, FileKind::kOptsOut}) {
            std::ofstream(PathOf(kind)) << ConfigurationText(server_.Port(), FileBase(kind));
        }
    }

    std::string PathOf(FileKind kind) const {
        static const char* const kNames[] = {"good.json", "opts-out.json", "missing.json"};
        return (folders_.Root() / "files" / kNames[static_cast<int>(kind)]).string();
    }

    /** Runs the plan; on a failure prints it with its effects, so that it can be replayed. */
    void Run(const Plan& plan) {
        Serve(plan.appPrivacy);
        plan_ = &plan;
        if (RunLaunches()) {
            CheckHits();
        }
        if (HasFailure()) {
            std::cout << "The sequence, with the effects the model places in event order:\n"
                      << plan.description;
        }
    }

    /** False at the first wait that ended without what the model says comes: later checks would only echo it. */
    bool RunLaunches() {
        for (size_t launch = 0; launch < plan_->launches.size(); ++launch) {
            SCOPED_TRACE("launch " + std::to_string(launch + 1));
            if (!RunLaunch(plan_->launches[launch], static_cast<int>(launch) + 1)) {
                return false;
            }
        }
        return true;
    }

    bool RunLaunch(const PlannedLaunch& launch, int number) {
        servers_->StartLaunch(launch.answers);
        shared_ = SharedPlatformServices::Create();
        auto started = StartMeasuringCore(*shared_, server_);
        core_ = std::move(started.core);
        observer_ = std::move(started.observer);
        if (launch.bootLanding && !WaitForLanding(*launch.bootLanding)) {
            return false;
        }
        for (const auto& planned : launch.steps) {
            if (!WaitForHitsOf(planned.mustHaveArrived) || !RunStep(planned)) {
                return false;
            }
        }
        CheckStatesOfTracks(number);
        if (!WaitForHitsOf(launch.mustHaveArrivedBeforeDispose)) {
            return false;
        }
        const bool disposed = core_->Dispose(kWait);
        if (launch.disposeSays) {
            EXPECT_EQ(*launch.disposeSays, disposed) << "Dispose of launch " << number;
        }
        core_.reset();
        observer_.reset();
        shared_->Dispose(0ms);
        shared_.reset();
        return true;
    }

    bool RunStep(const PlannedStep& planned) {
        const Step& step = planned.step;
        switch (step.kind) {
            case StepKind::kAppId:
                core_->ConfigureWithAppId(step.app);
                break;
            case StepKind::kFile:
                core_->ConfigureWithFileInPath(PathOf(step.file));
                break;
            case StepKind::kPrivacy:
                core_->SetPrivacyStatus(StringToMobilePrivacyStatus(step.privacy));
                break;
            case StepKind::kUpdate:
                core_->UpdateConfiguration({{"marker", Variant::FromString("u" + std::to_string(++updates_))}});
                break;
            case StepKind::kTrack: {
                auto data = std::make_shared<EventData>();
                data->PutString("action", plan_->tracks[planned.track].action);
                core_->Track(data);
                break;
            }
            case StepKind::kRelease:
                servers_->Release(step.app);
                break;
        }
        return !planned.landing || WaitForLanding(*planned.landing);
    }

    /** Waits until the module heard the fetched text, so that the landing has its place in event order. */
    bool WaitForLanding(const Landing& landing) {
        const std::string text = landing.app.empty() ? "" : servers_->FileText(landing.app);
        const bool landed = observer_->WaitUntil(
            [&](const std::vector<std::shared_ptr<Event>>& events) {
                int count = 0;
                for (const auto& event : events) {
                    count += event->GetName() == "Downloaded Configuration Internal" &&
                             event->GetData()->OptString("config.downloaded", "") == text;
                }
                return count >= landing.count;
            },
            kWait);
        EXPECT_TRUE(landed) << "the fetch of " << (landing.app.empty() ? "a failing app id" : landing.app)
                            << " did not land (landing " << landing.count << ")";
        return landed;
    }

    bool WaitForHitsOf(const std::vector<int>& tracks) {
        std::vector<std::string> actions;
        for (const int track : tracks) {
            actions.push_back(plan_->tracks[track].action);
        }
        const bool arrived = hits_.WaitFor(actions, kWait);
        EXPECT_TRUE(arrived) << "not every hit of " << ::testing::PrintToString(actions) << " arrived";
        return arrived;
    }

    /** Each track's configuration as it stood at its event, waiting while it is pending. */
    void CheckStatesOfTracks(int launch) {
        for (const auto& track : plan_->tracks) {
            if (track.launch != launch || !track.resolved) {
                continue;
            }
            SCOPED_TRACE(track.action);
            const auto event = observer_->WaitFor(
                [&](const Event& heard) {
                    return heard.GetName() == "AnalyticsTrack" &&
                           heard.GetData()->OptString("action", "") == track.action;
                },
                kWait);
            ASSERT_NE(nullptr, event);
            // With no server and no privacy request, nothing may ever be published for the event.
            const bool somethingPublished = !track.rsids.empty() || track.privacyOverride.has_value();
            std::shared_ptr<EventData> state;
            observer_->WaitUntil(
                [&](const std::vector<std::shared_ptr<Event>>&) {
                    state = observer_->ConfigurationStateAt(event->GetEventNumber());
                    return state || !somethingPublished;
                },
                kWait);
            if (track.checkRsids) {
                EXPECT_EQ(track.rsids, state ? state->OptString("analytics.rsids", "") : "");
            }
            EXPECT_EQ(track.privacy, state ? state->OptString("global.privacy", "optunknown") : "optunknown");
        }
    }

    static bool SentToOneOf(const std::string& path, const TrackModel& track) {
        const auto sentTo = [&path](const std::string& rsids) { return path.rfind("/b/ss/" + rsids + "/", 0) == 0; };
        return sentTo(track.rsids) || std::any_of(track.laterRsids.begin(), track.laterRsids.end(), sentTo);
    }

    void CheckHits() {
        auto paths = hits_.Paths();
        for (const auto& track : plan_->tracks) {
            SCOPED_TRACE(track.action);
            const auto sent = paths[track.action];
            paths.erase(track.action);
            switch (track.fate) {
                case Fate::kSent:
                    ASSERT_LE(1u, sent.size());
                    ASSERT_GE(kMostCopiesOfAHit, sent.size());
                    if (track.checkRsids) {
                        EXPECT_TRUE(SentToOneOf(sent[0], track)) << sent[0];
                    }
                    break;
                case Fate::kNeverSent:
                case Fate::kWaiting:
                    EXPECT_EQ(0u, sent.size());
                    break;
                case Fate::kStoredUnknown:
                case Fate::kMaySend:
                    EXPECT_GE(kMostCopiesOfAHit, sent.size());
                    break;
            }
        }
        for (const auto& [action, sent] : paths) {
            ADD_FAILURE() << "a hit of no track: \"" << action << "\", " << sent.size() << " times";
        }
    }

    ScopedAppFolders folders_;
    LoopbackHttpsServer server_;
    ReachableLoopback reachable_{server_};
    HitCollector hits_;
    std::unique_ptr<ConfigurationServers> servers_;
    std::shared_ptr<SharedPlatformServices> shared_;
    std::shared_ptr<Core> core_;
    std::shared_ptr<ObserverModule> observer_;
    const Plan* plan_ = nullptr;
    int updates_ = 0;
};

std::map<std::string, std::string> OptedInApps() {
    return {{"app-a", "optedin"}, {"app-b", "optedin"}, {"app-c", "optedin"}};
}

struct FixedCase {
    const char* name;
    Sequence sequence;
    // Requests each app id's server had in the last launch, where the case counts them.
    std::map<std::string, int> requestsInLastLaunch;
};

void PrintTo(const FixedCase& fixed, std::ostream* out) { *out << fixed.name; }

class AppChoiceFixedOrderTest : public AppChoiceOrderTest, public ::testing::WithParamInterface<FixedCase> {};

TEST_P(AppChoiceFixedOrderTest, EachEventSeesTheModelsConfigurationAndEachHitDoesWhatItSays) {
    Run(PlanOf(GetParam().sequence));
    for (const auto& [app, requests] : GetParam().requestsInLastLaunch) {
        EXPECT_EQ(requests, servers_->RequestsInLaunch(app)) << app;
    }
}

const FixedCase kFixedCases[] = {
    {"TheLastAppIdDoesNotWaitBehindAnUnansweredOne",
     {OptedInApps(), {{{{"app-b", Answer::kNever}}, {AppId("app-b"), AppId("app-a"), Track()}}}},
     {}},
    {"RequestsForAnAppIdWhileItsFetchRunsShareIt",
     {OptedInApps(),
      {{{{"app-a", Answer::kSlow}}, {AppId("app-a"), AppId("app-a"), AppId("app-a"), Track(), Release("app-a")}}}},
     {{"app-a", 1}}},
    {"AnOptOutDuringTheFirstFetchIsKeptForTheEventsAfterIt",
     {OptedInApps(),
      {{{{"app-a", Answer::kSlow}},
        {AppId("app-a"), Privacy("optedout"), Track(), Privacy("optunknown"), Release("app-a"),
         Privacy("optedin")}},
       {{}, {Privacy("optedin"), Track()}}}},
     {}},
    {"AnOptOutAfterATrackHeldForTheFirstFetchClearsItWhenAFileComes",
     {OptedInApps(),
      {{{{"app-a", Answer::kSlow}}, {Privacy("optedin"), AppId("app-a")}},
       {{{"app-a", Answer::kNever}, {"app-b", Answer::kNever}},
        {AppId("app-b"), Track(), Track(), Privacy("optedout"), Track(), File(FileKind::kGood)}}}},
     {}},
    {"ATrackDuringTheFirstFetchAfterAnEarlyOptInIsSent",
     {{{"app-a", "optedout"}, {"app-b", "optedin"}, {"app-c", "optedin"}},
      {{{{"app-a", Answer::kSlow}}, {Privacy("optedin"), AppId("app-a"), Track(), Release("app-a")}}}},
     {}},
    {"ATrackDuringTheFirstFetchAfterAnEarlyUpdateIsSent",
     {OptedInApps(), {{{{"app-a", Answer::kSlow}}, {Update(), AppId("app-a"), Track(), Release("app-a")}}}},
     {}},
    {"AFileThatCannotBeReadLeavesTheAppIdTheLatestBase",
     {OptedInApps(),
      {{{{"app-a", Answer::kSlow}},
        {AppId("app-a"), File(FileKind::kUnreadable), Track(), Release("app-a")}}}},
     {}},
    {"DisposeSaysFalseWhenItDropsATrackWaitingForAFetch",
     {OptedInApps(), {{{{"app-a", Answer::kNever}}, {AppId("app-a"), Track()}}}},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Faults, AppChoiceFixedOrderTest, ::testing::ValuesIn(kFixedCases),
                         [](const ::testing::TestParamInfo<FixedCase>& info) { return info.param.name; });

// NVR_ORDER_SEEDS runs more seeds (scripts/test --orders N), from NVR_ORDER_FIRST_SEED on.
class AppChoiceRandomOrderTest : public AppChoiceOrderTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(AppChoiceRandomOrderTest, EachEventSeesTheModelsConfigurationAndEachHitDoesWhatItSays) {
    std::cout << "seed " << GetParam() << " (NVR_ORDER_FIRST_SEED=" << GetParam()
              << " NVR_ORDER_SEEDS=1 replays it)\n";
    Run(PlanOfSeed(GetParam()));
}

const unsigned kFirstSeed = SeedsFromEnvironment("NVR_ORDER_FIRST_SEED", 1);

INSTANTIATE_TEST_SUITE_P(Seeds, AppChoiceRandomOrderTest,
                         ::testing::Range(kFirstSeed,
                                          kFirstSeed + SeedsFromEnvironment("NVR_ORDER_SEEDS", kDefaultSeeds)),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return "Seed" + std::to_string(info.param);
                         });

}  // namespace
}  // namespace NuvraMobile
