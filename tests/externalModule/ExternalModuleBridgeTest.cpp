#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/values/Event.h"
#include "core/values/EventBuilder.h"
#include "core/values/EventData.h"
#include "core/values/EventSource.h"
#include "core/values/EventType.h"
#include "core/values/Variant.h"
#include "externalModule/ExternalModuleBridge.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

class ExternalModuleBridgeTest : public ::testing::Test {
protected:
    ScopedCapturingLog log{LoggingMode::Debug};
    std::shared_ptr<JsonUtilityServiceInterface> json = CreateNativeJsonUtilityService();
};

TEST_F(ExternalModuleBridgeTest, BroadcastEventCarriesTheParsedDataOrNoneForTheEmptyText) {
    const auto event = CreateBroadcastEvent(json, "name", "com.test.Bridge.Type", "com.test.source",
                                            R"({"n": 2, "s": "t", "list": [1, "x"]})");
    ASSERT_NE(nullptr, event);
    EXPECT_EQ("name", event->GetName());
    EXPECT_EQ(EventType::Get("com.test.bridge.type"), event->GetEventType());
    double number = 0;
    EXPECT_TRUE(event->GetData()->GetDouble("n", number));
    EXPECT_EQ(2.0, number);
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(event->GetData()->GetVariantVector("list", list));
    EXPECT_EQ(2u, list.size());

    const auto empty = CreateBroadcastEvent(nullptr, "", "", "", "");
    ASSERT_NE(nullptr, empty);
    EXPECT_TRUE(empty->GetData()->AsMapCopy().empty());
    EXPECT_EQ("{}", GetEventDataAsString(empty, json));
}

TEST_F(ExternalModuleBridgeTest, BroadcastEventIsNullForDataThatDoesNotConvert) {
    struct Case {
        std::shared_ptr<JsonUtilityServiceInterface> service;
        const char* data;
    };
    const Case cases[] = {{json, "5"}, {json, "[1]"}, {json, "{bad"}, {nullptr, R"({"a": 1})"}};
    for (const auto& testCase : cases) {
        EXPECT_EQ(nullptr, CreateBroadcastEvent(testCase.service, "name", "type", "source", testCase.data))
            << testCase.data;
    }
    EXPECT_TRUE(log.Service().Contains(
        "Error preparing event. JsonUtility service failed to parse event_data string.\n"));
}

TEST_F(ExternalModuleBridgeTest, ReadersGiveNamesAsFirstInternedAndDataAsJsonText) {
    EventType::Get("com.test.FirstCase");
    const auto event = CreateBroadcastEvent(json, "name", "COM.TEST.FIRSTCASE", "com.test.Source.Read",
                                            R"({"flag": true, "nested": {"n": 1}})");
    ASSERT_NE(nullptr, event);
    EXPECT_EQ("com.test.FirstCase", GetEventTypeAsString(event));
    EXPECT_EQ("com.test.Source.Read", GetEventSourceAsString(event));
    EXPECT_EQ(event->GetUniqueIdentifier(), GetEventUniqueIdentifierAsString(event));

    const auto object = json->CreateJsonObject(GetEventDataAsString(event, json));
    EXPECT_TRUE(object->GetBoolean("flag"));
    EXPECT_EQ(1.0, object->GetJsonObject("nested")->GetDouble("n"));
    EXPECT_EQ("", GetEventDataAsString(event, nullptr));
}

// The extension side may hold an event its core did not build.
TEST_F(ExternalModuleBridgeTest, ReadersOfANullEventGiveEmptyTexts) {
    EXPECT_EQ("", GetEventTypeAsString(nullptr));
    EXPECT_EQ("", GetEventSourceAsString(nullptr));
    EXPECT_EQ("", GetEventDataAsString(nullptr, json));
    EXPECT_EQ("", GetEventUniqueIdentifierAsString(nullptr));
}

TEST_F(ExternalModuleBridgeTest, ConversionsOfMissingValuesGiveAnEmptyObjectOrTheTypeError) {
    const auto object = json->EventDataToJsonObject(nullptr);
    ASSERT_TRUE(object.HasValue());
    EXPECT_EQ("{}", object.Value()->ToString());

    const auto data = json->JsonObjectToEventData(nullptr);
    ASSERT_TRUE(data.HasError());
    EXPECT_EQ("variant.not_type", data.Error().GetCode());
    EXPECT_EQ("type error", data.Error().GetMessage());
}

}  // namespace
}  // namespace NuvraMobile
