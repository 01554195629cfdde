#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"
#include "platformShim/JsonArraySerializer.h"
#include "platformShim/JsonObjectSerializer.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using VariantPtr = std::shared_ptr<Variant>;

class JsonSerializerTest : public testing::Test {
protected:
    VariantPtr FromArrayText(const std::string& text) {
        return JsonArraySerializer(service_).Serialize(*service_->CreateJsonArray(text));
    }
    VariantPtr FromObjectText(const std::string& text) {
        return JsonObjectSerializer(service_).Serialize(*service_->CreateJsonObject(text));
    }

    std::shared_ptr<JsonUtilityServiceInterface> service_ = CreateNativeJsonUtilityService();
};

TEST_F(JsonSerializerTest, EveryNumberBecomesADouble) {
    const VariantPtr expected =
        Variant::FromVariantVector({Variant::FromDouble(1.0), Variant::FromDouble(2.5),
                                    Variant::FromBoolean(true), Variant::FromString("a")});
    EXPECT_TRUE(FromArrayText(R"([1, 2.5, true, "a"])")->Equals(*expected));
}

TEST_F(JsonSerializerTest, NullsAreDroppedWithAWarning) {
    ScopedCapturingLog log;
    const VariantPtr vector = FromArrayText("[1, null, 2]");
    EXPECT_TRUE(
        vector->Equals(*Variant::FromVariantVector({Variant::FromDouble(1), Variant::FromDouble(2)})));
    const std::vector<CapturingLoggingService::Line> expected = {
        {LoggingMode::Warning, "JsonArraySerializer", "Unrecognized json type 5"}};
    EXPECT_EQ(log.Service().GetLines(), expected);

    log.Service().Clear();
    const VariantPtr map = FromObjectText(R"({"a": null, "b": 1})");
    EXPECT_TRUE(map->Equals(*Variant::FromVariantMap({{"b", Variant::FromDouble(1)}})));
    EXPECT_TRUE(log.Service().Contains("Unrecognized json type 5"));
    EXPECT_EQ(log.Service().GetLines()[0].tag, "JsonObjectSerializer");
}

TEST_F(JsonSerializerTest, NestedDocumentsBecomeNestedVariants) {
    const VariantPtr expected =
        Variant::FromVariantMap({{"a", Variant::FromVariantMap({{"b", Variant::FromVariantVector({})}})}});
    EXPECT_TRUE(FromObjectText(R"({"a": {"b": []}})")->Equals(*expected));
}

TEST_F(JsonSerializerTest, DeserializeAcceptsOnlyItsKindOrNull) {
    JsonObjectSerializer objects(service_);
    JsonArraySerializer arrays(service_);

    const auto fromNull = objects.Deserialize(*Variant::FromNull());
    ASSERT_TRUE(fromNull.HasValue());
    EXPECT_EQ(fromNull.ConstValue(), nullptr);
    EXPECT_TRUE(arrays.Deserialize(*Variant::FromNull()).HasValue());

    for (const VariantPtr& wrong : {Variant::FromString("x"), Variant::FromVariantVector({})}) {
        const auto result = objects.Deserialize(*wrong);
        ASSERT_TRUE(result.HasError());
        EXPECT_EQ(result.Error().GetCode(), "variant.not_type");
        EXPECT_EQ(result.Error().GetMessage(), "type error");
    }
    EXPECT_EQ(arrays.Deserialize(*Variant::FromStringMap({})).Error().GetCode(), "variant.not_type");
}

TEST_F(JsonSerializerTest, RoundTripKeepsValuesButNotIntegerKinds) {
    const VariantPtr original = Variant::FromVariantMap({
        {"i", Variant::FromInteger(3)},
        {"s", Variant::FromString("t")},
        {"v", Variant::FromVariantVector({Variant::FromLong(4), Variant::FromBoolean(false)})},
        {"m", Variant::FromVariantMap({{"d", Variant::FromDouble(0.5)}})},
    });
    JsonObjectSerializer serializer(service_);
    const std::shared_ptr<JsonObject> object = serializer.Deserialize(*original).Value();
    const VariantPtr text = serializer.Serialize(*service_->CreateJsonObject(object->ToString()));
    const VariantPtr expected = Variant::FromVariantMap({
        {"i", Variant::FromDouble(3)},
        {"s", Variant::FromString("t")},
        {"v", Variant::FromVariantVector({Variant::FromDouble(4), Variant::FromBoolean(false)})},
        {"m", Variant::FromVariantMap({{"d", Variant::FromDouble(0.5)}})},
    });
    EXPECT_TRUE(text->Equals(*expected)) << text->ToString(ToStringOptions::Pretty());
}

TEST_F(JsonSerializerTest, KeysKeepTheirOrder) {
    std::map<std::string, VariantPtr> entries;
    ASSERT_TRUE(FromObjectText(R"({"b": 1, "a": 2, "c": 3})")->GetVariantMap(entries));
    std::vector<std::string> keys;
    for (const auto& entry : entries) keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "c"}));
}

// A document built from variants may nest deeper than any parsed text; the serializer stops there.
TEST_F(JsonSerializerTest, DocumentsNestedTooDeeplyAreCutWithoutCrashing) {
    VariantPtr value = Variant::FromInteger(1);
    for (int i = 0; i < 300; ++i) {
        value = Variant::FromVariantMap({{"a", value}});
    }
    std::map<std::string, VariantPtr> top;
    value->GetVariantMap(top);
    const VariantPtr result = JsonObjectSerializer(service_).Serialize(*service_->CreateJsonObject(top));
    size_t depth = 0;
    std::map<std::string, VariantPtr> level;
    for (VariantPtr current = result; current->GetVariantMap(level) && level.count("a") != 0;
         current = level.at("a")) {
        ++depth;
    }
    EXPECT_EQ(depth, 256u);
    try {
        JsonObjectSerializer(service_, 257).Serialize(*service_->CreateEmptyJsonObject());
        ADD_FAILURE() << "no error";
    } catch (const SdkError& error) {
        EXPECT_TRUE(error.CodeIs("json"));
    }
}

}  // namespace
}  // namespace NuvraMobile
