// The public API: which events it dispatches, on which pair ids it waits, and what reaches the callbacks.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraPublicApi.h"
#include "pivora/PivoraSerializers.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"

namespace NuvraMobile {
namespace {

using StringMap = std::map<std::string, std::string>;

/** A hub that keeps the one-time listeners, or refuses them. */
class PairRecordingHub : public FakeEventHub {
public:
    bool refuse = false;
    std::vector<std::pair<std::string, EventCallback>> listeners;

    void RegisterOneTimeListener(unsigned long, const std::shared_ptr<EventType>&, const std::shared_ptr<EventSource>&,
                                 const std::string& pairId, const EventCallback& callback) override {
        if (refuse) {
            Throw("general.unexpected", "refused");
        }
        listeners.emplace_back(pairId, callback);
    }

    /** Answers the listener of `pairId` with an event carrying `data`. */
    void Answer(const std::string& pairId, std::shared_ptr<EventData> data) {
        for (const auto& [id, callback] : listeners) {
            if (id == pairId) {
                callback(EventBuilder("answer", EventType::PIVORA, EventSource::RESPONSE_CONTENT)
                             .SetData(std::move(data))
                             .SetPairID(pairId)
                             .Build());
            }
        }
    }
};

/** The API over a recording hub, with a callback that collects what it is given. */
struct ApiHarness {
    std::shared_ptr<PairRecordingHub> hub_ = std::make_shared<PairRecordingHub>();
    std::shared_ptr<PivoraPublicApi> api_ = PivoraPublicApi::Create(hub_, nullptr);
    std::vector<std::string> received_;
    PivoraPublicApi::StringCallback Collect() {
        return [this](const std::string& value) { received_.push_back(value); };
    }

    std::shared_ptr<PivoraRequest> Request(const std::string& name, bool withCallback) {
        return std::make_shared<PivoraRequest>(name, name + "-default", nullptr,
                                               withCallback ? Collect() : PivoraRequest::ContentCallback());
    }

    std::shared_ptr<Event> OnlyEvent() {
        const auto events = hub_->DispatchedEvents();
        EXPECT_EQ(1u, events.size());
        return events.empty() ? nullptr : events.front();
    }
};

class PivoraPublicApiTest : public ::testing::Test, public ApiHarness {};

TEST_F(PivoraPublicApiTest, LoadPairsEachRequestWithACallbackByItsIndexAmongTheNonNullOnes) {
    api_->PivoraGetLocationContent({Request("a", true), nullptr, Request("b", false), Request("c", true)}, nullptr);

    const auto event = OnlyEvent();
    ASSERT_NE(nullptr, event);
    EXPECT_EQ("PivoraLoadRequests", event->GetName());
    ASSERT_EQ(2u, hub_->listeners.size());
    const std::string& first = hub_->listeners[0].first;
    ASSERT_GT(first.size(), 1u);
    const std::string prefix = first.substr(0, first.size() - 1);
    EXPECT_EQ(prefix + "0", first);
    EXPECT_EQ(prefix + "2", hub_->listeners[1].first);
    // Without a crypto service the prefix is made of a random number.
    EXPECT_EQ(0u, prefix.find("randomUUID"));

    const auto requests = event->GetData()->GetTypedVector<PivoraRequest>("request");
    ASSERT_TRUE(requests.HasValue());
    ASSERT_EQ(3u, requests.Value().size());
    EXPECT_EQ("", requests.Value()[1]->GetResponsePairId());
    EXPECT_EQ(prefix + "2", requests.Value()[2]->GetResponsePairId());
    std::shared_ptr<Variant> parameters;
    ASSERT_TRUE(event->GetData()->GetVariant("pivoraparams", parameters));
    EXPECT_EQ(VariantKind::VARIANT_NULL, parameters->GetKind());

    hub_->Answer(prefix + "0", std::make_shared<EventData>(EventData::VariantMap{{"content", Variant::FromString("A")}}));
    hub_->Answer(prefix + "2", std::make_shared<EventData>());
    EXPECT_EQ((std::vector<std::string>{"A", "c-default"}), received_);
}

TEST_F(PivoraPublicApiTest, ProfileFormOfLoadMarksItsRequests) {
    api_->PivoraLoadRequests({Request("a", false)}, {{"age", "30"}});
    const auto data = OnlyEvent()->GetData();
    StringMap mboxParameters;
    ASSERT_TRUE(data->GetStringMap("mboxparameters", mboxParameters));
    EXPECT_EQ((StringMap{{"__oldPivoraSdkApiCompatParam__", "__oldPivoraSdkApiCompatParam__"}}), mboxParameters);
    StringMap profile;
    ASSERT_TRUE(data->GetStringMap("profileparams", profile));
    EXPECT_EQ((StringMap{{"age", "30"}}), profile);
}

TEST_F(PivoraPublicApiTest, EmptyListsAndEmptyCallbacks) {
    struct Case {
        const char* name;
        std::function<void(ApiHarness&)> call;
        std::vector<std::string> received;
    };
    const Case cases[] = {
        {"prefetch of an empty list",
         [](auto& t) { t.api_->PivoraPrefetchContent({}, std::shared_ptr<PivoraParameters>(), t.Collect()); },
         {"Empty or null prefetch requests list"}},
        {"prefetch of null entries only",
         [](auto& t) { t.api_->PivoraPrefetchContent({nullptr, nullptr}, StringMap{}, t.Collect()); },
         {"Empty or null prefetch requests list"}},
        {"prefetch of an empty list without callback",
         [](auto& t) { t.api_->PivoraPrefetchContent({}, StringMap{}, nullptr); }, {}},
        {"load of null entries only", [](auto& t) { t.api_->PivoraLoadRequests({nullptr}, {}); }, {}},
        {"qtx id without callback", [](auto& t) { t.api_->PivoraGetQtxId(nullptr); }, {}},
        {"third party id without callback", [](auto& t) { t.api_->PivoraGetThirdPartyId(nullptr); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApiHarness fresh;
        c.call(fresh);
        EXPECT_TRUE(fresh.hub_->DispatchedEvents().empty());
        EXPECT_TRUE(fresh.hub_->listeners.empty());
        EXPECT_EQ(c.received, fresh.received_);
    }
}

TEST_F(PivoraPublicApiTest, AnswersReachTheCallbacksWithTheirDefaults) {
    struct Case {
        const char* name;
        std::function<void(ApiHarness&)> call;
        EventData::VariantMap answer;
        std::string received;
    };
    const Case cases[] = {
        {"prefetch success",
         [](auto& t) { t.api_->PivoraPrefetchContent({std::make_shared<PivoraPrefetch>("a", nullptr)}, StringMap{}, t.Collect()); },
         {{"prefetchresult", Variant::FromBoolean(true)}}, ""},
        {"prefetch error",
         [](auto& t) { t.api_->PivoraPrefetchContent({std::make_shared<PivoraPrefetch>("a", nullptr)}, StringMap{}, t.Collect()); },
         {{"prefetcherror", Variant::FromString("Null response Json")}}, "Null response Json"},
        {"qtx id", [](auto& t) { t.api_->PivoraGetQtxId(t.Collect()); }, {{"qtxid", Variant::FromString("q.1")}}, "q.1"},
        {"qtx id missing from the answer", [](auto& t) { t.api_->PivoraGetQtxId(t.Collect()); },
         {{"thirdpartyid", Variant::FromString("t")}}, ""},
        {"third party id", [](auto& t) { t.api_->PivoraGetThirdPartyId(t.Collect()); },
         {{"thirdpartyid", Variant::FromString("t")}}, "t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApiHarness fresh;
        c.call(fresh);
        const auto event = fresh.OnlyEvent();
        ASSERT_NE(nullptr, event);
        ASSERT_EQ(1u, fresh.hub_->listeners.size());
        EXPECT_EQ(event->GetResponsePairID(), fresh.hub_->listeners[0].first);
        fresh.hub_->Answer(event->GetResponsePairID(), std::make_shared<EventData>(c.answer));
        EXPECT_EQ(std::vector<std::string>{c.received}, fresh.received_);
    }
}

TEST_F(PivoraPublicApiTest, RefusedRegistrationAnswersAtOnceAndStillDispatches) {
    hub_->refuse = true;
    api_->PivoraPrefetchContent({std::make_shared<PivoraPrefetch>("a", nullptr)}, StringMap{}, Collect());
    api_->PivoraGetLocationContent({Request("b", true)}, nullptr);
    api_->PivoraGetQtxId(Collect());
    EXPECT_EQ((std::vector<std::string>{"Failed to register the paired listener for prefetch", "b-default", ""}),
              received_);
    EXPECT_EQ(3u, hub_->DispatchedEvents().size());
}

TEST_F(PivoraPublicApiTest, FireAndForgetEvents) {
    struct Case {
        const char* name;
        std::function<void(PivoraPublicApi&)> call;
        const char* eventName;
        const char* source;
        std::function<void(const EventData&)> check;
    };
    const Case cases[] = {
        {"displayed with an empty name list", [](auto& api) { api.PivoraLocationsDisplayed({}, nullptr); },
         "PivoraLocationsDisplayed", "com.nuvra.eventSource.requestContent",
         [](const EventData& data) {
             std::vector<std::shared_ptr<Variant>> names;
             EXPECT_TRUE(data.GetVariantVector("mboxnames", names));
             EXPECT_TRUE(names.empty());
             EXPECT_TRUE(data.OptBoolean("islocationdisplayed", false));
         }},
        {"clicked with null parameters", [](auto& api) { api.PivoraLocationClicked("m", nullptr); },
         "PivoraLocationClicked", "com.nuvra.eventSource.requestContent",
         [](const EventData& data) {
             EXPECT_EQ("m", data.OptString("mboxname", ""));
             EXPECT_EQ(VariantKind::VARIANT_NULL, data.GetKind("pivoraparams").Value());
         }},
        {"clicked with maps",
         [](auto& api) { api.PivoraLocationClicked("m", {{"k", "v"}}, {{"id", "p"}}, {{"id", Variant::FromString("o")}}, {}); },
         "PivoraLocationClicked", "com.nuvra.eventSource.requestContent",
         [](const EventData& data) {
             const auto parameters = PivoraObject::DeserializePivoraParameters(data.AsMapCopy());
             ASSERT_NE(nullptr, parameters);
             EXPECT_EQ("p", parameters->GetProduct()->GetProductId());
             EXPECT_EQ("o", parameters->GetOrder()->GetOrderId());
         }},
        {"empty third party id", [](auto& api) { api.PivoraSetThirdPartyId(""); }, "PivoraRequestIdentity",
         "com.nuvra.eventSource.requestIdentity",
         [](const EventData& data) {
             std::string id = "unset";
             EXPECT_TRUE(data.GetString("thirdpartyid", id));
             EXPECT_EQ("", id);
         }},
        {"reset", [](auto& api) { api.PivoraResetExperience(); }, "PivoraResetExperience",
         "com.nuvra.eventSource.requestReset",
         [](const EventData& data) { EXPECT_TRUE(data.OptBoolean("resetexperience", false)); }},
        {"clear cache", [](auto& api) { api.PivoraClearPrefetchCache(); }, "PivoraResetPrefetchCache",
         "com.nuvra.eventSource.requestReset",
         [](const EventData& data) { EXPECT_TRUE(data.OptBoolean("clearcache", false)); }},
        {"restart deep link", [](auto& api) { api.PivoraSetPreviewRestartDeepLink(""); },
         "PivoraSetPreviewRestartDeeplink", "com.nuvra.eventSource.requestContent",
         [](const EventData& data) { EXPECT_TRUE(data.ContainsKey("restartdeeplink")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ApiHarness fresh;
        c.call(*fresh.api_);
        const auto event = fresh.OnlyEvent();
        ASSERT_NE(nullptr, event);
        EXPECT_EQ(c.eventName, event->GetName());
        EXPECT_EQ("com.nuvra.eventType.pivora", event->GetEventType()->GetName());
        EXPECT_EQ(c.source, event->GetEventSource()->GetName());
        c.check(*event->GetData());
        EXPECT_TRUE(fresh.hub_->listeners.empty());
    }
}

}  // namespace
}  // namespace NuvraMobile
