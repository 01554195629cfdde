#include <gtest/gtest.h>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/ConsequenceSerializer.h"
#include "rulesengine/RuleConsequence.h"
#include "rulesengine/RulesTestSupport.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

struct ValidationCase {
    const char* name;
    const char* json;
    const char* warning;
};

std::ostream& operator<<(std::ostream& stream, const ValidationCase& validationCase) {
    return stream << validationCase.name;
}

class RuleConsequenceValidationTest : public testing::TestWithParam<ValidationCase> {};

TEST_P(RuleConsequenceValidationTest, RejectsWithTheFieldsWarning) {
    ScopedCapturingLog log(LoggingMode::Warning);
    EXPECT_EQ(RuleConsequence::ConsequenceFromJson(ParseJson(GetParam().json)), nullptr);
    ASSERT_EQ(log.Service().GetLines().size(), 1u);
    EXPECT_EQ(log.Service().GetLines()[0].message, GetParam().warning);
    EXPECT_EQ(log.Service().GetLines()[0].tag, "RuleConsequence");
}

constexpr const char* ID_WARNING =
    "Unable to find field \"id\" in rules consequence.  This a required field.";
constexpr const char* TYPE_WARNING =
    "Unable to find field \"type\" in rules consequence.  This a required field.";
constexpr const char* DETAIL_WARNING =
    "Unable to find field \"detail\" in rules consequence.  This a required field.";

INSTANTIATE_TEST_SUITE_P(
    Consequences, RuleConsequenceValidationTest,
    testing::Values(
        ValidationCase{"MissingId", R"({"type": "pb", "detail": {"a": 1}})", ID_WARNING},
        ValidationCase{"EmptyId", R"({"id": "", "type": "pb", "detail": {"a": 1}})", ID_WARNING},
        ValidationCase{"NumericId", R"({"id": 5, "type": "pb", "detail": {"a": 1}})", ID_WARNING},
        ValidationCase{"MissingType", R"({"id": "i", "detail": {"a": 1}})", TYPE_WARNING},
        ValidationCase{"EmptyType", R"({"id": "i", "type": "", "detail": {"a": 1}})", TYPE_WARNING},
        ValidationCase{"MissingDetail", R"({"id": "i", "type": "pb"})", DETAIL_WARNING},
        ValidationCase{"DetailNotObject", R"({"id": "i", "type": "pb", "detail": [1]})", DETAIL_WARNING},
        ValidationCase{"EmptyDetail", R"({"id": "i", "type": "pb", "detail": {}})", DETAIL_WARNING},
        ValidationCase{"DetailOnlyNull", R"({"id": "i", "type": "pb", "detail": {"a": null}})",
                       DETAIL_WARNING}),
    testing::PrintToStringParamName());

TEST(RuleConsequenceTest, NullObjectIsEmptyData) {
    ScopedCapturingLog log(LoggingMode::Warning);
    EXPECT_EQ(RuleConsequence::ConsequenceFromJson(nullptr), nullptr);
    EXPECT_TRUE(log.Service().Contains("Consequence data is empty"));
}

TEST(RuleConsequenceTest, EventDataHoldsTheRecordWithDetailKinds) {
    const auto consequence = RuleConsequence::ConsequenceFromJson(ParseJson(
        R"({"id": "i", "type": "pb", "assetsPath": "/x", "detail": {"n": 5, "l": [1, null, "s"], "m": {"b": true}}})"));
    ASSERT_NE(consequence, nullptr);
    const std::shared_ptr<EventData> data = consequence->GenerateEventData();
    ASSERT_EQ(data->Size(), 1u);

    EventData::VariantMap record;
    ASSERT_TRUE(data->GetVariantMap("triggeredconsequence", record));
    EXPECT_EQ(record.size(), 3u) << "no assetsPath from rule parsing";
    EventData::VariantMap detail;
    ASSERT_TRUE(record.at("detail")->GetVariantMap(detail));
    EXPECT_EQ(detail.at("n")->GetKind(), VariantKind::VARIANT_DOUBLE);
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(detail.at("l")->GetVariantVector(list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0]->Equals(*Variant::FromDouble(1)));
    EXPECT_TRUE(list[1]->Equals(*Variant::FromString("s")));
    EXPECT_TRUE(detail.at("m")->Equals(*Variant::FromVariantMap({{"b", Variant::FromBoolean(true)}})));

    const auto read = data->GetTypedObject<Consequence>("triggeredconsequence");
    ASSERT_TRUE(read.HasValue());
    EXPECT_EQ(read.Value()->GetId(), "i");
    EXPECT_EQ(read.Value()->GetType(), "pb");
    EXPECT_EQ(read.Value()->GetAssetsPath(), "");
}

TEST(ConsequenceSerializerTest, RoundTripsWithAnEmptyAssetsPath) {
    ConsequenceSerializer serializer;
    const Consequence original("i", "csp", "", {{"k", Variant::FromString("v")}});
    const std::shared_ptr<Variant> serialized = serializer.Serialize(original);
    EventData::VariantMap map;
    ASSERT_TRUE(serialized->GetVariantMap(map));
    EXPECT_TRUE(map.at("assetsPath")->Equals(*Variant::FromString("")));

    const auto read = serializer.Deserialize(*serialized);
    ASSERT_TRUE(read.HasValue());
    EXPECT_EQ(read.Value()->GetId(), "i");
    EXPECT_EQ(read.Value()->GetType(), "csp");
    EXPECT_TRUE(Variant::FromVariantMap(read.Value()->GetDetail())
                    ->Equals(*Variant::FromVariantMap(original.GetDetail())));
}

TEST(ConsequenceSerializerTest, RefusesRecordsOfTheWrongShape) {
    ConsequenceSerializer serializer;
    const auto text = [](const char* value) { return Variant::FromString(value); };
    const std::shared_ptr<Variant> detail = Variant::FromVariantMap({});
    const std::shared_ptr<Variant> shapes[] = {
        text("not a map"),
        Variant::FromVariantMap({{"type", text("t")}, {"detail", detail}}),
        Variant::FromVariantMap({{"id", Variant::FromInteger(1)}, {"type", text("t")}, {"detail", detail}}),
        Variant::FromVariantMap({{"id", text("i")}, {"detail", detail}}),
        Variant::FromVariantMap({{"id", text("i")}, {"type", text("t")}}),
        Variant::FromVariantMap({{"id", text("i")}, {"type", text("t")}, {"detail", text("d")}}),
    };
    for (const auto& shape : shapes) {
        const auto read = serializer.Deserialize(*shape);
        ASSERT_FALSE(read.HasValue());
        EXPECT_EQ(read.Error().GetCode(), "variant.not_type");
        EXPECT_EQ(read.Error().GetMessage(), "type error");
    }
    const auto none = serializer.Deserialize(*Variant::FromNull());
    ASSERT_TRUE(none.HasValue());
    EXPECT_EQ(none.Value(), nullptr);
}

}  // namespace
}  // namespace NuvraMobile
