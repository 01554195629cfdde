#include <gtest/gtest.h>

#include <ctime>

#include <nlohmann/json.hpp>

#include "services/ui/MainQueue.h"
#include "services/ui/NVBLocalNotificationHandler.h"
#include "services/ui/RecordingNotificationSink.h"
#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

/** The sink's JSON text as a value, so that cases compare entries and not spelling. */
std::optional<nlohmann::json> ParsedUserInfo(const std::optional<std::string>& text) {
    return text ? std::optional<nlohmann::json>(nlohmann::json::parse(*text)) : std::nullopt;
}

/** A sink whose user-notification centre fails, as a broken platform call would. */
class FailingNotificationSink : public RecordingNotificationSink {
public:
    void AddNotificationRequest(const NotificationRequest&) override { throw std::runtime_error("centre failed"); }
};

class LocalNotificationTest : public ::testing::Test {
protected:
    void Schedule(const std::shared_ptr<ShowLocalNotificationArgs>& args) {
        NVBLocalNotificationHandler::scheduleWithArguments(platform_, args);
        ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT));
    }

    static std::shared_ptr<ShowLocalNotificationArgs> Args(std::int64_t delay, std::int64_t fireDate) {
        auto args = ShowLocalNotificationArgs::Create();
        args->identifier = "id-1";
        args->content = "Body";
        args->delay = delay;
        args->fireDate = fireDate;
        return args;
    }

    std::shared_ptr<MainQueue> queue_ = MainQueue::StartOwnThread();
    std::shared_ptr<RecordingNotificationSink> sink_ = std::make_shared<RecordingNotificationSink>();
    UiPlatform platform_{queue_, nullptr, nullptr, sink_};
};

TEST_F(LocalNotificationTest, FireDateBeatsDelayAndNeitherDeliversAtOnce) {
    const std::int64_t fireDate = 1767225600 + 3 * 3600 + 4 * 60 + 5;
    const std::time_t time = static_cast<std::time_t>(fireDate);
    std::tm local{};
    localtime_r(&time, &local);
    const DateComponents expected{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                  local.tm_hour,        local.tm_min,     local.tm_sec};
    struct Case {
        std::int64_t delay;
        std::int64_t fireDate;
        NotificationTrigger::Kind kind;
    };
    const std::vector<Case> cases = {
        {30, fireDate, NotificationTrigger::Kind::CALENDAR},
        {0, fireDate, NotificationTrigger::Kind::CALENDAR},
        {30, 0, NotificationTrigger::Kind::TIME_INTERVAL},
        {0, 0, NotificationTrigger::Kind::NONE},
        {-5, 0, NotificationTrigger::Kind::NONE},
    };
    for (const Case& c : cases) {
        Schedule(Args(c.delay, c.fireDate));
    }
    const auto requests = sink_->GetRequests();
    ASSERT_EQ(requests.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(requests[i].trigger.kind, cases[i].kind);
        EXPECT_FALSE(requests[i].trigger.repeats);
        if (cases[i].kind == NotificationTrigger::Kind::CALENDAR) {
            EXPECT_TRUE(requests[i].trigger.date == expected);
        }
        if (cases[i].kind == NotificationTrigger::Kind::TIME_INTERVAL) {
            EXPECT_EQ(requests[i].trigger.intervalSeconds, 30);
        }
    }
}

TEST_F(LocalNotificationTest, TheOlderFacilityFiresAtFireDateOrNowPlusDelayWithoutDefaultSound) {
    sink_->SetSupported(false, true);
    const std::time_t before = std::time(nullptr);
    Schedule(Args(0, 0));
    Schedule(Args(60, 0));
    Schedule(Args(60, 1767225600));
    const std::time_t after = std::time(nullptr);
    const auto notifications = sink_->GetLocalNotifications();
    ASSERT_EQ(notifications.size(), 3u);
    EXPECT_GE(notifications[0].fireDate, before);
    EXPECT_LE(notifications[0].fireDate, after);
    EXPECT_GE(notifications[1].fireDate, before + 60);
    EXPECT_LE(notifications[1].fireDate, after + 60);
    EXPECT_EQ(notifications[2].fireDate, 1767225600);
    EXPECT_EQ(notifications[0].soundName, std::nullopt);  // no sound on this path
    EXPECT_EQ(notifications[0].alertBody, std::optional<std::string>("Body"));
    EXPECT_TRUE(sink_->GetRequests().empty());

    sink_->SetSupported(false, false);  // neither facility: nothing scheduled
    Schedule(Args(0, 0));
    EXPECT_EQ(sink_->GetLocalNotifications().size(), 3u);
}

TEST_F(LocalNotificationTest, UserInfoEntriesJoinTheDeepLinkAndWinOverIt) {
    struct Case {
        std::string deepLink;
        std::string userInfo;
        std::optional<nlohmann::json> expected;
        bool logsInvalid;
    };
    const std::vector<Case> cases = {
        {"app://a", "", nlohmann::json{{"nvb_deeplink", "app://a"}}, false},
        {"app://a", R"({"k":1})", nlohmann::json{{"nvb_deeplink", "app://a"}, {"k", 1}}, false},
        {"app://a", R"({"nvb_deeplink":"app://b"})", nlohmann::json{{"nvb_deeplink", "app://b"}}, false},
        {"", "", std::nullopt, false},
        {"", "[1,2]", std::nullopt, false},
        {"app://a", "{not json", nlohmann::json{{"nvb_deeplink", "app://a"}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deepLink + " " + c.userInfo);
        ScopedCapturingLog log;
        auto args = Args(0, 0);
        args->deepLink = c.deepLink;
        args->userInfo = c.userInfo;
        Schedule(args);
        EXPECT_EQ(ParsedUserInfo(sink_->GetRequests().back().userInfo), c.expected);
        EXPECT_EQ(log.Service().Contains("ignoring invalid userInfo json for notification (id: id-1)"), c.logsInvalid);
    }
}

TEST_F(LocalNotificationTest, EmptyTextsArriveAbsentAndAnEmptySoundIsTheDefault) {
    auto args = ShowLocalNotificationArgs::Create();
    Schedule(args);
    args->content = "Hi";
    args->sound = "chime";
    args->category = "cat";
    args->title = "Title";
    Schedule(args);
    const auto requests = sink_->GetRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].body, std::nullopt);
    EXPECT_EQ(requests[0].soundName, std::nullopt);  // the default sound
    EXPECT_EQ(requests[0].title, std::nullopt);
    EXPECT_EQ(requests[0].categoryIdentifier, std::nullopt);
    EXPECT_EQ(requests[0].userInfo, std::nullopt);
    EXPECT_EQ(requests[1].body, std::optional<std::string>("Hi"));
    EXPECT_EQ(requests[1].soundName, std::optional<std::string>("chime"));
    EXPECT_EQ(requests[1].title, std::optional<std::string>("Title"));
    EXPECT_EQ(requests[1].categoryIdentifier, std::optional<std::string>("cat"));
}

TEST_F(LocalNotificationTest, TheIntervalFormCutsTowardZeroAndAFailingCentreIsLogged) {
    NVBLocalNotificationHandler::scheduleWithIdentifier(platform_, "id-2", "Body", "", "", 9.9, "", 0, "");
    ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT));
    ASSERT_EQ(sink_->GetRequests().size(), 1u);
    EXPECT_EQ(sink_->GetRequests()[0].trigger.intervalSeconds, 9);

    auto failing = std::make_shared<FailingNotificationSink>();
    ScopedCapturingLog log;
    NVBLocalNotificationHandler::scheduleWithArguments(UiPlatform{queue_, nullptr, nullptr, failing}, Args(0, 0));
    ASSERT_TRUE(queue_->RunAndWait([] {}, SIGNAL_TIMEOUT));
    EXPECT_TRUE(log.Service().Contains("Unable to show notification with UNNotificationRequest"));
}

}  // namespace
}  // namespace NuvraMobile
