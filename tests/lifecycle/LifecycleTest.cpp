// The Lifecycle module on a fake hub, in UTC, with the clock the test sets: a whole install, pause,
// resume, crash and upgrade story without sleeping.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "lifecycle/Lifecycle.h"
#include "lifecycle/LifecycleMetricsBuilder.h"
#include "lifecycle/LifecycleSession.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/ManualTaskExecutor.h"
#include "support/ScopedTimeZone.h"

namespace NuvraMobile {
namespace {

using ContextData = std::map<std::string, std::string>;

/** One process of the app: a module over the shared store, on its own fake hub. */
class AppProcess {
public:
    /** `states` answers every shared-state question: the configuration and the identity state alike. */
    AppProcess(const std::shared_ptr<FakePlatformServices>& services, const std::int64_t& now,
               std::shared_ptr<EventData> states = std::make_shared<EventData>(
                   std::map<std::string, std::string>{{"advertisingidentifier", "ad-1"}}))
        : module_(std::make_shared<Lifecycle>([&now](const Event&) { return now; })) {
        hub_->SetSharedStateAnswer(states, true);
        hub_->Register(module_, executor_, services);
    }
    ~AppProcess() { executor_->Dispose(); }

    void Hear(const std::shared_ptr<EventType>& type, const std::shared_ptr<EventSource>& source,
              const std::shared_ptr<EventData>& data) {
        hub_->DriveListeners(module_, EventBuilder("e", type, source).SetData(data).SetEventNumber(next_++).Build());
        executor_->RunAll();
    }
    void Boot() { Hear(EventType::HUB, EventSource::BOOTED, std::make_shared<EventData>()); }
    void Start(const ContextData& additional = {}) {
        auto data = std::make_shared<EventData>();
        data->PutString("action", "start");
        data->PutStringMap("additionalcontextdata", additional);
        Hear(EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT, data);
    }
    void Pause() {
        Hear(EventType::GENERIC_LIFECYCLE, EventSource::REQUEST_CONTENT,
             std::make_shared<EventData>(std::map<std::string, std::string>{{"action", "pause"}}));
    }
    /** From now on every shared-state question is answered with `states`, and `owner`'s state changed. */
    void PublishState(const std::string& owner, const std::shared_ptr<EventData>& states) {
        hub_->SetSharedStateAnswer(states, true);
        Hear(EventType::HUB, EventSource::SHARED_STATE,
             std::make_shared<EventData>(std::map<std::string, std::string>{{"stateowner", owner}}));
    }

    /** The "LifecycleStart" events so far. */
    std::vector<std::shared_ptr<EventData>> Starts() const {
        std::vector<std::shared_ptr<EventData>> starts;
        for (const auto& event : hub_->DispatchedEvents()) {
            if (event->GetName() == "LifecycleStart") {
                starts.push_back(event->GetData());
            }
        }
        return starts;
    }
    /** The context data of the latest shared state. */
    ContextData State() const {
        ContextData data;
        for (const auto& call : hub_->Calls()) {
            if (call.operation == "CreateSharedState") {
                data.clear();
                call.data->GetStringMap("lifecyclecontextdata", data);
            }
        }
        return data;
    }
    size_t StateCount() const {
        size_t count = 0;
        for (const auto& call : hub_->Calls()) {
            count += call.operation == "CreateSharedState";
        }
        return count;
    }

private:
    std::shared_ptr<FakeEventHub> hub_ = std::make_shared<FakeEventHub>();
    std::shared_ptr<ManualTaskExecutor> executor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<Lifecycle> module_;
    int32_t next_ = 1;
};

ContextData ContextOf(const std::shared_ptr<EventData>& start) {
    ContextData data;
    start->GetStringMap("lifecyclecontextdata", data);
    return data;
}

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_->localStorageService = storage_;
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        services_->systemInfoService = systemInfo_;
    }

    std::shared_ptr<DataStoreInterface> Store() { return storage_->GetDataStore("NuvraMobile_Lifecycle"); }

    ScopedTimeZone utc_{"UTC"};  // for the calendar keys
    ScopedAppFolders folders_;
    std::int64_t now_ = 0;
    std::shared_ptr<LocalStorageServiceInterface> storage_ = CreateNativeLocalStorageService();
    std::shared_ptr<FakeSystemInfoService> systemInfo_ = std::make_shared<FakeSystemInfoService>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
};

TEST_F(LifecycleTest, InstallPauseResumeNewSessionCrashAndUpgrade) {
    {
        AppProcess app(services_, now_);
        app.Boot();
        EXPECT_EQ("TestApp 1 (1.0)", app.State()["appid"]);

        now_ = 1000;  // install
        app.Start({{"launches", "app value"}, {"own", "x"}, {"advertisingidentifier", "app-ad"}});
        ASSERT_EQ(1u, app.Starts().size());
        const auto install = ContextOf(app.Starts()[0]);
        const ContextData expectedInstall = {
            {"installevent", "InstallEvent"}, {"installdate", "1/1/1970"},
            {"dailyenguserevent", "DailyEngUserEvent"}, {"monthlyenguserevent", "MonthlyEngUserEvent"},
            {"launches", "1"}, {"dayofweek", "5"}, {"hourofday", "0"}, {"launchevent", "LaunchEvent"},
            {"devicename", "TestDevice"}, {"carriername", "Unknown"}, {"appid", "TestApp 1 (1.0)"},
            {"osversion", "Linux 6.1"}, {"resolution", "1080x1920"}, {"locale", "en-US"},
            {"runmode", "Application"}, {"own", "x"}, {"advertisingidentifier", "ad-1"}};
        EXPECT_EQ(expectedInstall, install);
        EXPECT_EQ(install, app.State());
        EXPECT_EQ(1000, Store()->GetLong("InstallDate", 0));
        EXPECT_EQ(1, Store()->GetInt("Launches", 0));
        EXPECT_EQ(1000, Store()->GetLong("LastDateUsed", 0));
        EXPECT_EQ("1.0", Store()->GetString("LastVersion", ""));
        EXPECT_FALSE(Store()->GetBoolean("SuccessfulClose", true));

        now_ = 1100;
        app.Pause();
        EXPECT_TRUE(Store()->GetBoolean("SuccessfulClose", false));
        EXPECT_EQ(1100, Store()->GetLong("PauseDate", 0));

        now_ = 1200;  // inside the timeout: the session resumes
        const auto states = app.StateCount();
        app.Start();
        EXPECT_EQ(1u, app.Starts().size());
        EXPECT_EQ(states + 1, app.StateCount());
        EXPECT_EQ(1100, Store()->GetLong("SessionStart", 0));
        EXPECT_FALSE(Store()->Contains("PauseDate"));

        now_ = 1300;
        app.Pause();
        now_ = 2000;  // after the timeout: a new session
        app.Start();
        ASSERT_EQ(2u, app.Starts().size());
        const auto second = app.Starts()[1];
        EXPECT_EQ("200", ContextOf(second)["prevsessionlength"]);
        EXPECT_EQ("2", ContextOf(second)["launches"]);
        EXPECT_EQ("0", ContextOf(second)["dayssincelastuse"]);
        EXPECT_EQ(0u, ContextOf(second).count("crashevent"));
        EXPECT_EQ(0u, ContextOf(second).count("installevent"));
        EXPECT_EQ(2000, second->OptLong("starttimestampseconds", 0));
        EXPECT_EQ(604800, second->OptLong("maxsessionlength", 0));
        EXPECT_EQ(1100, second->OptLong("previoussessionstarttimestampseconds", 0));
        EXPECT_EQ(1300, second->OptLong("previoussessionpausetimestampseconds", 0));
        EXPECT_EQ("start", second->OptString("sessionevent", ""));
    }
    {
        AppProcess app(services_, now_);  // the last process ended without a pause
        app.Boot();
        now_ = 3000;
        app.Start();
        ASSERT_EQ(1u, app.Starts().size());
        const auto crash = ContextOf(app.Starts()[0]);
        EXPECT_EQ("CrashEvent", crash.at("crashevent"));
        EXPECT_EQ("-2000", crash.at("ignoredsessionlength"));
        now_ = 3100;
        app.Pause();
    }
    systemInfo_->Update([](FakeSystemInfoService::Answers& answers) { answers.applicationVersion = "2.0"; });
    {
        AppProcess app(services_, now_);
        app.Boot();
        now_ = 4000;
        app.Start();
        const auto upgrade = ContextOf(app.Starts().at(0));
        EXPECT_EQ("UpgradeEvent", upgrade.at("upgradeevent"));
        EXPECT_EQ(0u, upgrade.count("launchessinceupgrade"));
        EXPECT_EQ("TestApp 1 (2.0)", upgrade.at("appid"));
        EXPECT_EQ(4000, Store()->GetLong("UpgradeDate", 0));
        EXPECT_EQ("2.0", Store()->GetString("LastVersion", ""));
        now_ = 4100;
        app.Pause();
        now_ = 5000;
        app.Start();
        const auto next = ContextOf(app.Starts().at(1));
        EXPECT_EQ(0u, next.count("upgradeevent"));
        EXPECT_EQ("1", next.at("launchessinceupgrade"));
        EXPECT_EQ("0", next.at("dayssincelastupgrade"));
        EXPECT_EQ("5", next.at("launches"));
        now_ = 5100;
        app.Pause();
    }
    systemInfo_->Update([](FakeSystemInfoService::Answers& answers) { answers.applicationVersion = "3.0"; });
    {
        AppProcess app(services_, now_);  // a second upgrade counts its launches from the start again
        app.Boot();
        now_ = 6000;
        app.Start();
        EXPECT_EQ("UpgradeEvent", ContextOf(app.Starts().at(0)).at("upgradeevent"));
        now_ = 6100;
        app.Pause();
        now_ = 7000;
        app.Start();
        EXPECT_EQ("1", ContextOf(app.Starts().at(1)).at("launchessinceupgrade"));
    }
}

TEST_F(LifecycleTest, TwoStartsWithoutAPauseOpenOneSession) {
    AppProcess app(services_, now_);
    now_ = 1000;
    app.Start();
    app.Start();
    EXPECT_EQ(1u, app.Starts().size());
    EXPECT_EQ(2u, app.StateCount());  // the second start publishes the same data again
    EXPECT_EQ(1, Store()->GetInt("Launches", 0));
}

// A start heard before Configuration's first state waits for it; that state, not a later lifecycle event,
// lets the start go on, with that configuration's session timeout.
TEST_F(LifecycleTest, StartBeforeTheFirstConfigurationGoesOnWhenTheConfigurationIsPublished) {
    {
        AppProcess app(services_, now_);
        now_ = 1000;
        app.Start();
        now_ = 1100;
        app.Pause();
    }
    AppProcess app(services_, now_, nullptr);
    app.Boot();
    now_ = 1300;
    app.Start();
    EXPECT_TRUE(app.Starts().empty());
    auto configuration = std::make_shared<EventData>();
    configuration->PutInteger("lifecycle.sessionTimeout", 100);
    app.PublishState("com.nuvra.module.configuration", configuration);
    // 200 s after the pause is a new session only under this configuration's timeout.
    ASSERT_EQ(1u, app.Starts().size());
    EXPECT_EQ("2", ContextOf(app.Starts()[0]).at("launches"));
}

TEST_F(LifecycleTest, UnreadablePersistedDataGivesAnEmptyPreviousSession) {
    Store()->SetString("LifecycleData", "not json");
    Store()->SetLong("InstallDate", 1);
    AppProcess app(services_, now_);
    app.Boot();
    EXPECT_EQ(0u, app.State().count("launches"));
    now_ = 1000;
    app.Start();
    ASSERT_EQ(1u, app.Starts().size());
    EXPECT_NE(std::string::npos, Store()->GetString("LifecycleData", "").find("\"launches\""));
}

TEST_F(LifecycleTest, SessionTimeoutComesFromTheConfigurationAsAWholeNumber) {
    struct Case {
        const char* name;
        std::shared_ptr<Variant> timeout;
        bool newSession;  // a start 200 s after a pause
    };
    const Case cases[] = {
        {"absent: 300", nullptr, false},
        {"integer 100", Variant::FromInteger(100), true},
        {"double 100.0 of a configuration file", Variant::FromDouble(100.0), true},
        {"text: 300", Variant::FromString("100"), false},
        {"zero", Variant::FromInteger(0), true},
    };
    for (const auto& c : cases) {
        Store()->RemoveAll();
        auto configuration = std::make_shared<EventData>();
        if (c.timeout) {
            configuration->PutVariant("lifecycle.sessionTimeout", c.timeout);
        }
        AppProcess app(services_, now_, configuration);
        now_ = 1000;
        app.Start();
        now_ = 1100;
        app.Pause();
        now_ = 1300;
        app.Start();
        EXPECT_EQ(c.newSession ? 2u : 1u, app.Starts().size()) << c.name;
    }
}

std::tm Utc(int year, int month, int day, int hour = 0, int minute = 0) {
    std::tm calendar{};
    calendar.tm_year = year - 1900;
    calendar.tm_mon = month - 1;
    calendar.tm_mday = day;
    calendar.tm_hour = hour;
    calendar.tm_min = minute;
    const auto time = timegm(&calendar);
    return *LifecycleMetricsBuilder::ConvertToTM(time);
}

TEST_F(LifecycleTest, DaysBetweenCountCalendarDaysAcrossYearEndsAndLeapYears) {
    struct Case {
        const char* name;
        std::tm start;
        std::tm end;
        std::int64_t days;
    };
    const Case cases[] = {
        {"one minute over midnight", Utc(2024, 3, 7, 23, 59), Utc(2024, 3, 8, 0, 1), 1},
        {"same day", Utc(2024, 3, 7, 0, 0), Utc(2024, 3, 7, 23, 59), 0},
        {"over a year end", Utc(2023, 12, 31), Utc(2024, 1, 1), 1},
        {"a leap year", Utc(2024, 1, 1), Utc(2025, 1, 1), 366},
        {"a common year", Utc(2023, 1, 1), Utc(2024, 1, 1), 365},
        {"over 29 February", Utc(2023, 3, 1), Utc(2025, 3, 1), 731},
        {"1900 is no leap year", Utc(1900, 1, 1), Utc(1901, 1, 1), 365},
        {"2000 is one", Utc(2000, 1, 1), Utc(2001, 1, 1), 366},
        {"clock moved back a year", Utc(2025, 1, 5), Utc(2024, 12, 31), 361},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.days, LifecycleMetricsBuilder::CalculateDaysBetween(c.start, c.end)) << c.name;
    }
}

TEST_F(LifecycleTest, SessionReportsOnlyLengthsInsideTheWeek) {
    struct Case {
        const char* name;
        std::int64_t start;
        std::int64_t pause;
        const char* key;
        const char* length;
    };
    const Case cases[] = {
        {"a normal session", 1100, 1300, "prevsessionlength", "200"},
        {"zero seconds", 1300, 1300, "ignoredsessionlength", "0"},
        {"a week", 1000, 1000 + 604800, "ignoredsessionlength", "604800"},
        {"just under a week", 1000, 1000 + 604799, "prevsessionlength", "604799"},
    };
    LifecycleSession session(Store());
    for (const auto& c : cases) {
        const auto data = session.GetSessionData(c.pause + 300, 300, std::make_shared<SessionInfo>(c.start, c.pause, false));
        EXPECT_EQ((ContextData{{c.key, c.length}}), data) << c.name;
    }
    EXPECT_TRUE(session.GetSessionData(1599, 300, std::make_shared<SessionInfo>(1000, 1300, false)).empty());
}

TEST_F(LifecycleTest, DeviceDataLeavesOutWhatTheSystemDoesNotHave) {
    systemInfo_->Update([](FakeSystemInfoService::Answers& answers) {
        answers.displayInformation = std::make_shared<FakeDisplayInformation>(0, 0, -1);  // headless
        answers.applicationVersionCode = "";
        answers.applicationVersion = "";
        answers.mobileCarrierName = "";
    });
    const auto data = LifecycleMetricsBuilder(services_, 0).AddCoreData().Build();
    EXPECT_EQ(0u, data.count("resolution"));
    EXPECT_EQ(0u, data.count("carriername"));
    EXPECT_EQ("TestApp", data.at("appid"));
    EXPECT_EQ("Linux 6.1", data.at("osversion"));
}

TEST_F(LifecycleTest, InstallDateOfAYearBeyondTheBufferIsLeftOut) {
    EXPECT_EQ("3/7/2024", LifecycleMetricsBuilder::StringFromTimestamp(1709769600));
    EXPECT_EQ("", LifecycleMetricsBuilder::StringFromTimestamp(253433836800));  // 12/31/10000
}

}  // namespace
}  // namespace NuvraMobile
