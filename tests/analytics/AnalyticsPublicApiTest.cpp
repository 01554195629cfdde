// The Analytics facade on a real hub with the module, stand-ins for the configuration and identity
// states and the native services: every call that expects an answer is answered once, on the hub's
// thread, and only with a value of the expected type.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analytics/AnalyticsPublicApi.h"
#include "analytics/AnalyticsVersionProvider.h"
#include "core/hub/EventHub.h"
#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "services/PlatformServices.h"
#include "support/BootStateModule.h"
#include "support/ConfigurationTestSupport.h"
#include "support/IdentityStandIn.h"

namespace NuvraMobile {
namespace {

using namespace std::chrono_literals;

/** A value handed to a callback, and how often the callback ran. */
template <class Value>
struct Answer {
    std::shared_ptr<std::atomic<int>> calls = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::promise<Value>> value = std::make_shared<std::promise<Value>>();
    std::shared_future<Value> future = value->get_future().share();

    std::function<void(Value)> Callback() const {
        return [calls = calls, value = value](Value answer) {
            if (++*calls == 1) {
                value->set_value(answer);
            }
        };
    }
    Value Get() const {
        EXPECT_EQ(std::future_status::ready, future.wait_for(10s));
        return future.get();
    }
};

class AnalyticsPublicApiTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (hub_) {
            EXPECT_TRUE(hub_->Dispose(10s));
        }
        AnalyticsVersionProvider::SetVersion("");
    }

    /** A hub with the observer, the configuration and identity stand-ins and, when asked, Analytics. */
    void Boot(bool withAnalytics = true) {
        auto services = shared_->CreatePlatformServices();
        hub_ = EventHub::Create("test", [services] { return services; });
        hub_->RegisterModule(std::make_shared<BootStateModule>(
            "com.nuvra.module.configuration",
            std::make_shared<EventData>(std::map<std::string, std::string>{{"global.privacy", "optunknown"}})));
        hub_->RegisterModule(std::make_shared<IdentityStandIn>("V1"));
        hub_->RegisterModule(observer_);
        api_ = AnalyticsPublicApi::Create(hub_, services, "OIP-1.0-2.0");
        if (withAnalytics) {
            api_->RegisterExtension();
        }
        hub_->FinishModulesRegistration([] {});
    }

    std::int64_t QueueSize() {
        Answer<std::int64_t> answer;
        api_->GetQueueSize(answer.Callback());
        return answer.Get();
    }

    /** The requests the facade dispatched so far, once a queue-size round trip has settled the hub. */
    std::vector<std::shared_ptr<Event>> Requests() {
        QueueSize();
        std::vector<std::shared_ptr<Event>> requests;
        for (const auto& event : observer_->Events()) {
            if (event->GetEventType() == EventType::ANALYTICS && event->GetName().rfind("Analytics", 0) == 0 &&
                (event->GetEventSource() == EventSource::REQUEST_CONTENT ||
                 event->GetEventSource() == EventSource::REQUEST_IDENTITY)) {
                requests.push_back(event);
            }
        }
        requests.pop_back();  // the settling request
        return requests;
    }

    ScopedAppFolders folders_;
    std::shared_ptr<SharedPlatformServices> shared_ = SharedPlatformServices::Create();
    std::shared_ptr<ObserverModule> observer_ = std::make_shared<ObserverModule>();
    std::shared_ptr<EventHub> hub_;
    std::shared_ptr<AnalyticsPublicApi> api_;
};

TEST_F(AnalyticsPublicApiTest, EachCallSendsItsRequestAndCallsWithoutACallbackSendNothing) {
    Boot();
    api_->GetTrackingIdentifier(nullptr);
    api_->GetQueueSize(nullptr);
    api_->GetVisitorIdentifier(nullptr);
    api_->ClearQueue();
    api_->SendQueuedHits();
    api_->UpdateVisitorIdentifier("");
    Answer<std::string> aid;
    api_->GetTrackingIdentifier(aid.Callback());
    Answer<std::string> vid;
    api_->GetVisitorIdentifier(vid.Callback());
    aid.Get();
    vid.Get();

    struct Expected {
        const char* name;
        std::shared_ptr<EventSource> source;
        std::map<std::string, std::string> data;  // as strings, for one table (true is "1")
    };
    const Expected expected[] = {
        {"AnalyticsClearQueue", EventSource::REQUEST_CONTENT, {{"clearhitsqueue", "1"}}},
        {"AnalyticsSendQueuedHits", EventSource::REQUEST_CONTENT, {{"forcekick", "1"}}},
        {"AnalyticsUpdateVisitorIdentifier", EventSource::REQUEST_IDENTITY, {{"vid", ""}}},
        {"AnalyticsGetTrackingIdentifier", EventSource::REQUEST_IDENTITY, {}},
        {"AnalyticsGetVisitorIdentifier", EventSource::REQUEST_IDENTITY, {}},
    };
    const auto requests = Requests();
    ASSERT_EQ(std::size(expected), requests.size());
    for (size_t index = 0; index < requests.size(); ++index) {
        const auto& request = requests[index];
        EXPECT_EQ(expected[index].name, request->GetName());
        EXPECT_EQ(expected[index].source, request->GetEventSource()) << request->GetName();
        std::map<std::string, std::string> data;
        if (request->GetData()) {
            for (const auto& [key, value] : request->GetData()->AsMapCopy()) {
                value->ConvertToString(data[key]);
            }
        }
        EXPECT_EQ(expected[index].data, data) << request->GetName();
    }
}

TEST_F(AnalyticsPublicApiTest, AnswersComeFromTheModule) {
    Boot();
    EXPECT_EQ(0, QueueSize());
    Answer<std::string> aid;
    api_->GetTrackingIdentifier(aid.Callback());
    EXPECT_EQ("", aid.Get());  // no analytics server is configured: nothing to ask, nothing stored

    api_->UpdateVisitorIdentifier("visitor 1");
    Answer<std::string> vid;
    api_->GetVisitorIdentifier(vid.Callback());
    EXPECT_EQ("visitor 1", vid.Get());
    QueueSize();
    EXPECT_EQ(1, vid.calls->load());
    EXPECT_EQ("OIP-1.0-2.0", AnalyticsVersionProvider::GetVersion());
}

TEST_F(AnalyticsPublicApiTest, ConcurrentCallsEachHearTheAnswerToTheirOwnRequest) {
    Boot();
    constexpr int kCalls = 16;
    std::vector<Answer<std::string>> answers(kCalls);
    std::vector<std::thread> callers;
    for (auto& answer : answers) {
        callers.emplace_back([this, &answer] { api_->GetTrackingIdentifier(answer.Callback()); });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    for (const auto& answer : answers) {
        answer.Get();
    }
    QueueSize();
    for (const auto& answer : answers) {
        EXPECT_EQ(1, answer.calls->load());
    }
}

TEST_F(AnalyticsPublicApiTest, AnswerWithoutTheKeyOrOfAnotherTypeIsIgnored) {
    Boot(/*withAnalytics=*/false);
    // Answers are heard in the order they are dispatched: once the last callback ran, the others were heard.
    std::vector<Answer<std::int64_t>> answers(3);
    std::vector<std::shared_ptr<EventData>> data(3, std::make_shared<EventData>());
    data[0] = std::make_shared<EventData>();
    data[0]->PutString("queuesize", "7");
    data[1] = std::make_shared<EventData>();
    data[2] = std::make_shared<EventData>();
    data[2]->PutLong("queuesize", 7);
    for (size_t index = 0; index < answers.size(); ++index) {
        api_->GetQueueSize(answers[index].Callback());
        std::shared_ptr<Event> request;
        ASSERT_TRUE(observer_->WaitUntil([&](const auto& events) {
            size_t seen = 0;
            for (const auto& event : events) {
                if (event->GetName() == "AnalyticsGetQueueSize" && seen++ == index) {
                    request = event;
                }
            }
            return request != nullptr;
        }));
        hub_->Dispatch(EventBuilder("QueueSizeValue", EventType::ANALYTICS, EventSource::RESPONSE_CONTENT)
                           .SetData(data[index])
                           .SetPairID(request->GetResponsePairID())
                           .Build());
    }
    EXPECT_EQ(7, answers[2].Get());
    EXPECT_EQ(0, answers[0].calls->load());
    EXPECT_EQ(0, answers[1].calls->load());
}

TEST_F(AnalyticsPublicApiTest, RegisteringTwiceKeepsOneModule) {
    hub_ = EventHub::Create("test", [services = shared_->CreatePlatformServices()] { return services; });
    const auto api = AnalyticsPublicApi::Create(hub_, nullptr, "v");
    EXPECT_NO_THROW(api->RegisterExtension());
    EXPECT_NO_THROW(api->RegisterExtension());
    EXPECT_TRUE(hub_->IsRegisteredModule("com.nuvra.module.analytics"));
}

}  // namespace
}  // namespace NuvraMobile
