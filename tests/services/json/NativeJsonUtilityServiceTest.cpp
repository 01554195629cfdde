#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "JsonErrorText.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "platformShim/JsonObjectSerializer.h"
#include "services/json/NativeJsonUtilityService.h"

namespace NuvraMobile {
namespace {

class NativeJsonUtilityServiceTest : public testing::Test {
protected:
    std::shared_ptr<JsonUtilityServiceInterface> service_ = CreateNativeJsonUtilityService();
};

TEST_F(NativeJsonUtilityServiceTest, EmptyDocumentsAreIndependent) {
    const std::shared_ptr<JsonObject> first = service_->CreateEmptyJsonObject();
    first->PutInt("a", 1);
    EXPECT_EQ(service_->CreateEmptyJsonObject()->Length(), 0u);
    const std::shared_ptr<JsonArray> array = service_->CreateEmptyJsonArray();
    array->PutInt(1);
    EXPECT_EQ(service_->CreateEmptyJsonArray()->Length(), 0u);
}

TEST_F(NativeJsonUtilityServiceTest, FlattensMembersToText) {
    const auto flat = service_->MapFromJsonObject(service_->CreateJsonObject(
        std::string(R"({"a": 1.5, "b": true, "c": null, "d": "x", "e": false, "f": 2.0, "n": 5, "m": -7})")));
    const std::map<std::string, std::string> expected = {
        {"a", "1.500000"}, {"b", "1"},        {"c", ""},   {"d", "x"},
        {"e", "0"},        {"f", "2.000000"}, {"m", "-7"}, {"n", "5"},
    };
    EXPECT_EQ(flat, expected);
}

TEST_F(NativeJsonUtilityServiceTest, FlattensNestedDocumentsToTheirText) {
    const std::shared_ptr<JsonObject> object =
        service_->CreateJsonObject(std::string(R"({"o": {"k": [1, "v"]}, "v": [true]})"));
    const auto flat = service_->MapFromJsonObject(object);
    EXPECT_EQ(flat.at("o"), object->GetJsonObject("o")->ToString());
    EXPECT_EQ(flat.at("v"), object->GetJsonArray("v")->ToString());
    EXPECT_EQ(flat.at("o"), R"({"k":[1,"v"]})");
}

TEST_F(NativeJsonUtilityServiceTest, FlatteningSkipsEmptyValuesAndEmptyObjects) {
    EXPECT_TRUE(service_->MapFromJsonObject(nullptr).empty());
    const auto flat = service_->MapFromJsonObject(service_->CreateJsonObject(
        std::map<std::string, std::shared_ptr<Variant>>{{"k", nullptr}, {"i", Variant::FromInteger(5)}}));
    EXPECT_EQ(flat, (std::map<std::string, std::string>{{"i", "5"}}));
}

TEST_F(NativeJsonUtilityServiceTest, StringMapsGiveStringMembers) {
    const std::shared_ptr<JsonObject> object =
        service_->CreateJsonObject(std::map<std::string, std::string>{{"a", "1"}});
    EXPECT_EQ(object->GetType("a"), JsonType::JSON_STRING);
    EXPECT_EQ(object->GetString("a"), "1");
}

TEST_F(NativeJsonUtilityServiceTest, VariantContainersShareTheirValues) {
    const std::shared_ptr<JsonArray> array = service_->CreateJsonArray(
        std::vector<std::shared_ptr<Variant>>{Variant::FromInteger(1), Variant::FromString("s")});
    EXPECT_EQ(array->GetType(0), JsonType::JSON_NUMBER);
    EXPECT_EQ(array->GetString(1), "s");
    EXPECT_EQ(service_->CreateJsonArray(std::string("[1, [2]]"))->GetJsonArray(1)->GetInt(0), 2);
}

TEST_F(NativeJsonUtilityServiceTest, EventDataCrossesJson) {
    const auto eventData = std::make_shared<EventData>(EventData::VariantMap{
        {"i", Variant::FromInteger(3)},
        {"s", Variant::FromString("t")},
        {"m", Variant::FromVariantMap({{"b", Variant::FromBoolean(true)}})},
    });
    const std::shared_ptr<JsonObject> object = service_->EventDataToJsonObject(eventData).Value();
    EXPECT_EQ(object->GetInt("i"), 3);
    EXPECT_EQ(object->GetString("s"), "t");
    EXPECT_TRUE(object->GetJsonObject("m")->GetBoolean("b"));

    const std::shared_ptr<EventData> back =
        service_->JsonObjectToEventData(service_->CreateJsonObject(std::string(R"({"i": 3, "n": null})")))
            .Value();
    const auto expected = Variant::FromVariantMap({{"i", Variant::FromDouble(3)}});
    EXPECT_TRUE(Variant::FromVariantMap(back->AsMapCopy())->Equals(*expected));
}

// The native service makes the object with fewer copies; it must give what the serializer gives, and
// stay apart from the event data it came from.
TEST_F(NativeJsonUtilityServiceTest, EventDataBecomesWhatTheSerializerMakesOfIt) {
    const auto eventData = std::make_shared<EventData>(EventData::VariantMap{
        {"e", Variant::FromString("")},
        {"n", Variant::FromNull()},
        {"s", Variant::FromString("t")},
        {"v", Variant::FromVariantVector({Variant::FromLong(1), Variant::FromNull()})},
        {"m", Variant::FromVariantMap({{"b", Variant::FromBoolean(true)}})},
    });
    const std::shared_ptr<JsonObject> native = service_->EventDataToJsonObject(eventData).Value();
    const std::shared_ptr<JsonObject> serialized =
        service_->JsonUtilityServiceInterface::EventDataToJsonObject(eventData).Value();
    EXPECT_EQ(native->ToString(), serialized->ToString());
    std::vector<std::string> nativeKeys;
    std::vector<std::string> serializedKeys;
    native->Keys(nativeKeys);
    serialized->Keys(serializedKeys);
    EXPECT_EQ(nativeKeys, serializedKeys);

    eventData->PutString("s", "changed");
    EXPECT_EQ(native->GetString("s"), "t");
    EXPECT_EQ(service_->EventDataToJsonObject(nullptr).Value()->Length(), 0u);
}

// Text read straight into values gives what reading a document and serializing it gives, on the fast
// reader's road and on the strict parser's (a byte-order mark, integers beyond 64 bits).
TEST_F(NativeJsonUtilityServiceTest, TextReadsStraightToTheValuesASerializerReads) {
    std::string deep = "1";
    for (int i = 0; i < 255; ++i) deep = "{\"a\":" + deep + "}";
    const std::vector<std::string> texts = {
        "{}",
        R"({"i": 7, "n": -12, "d": 2.5, "e": 1e3, "t": true, "f": false, "s": "x\u00e9\n", "z": null})",
        R"({"a": [1, null, "b", [2, null], {"c": null, "d": 3}], "o": {"p": {"q": [true]}}})",
        R"({"k": 1, "k": "last"})",
        "\xEF\xBB\xBF{\"bom\": 1}",
        R"({"big": 123456789012345678901234567890, "small": -9007199254740991})",
        deep,
    };
    JsonObjectSerializer serializer(service_);
    const auto asText = [&](const std::shared_ptr<Variant>& value) {
        return serializer.Deserialize(*value).Value()->ToString();
    };
    for (const std::string& text : texts) {
        const auto expected = serializer.Serialize(*service_->CreateJsonObject(text));
        EXPECT_EQ(asText(service_->JsonTextToVariant(text)), asText(expected)) << text;
    }
}

TEST_F(NativeJsonUtilityServiceTest, TextThatIsNoObjectIsRefusedOnEveryRoad) {
    std::string tooDeep = "1";
    for (int i = 0; i < 257; ++i) tooDeep = "{\"a\":" + tooDeep + "}";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[1]", "json.serialization_error"},
        {"{\"a\": }", "json.serialization_error"},
        {"{} {}", "json.serialization_error"},
        {tooDeep, "json.serialization_error"},
        {R"({"n": 9007199254740992})", "std.logic_error.out_of_range"},
        // A reader that stopped at the NUL would take the object before it.
        {std::string("{\"a\":1}\0", 8), "json.serialization_error"},
        {std::string("{\"a\":1}\0{\"b\":", 13), "json.serialization_error"},
    };
    for (const auto& [input, code] : cases) {
        // A lambda cannot capture a structured binding before C++20.
        const std::string& text = input;
        EXPECT_EQ(CodeOf([&] { service_->JsonTextToVariant(text); }), code) << text;
        EXPECT_EQ(CodeOf([&] { service_->CreateJsonObject(text); }), code) << text;
    }
    EXPECT_NE(ErrorOf([&] { service_->CreateJsonObject("{\"a\": }"); }).find("{\"a\": }"), std::string::npos);
}

// A text larger than the reader keeps buffers for is read, and so is the next one.
TEST_F(NativeJsonUtilityServiceTest, LargeTextsAreReadOneAfterAnother) {
    const std::string large = "{\"a\": \"" + std::string(6 * 1024 * 1024, 'x') + "\"}";
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(service_->CreateJsonObject(large)->GetString("a").size(), 6u * 1024 * 1024);
    }
    double small = 0;
    EXPECT_TRUE(service_->JsonTextToEventData(R"({"b": 2})")->GetDouble("b", small));
    EXPECT_EQ(small, 2.0);
}

}  // namespace
}  // namespace NuvraMobile
