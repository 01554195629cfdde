#import "platform/NVRAnalytics.h"
#import "platform/NVRCore.h"

#include <algorithm>

#include "ModuleClassTestSupport.h"
#include "analytics/AnalyticsVersionProvider.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "platform/ValueConversions.h"
#include "support/ThreadSignals.h"

namespace NuvraMobile {
namespace {

using NVRAnalyticsTest = ModuleClassTest;

std::shared_ptr<EventData> DataWith(const std::function<void(EventData&)>& fill) {
    auto data = std::make_shared<EventData>();
    fill(*data);
    return data;
}

struct RequestCase {
    const char* name;
    void (*call)();
    const char* eventName;
    const char* key;
    std::string expectedText;  // empty: the key holds true
};

TEST_F(NVRAnalyticsTest, CallsReachTheModuleAsRequests) {
    const RequestCase cases[] = {
        {"nil visitor id is sent empty", [] { [NVRAnalytics setVisitorIdentifier:nil]; },
         "AnalyticsUpdateVisitorIdentifier", "vid", ""},
        {"visitor id", [] { [NVRAnalytics setVisitorIdentifier:@"v-1"]; }, "AnalyticsUpdateVisitorIdentifier",
         "vid", "v-1"},
        {"clear", [] { [NVRAnalytics clearQueue]; }, "AnalyticsClearQueue", "clearhitsqueue", ""},
        {"send", [] { [NVRAnalytics sendQueuedHits]; }, "AnalyticsSendQueuedHits", "forcekick", ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        row.call();
        const auto data = NextDataOf(row.eventName);
        ASSERT_NE(data, nullptr);
        if (std::string(row.key) == "vid") {
            std::string text = "unset";
            EXPECT_TRUE(data->GetString(row.key, text));
            EXPECT_EQ(text, row.expectedText);
        } else {
            bool flag = false;
            EXPECT_TRUE(data->GetBoolean(row.key, flag));
            EXPECT_TRUE(flag);
        }
    }
}

TEST_F(NVRAnalyticsTest, EveryCallSetsTheHitVersion) {
    AnalyticsVersionProvider::SetVersion("");
    [NVRAnalytics clearQueue];
    EXPECT_EQ(AnalyticsVersionProvider::GetVersion(), "OIP-2.2.1-" + ToCppString([NVRCore extensionVersion]));
}

TEST_F(NVRAnalyticsTest, AnswersReachTheBlocks) {
    Answer("AnalyticsGetQueueSize", EventType::ANALYTICS, EventSource::RESPONSE_CONTENT,
           DataWith([](EventData& data) { data.PutLong("queuesize", 3); }));
    Answer("AnalyticsGetTrackingIdentifier", EventType::ANALYTICS, EventSource::RESPONSE_IDENTITY,
           DataWith([](EventData& data) { data.PutString("aid", "A-1"); }));
    Answer("AnalyticsGetVisitorIdentifier", EventType::ANALYTICS, EventSource::RESPONSE_IDENTITY,
           DataWith([](EventData& data) { data.PutString("vid", ""); }));

    SignalCounter answered;
    SignalCounter* answeredCounter = &answered;
    __block unsigned long size = 0;
    __block NSString* trackingId = nil;
    __block bool visitorIdIsNil = false;
    [NVRAnalytics getQueueSize:^(unsigned long queueSize) {
      size = queueSize;
      answeredCounter->Raise();
    }];
    [NVRAnalytics getTrackingIdentifier:^(NSString* identifier) {
      trackingId = [identifier retain];
      answeredCounter->Raise();
    }];
    [NVRAnalytics getVisitorIdentifier:^(NSString* identifier) {
      visitorIdIsNil = identifier == nil;
      answeredCounter->Raise();
    }];
    ASSERT_TRUE(answered.WaitFor(3));
    EXPECT_EQ(size, 3u);
    EXPECT_TRUE([trackingId isEqualToString:@"A-1"]);
    EXPECT_TRUE(visitorIdIsNil);
    [trackingId release];
}

TEST_F(NVRAnalyticsTest, ANilBlockStillSendsItsRequestAndItsAnswerIsDropped) {
    Answer("AnalyticsGetQueueSize", EventType::ANALYTICS, EventSource::RESPONSE_CONTENT,
           DataWith([](EventData& data) { data.PutLong("queuesize", 3); }));
    [NVRAnalytics getQueueSize:nil];
    [NVRAnalytics getTrackingIdentifier:nil];
    [NVRAnalytics getVisitorIdentifier:nil];
    const auto names = NamesSoFar();
    for (const char* request :
         {"AnalyticsGetQueueSize", "AnalyticsGetTrackingIdentifier", "AnalyticsGetVisitorIdentifier"}) {
        EXPECT_EQ(std::count(names.begin(), names.end(), request), 1) << request;
    }
    // The answer follows its request, before or after the first marker; by the second marker it was handed
    // to the one-time listener, which had nothing to call.
    const auto later = NamesSoFar();
    EXPECT_EQ(std::count(later.begin(), later.end(), "Answer"), 1);
}

}  // namespace
}  // namespace NuvraMobile
