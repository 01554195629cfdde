#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/EventData.h"
#include "core/Variant.h"
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
    EXPECT_EQ(flat.at("o"), "{\n  \"k\": [\n    1,\n    \"v\"\n  ]\n}");
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

}  // namespace
}  // namespace NuvraMobile
