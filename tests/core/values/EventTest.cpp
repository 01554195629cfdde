#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <regex>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {
namespace {

std::shared_ptr<Event> BuildEvent(const std::string& name = "Track") {
    return EventBuilder(name, EventType::ANALYTICS, EventSource::REQUEST_CONTENT).Build();
}

// Each test runs in its own process, so these are the first events the process made.
TEST(EventTest, ConstantsAreTheFirstEventsOfTheProcess) {
    EXPECT_EQ(0, Event::SHARED_STATE_OLDEST->GetEventNumber());
    EXPECT_EQ(std::numeric_limits<int32_t>::max(), Event::SHARED_STATE_NEWEST->GetEventNumber());
    EXPECT_EQ("1", Event::SHARED_STATE_OLDEST->GetResponsePairID());
    EXPECT_EQ("2", Event::SHARED_STATE_NEWEST->GetResponsePairID());
    EXPECT_EQ("3", BuildEvent()->GetResponsePairID());
}

TEST(EventTest, NumberOnlyConstructorMakesASystemEvent) {
    Event event(42);
    EXPECT_EQ("", event.GetName());
    EXPECT_EQ(EventType::SYSTEM, event.GetEventType());
    EXPECT_EQ(EventSource::OS, event.GetEventSource());
    EXPECT_EQ(42, event.GetEventNumber());
    EXPECT_EQ("", event.GetUniqueIdentifier());
    ASSERT_TRUE(event.GetData());
    EXPECT_TRUE(event.GetData()->IsEmpty());
}

TEST(EventTest, BuiltEventsGetDistinctIdsAndEmptyData) {
    auto first = BuildEvent();
    auto second = BuildEvent();
    EXPECT_EQ(std::stol(first->GetResponsePairID()) + 1, std::stol(second->GetResponsePairID()));
    EXPECT_NE(first->GetUniqueIdentifier(), second->GetUniqueIdentifier());
    EXPECT_TRUE(
        std::regex_match(first->GetUniqueIdentifier(),
                         std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}")));
    EXPECT_EQ("", first->GetPairID());
    EXPECT_EQ(0, first->GetEventNumber());
    ASSERT_TRUE(first->GetData());
    EXPECT_TRUE(first->GetData()->IsEmpty());
}

TEST(EventTest, BuilderSetsEveryField) {
    auto data = std::make_shared<EventData>();
    data->PutString("key", "value");
    auto event = EventBuilder("Name", EventType::HUB, EventSource::BOOTED)
                     .SetPairID("pair")
                     .SetResponsePairID("response")
                     .SetTimestamp(0)
                     .SetData(data)
                     .SetEventNumber(7)
                     .Build();
    EXPECT_EQ("Name", event->GetName());
    EXPECT_EQ(EventType::HUB, event->GetEventType());
    EXPECT_EQ(EventSource::BOOTED, event->GetEventSource());
    EXPECT_EQ("pair", event->GetPairID());
    EXPECT_EQ("response", event->GetResponsePairID());
    EXPECT_EQ(0, event->GetTimestamp());
    EXPECT_EQ(data, event->GetData());
    EXPECT_EQ(7, event->GetEventNumber());
}

TEST(EventTest, NullDataGivesEmptyData) {
    auto shared = EventBuilder("a", EventType::HUB, EventSource::OS).SetData(nullptr).Build();
    auto copied = EventBuilder("b", EventType::HUB, EventSource::OS).CopyData(nullptr).Build();
    for (const auto& event : {shared, copied}) {
        ASSERT_TRUE(event->GetData());
        EXPECT_TRUE(event->GetData()->IsEmpty());
        EXPECT_TRUE(event->Copy()->GetData()->IsEmpty());
    }
}

TEST(EventTest, EveryBuilderCallAfterBuildThrowsAndLeavesTheEventAlone) {
    const std::vector<std::pair<const char*, std::function<void(EventBuilder&)>>> calls = {
        {"Build", [](EventBuilder& b) { b.Build(); }},
        {"SetPairID", [](EventBuilder& b) { b.SetPairID("x"); }},
        {"SetResponsePairID", [](EventBuilder& b) { b.SetResponsePairID("x"); }},
        {"SetTimestamp", [](EventBuilder& b) { b.SetTimestamp(1); }},
        {"SetData", [](EventBuilder& b) { b.SetData(std::make_shared<EventData>()); }},
        {"CopyData", [](EventBuilder& b) { b.CopyData(std::make_shared<EventData>()); }},
        {"SetEventNumber", [](EventBuilder& b) { b.SetEventNumber(5); }},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.first);
        EventBuilder builder("Name", EventType::HUB, EventSource::OS);
        auto event = builder.SetPairID("kept").Build();
        try {
            call.second(builder);
            ADD_FAILURE() << "no error";
        } catch (const SdkError& error) {
            EXPECT_EQ("general.unsupported", error.GetCode());
            EXPECT_EQ("attempted to call methods on EventBuilder after Build() was called",
                      error.GetMessage());
        }
        EXPECT_EQ("kept", event->GetPairID());
        EXPECT_EQ(0, event->GetEventNumber());
    }
}

TEST(EventTest, CopyKeepsEverythingButTheIdentifierAndTheDataObject) {
    auto data = std::make_shared<EventData>();
    data->PutVariantMap("nested", {{"a", Variant::FromInteger(1)}});
    auto original = EventBuilder("Name", EventType::IDENTITY, EventSource::RESPONSE_IDENTITY)
                        .SetPairID("pair")
                        .SetTimestamp(1234)
                        .SetData(data)
                        .SetEventNumber(9)
                        .Build();
    auto copy = original->Copy();

    EXPECT_EQ(original->GetName(), copy->GetName());
    EXPECT_EQ(original->GetEventType(), copy->GetEventType());
    EXPECT_EQ(original->GetEventSource(), copy->GetEventSource());
    EXPECT_EQ("pair", copy->GetPairID());
    EXPECT_EQ(original->GetResponsePairID(), copy->GetResponsePairID());
    EXPECT_EQ(1234, copy->GetTimestamp());
    EXPECT_EQ(9, copy->GetEventNumber());
    EXPECT_NE(original->GetUniqueIdentifier(), copy->GetUniqueIdentifier());
    EXPECT_NE(original->GetData(), copy->GetData());
    EXPECT_TRUE(
        IsEqual(original->GetData()->AsMapCopy().at("nested"), copy->GetData()->AsMapCopy().at("nested")));

    copy->GetData()->PutVariantMap("nested", {{"b", Variant::FromInteger(2)}}).PutString("added", "x");
    EventData::VariantMap nested;
    ASSERT_TRUE(original->GetData()->GetVariantMap("nested", nested));
    EXPECT_EQ(1u, nested.count("a"));
    EXPECT_FALSE(original->GetData()->ContainsKey("added"));
}

TEST(EventTest, RendersEveryField) {
    auto event = EventBuilder("Na\"me", EventType::HUB, EventSource::BOOTED)
                     .SetPairID("p")
                     .SetResponsePairID("r")
                     .SetTimestamp(5)
                     .SetEventNumber(3)
                     .Build();
    const std::string expected =
        "{\n    class: \"Event\",\n    name: \"Na\\\"me\",\n    uniqueIdentifier: \"" +
        event->GetUniqueIdentifier() +
        "\",\n    source: \"com.nuvra.eventSource.booted\",\n"
        "    type: \"com.nuvra.eventType.hub\",\n    pair_id: \"p\",\n"
        "    response_pair_id: \"r\",\n    event_number: 3,\n    timestamp: 5,\n    data: " +
        event->GetData()->PrettyString(2) + "\n}";
    EXPECT_EQ(expected, event->ToString());
}

}  // namespace
}  // namespace NuvraMobile
