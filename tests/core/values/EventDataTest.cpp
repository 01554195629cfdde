#include <gtest/gtest.h>

#include "core/values/EventData.h"
#include "core/values/Variant.h"

namespace NuvraMobile {

// A small typed object stored in event data through its serializer.
struct Point {
    int32_t x = 0;
};

class PointSerializer : public Object, public virtual VariantSerializerInterface<Point> {
public:
    Expected<std::shared_ptr<Point>, SdkError> Deserialize(const Variant& variant) override {
        auto point = std::make_shared<Point>();
        if (!variant.GetInteger(point->x)) {
            return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo());
        }
        return point;
    }
    std::shared_ptr<Variant> Serialize(const Point& point) override { return Variant::FromInteger(point.x); }
};

template <>
struct DefaultVariantSerializer<Point> {
    using Type = PointSerializer;
};

namespace {

TEST(EventDataTest, PutReplacesTheEntryUnderTheSameKey) {
    EventData data;
    data.PutString("key", "text").PutInteger("key", 5);
    EXPECT_EQ(1u, data.Size());
    EXPECT_EQ(VariantKind::VARIANT_INTEGER, data.GetKind("key").Value());
}

TEST(EventDataTest, GettersReportAbsentKeysAndWrongKindsWithoutTouchingTheOutParameter) {
    EventData data;
    data.PutString("text", "abc").PutInteger("number", 7).PutVariant("null", nullptr);

    std::string text = "untouched";
    EXPECT_FALSE(data.GetString("absent", text));
    EXPECT_FALSE(data.GetString("number", text));
    EXPECT_FALSE(data.GetString("null", text));
    EXPECT_EQ("untouched", text);

    EXPECT_TRUE(data.ContainsKey("null"));
    std::shared_ptr<Variant> variant = Variant::FromInteger(1);
    EXPECT_FALSE(data.GetVariant("absent", variant));
    EXPECT_EQ(nullptr, variant);
    EXPECT_TRUE(data.GetVariant("null", variant));
    EXPECT_EQ(VariantKind::VARIANT_NULL, variant->GetKind());
}

TEST(EventDataTest, EveryKindRoundTripsThroughPutAndGet) {
    EventData data;
    data.PutString("s", "v")
        .PutInteger("i", -3)
        .PutLong("l", 9007199254740991LL)
        .PutDouble("d", 2.5)
        .PutBoolean("b", true)
        .PutVariantVector("vec", {Variant::FromString("x")})
        .PutStringMap("smap", {{"k", "v"}})
        .PutVariantMap("vmap", {{"k", Variant::FromBoolean(false)}});

    std::string s;
    int32_t i = 0;
    int64_t l = 0;
    double d = 0;
    bool b = false;
    std::vector<std::shared_ptr<Variant>> vec;
    std::map<std::string, std::string> smap;
    EventData::VariantMap vmap;
    ASSERT_TRUE(data.GetString("s", s));
    ASSERT_TRUE(data.GetInteger("i", i));
    ASSERT_TRUE(data.GetLong("l", l));
    ASSERT_TRUE(data.GetDouble("d", d));
    ASSERT_TRUE(data.GetBoolean("b", b));
    ASSERT_TRUE(data.GetVariantVector("vec", vec));
    ASSERT_TRUE(data.GetStringMap("smap", smap));
    ASSERT_TRUE(data.GetVariantMap("vmap", vmap));
    EXPECT_EQ("v", s);
    EXPECT_EQ(-3, i);
    EXPECT_EQ(9007199254740991LL, l);
    EXPECT_EQ(2.5, d);
    EXPECT_TRUE(b);
    EXPECT_EQ(1u, vec.size());
    EXPECT_EQ("v", smap.at("k"));
    EXPECT_EQ(VariantKind::VARIANT_BOOLEAN, vmap.at("k")->GetKind());
    EXPECT_THROW(data.PutLong("tooBig", 9007199254740992LL), SdkError);
}

TEST(EventDataTest, OptFallsBackWhenGetFails) {
    EventData data;
    data.PutString("numeric", "12").PutString("word", "abc").PutDouble("half", 2.5).PutString("flag", "TRUE");
    struct Case {
        const char* key;
        int32_t expected;
    };
    const Case integerCases[] = {{"absent", -1}, {"word", -1}, {"half", 2}};
    for (const auto& c : integerCases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(c.expected, data.OptInteger(c.key, -1));
    }
    EXPECT_EQ("fallback", data.OptString("half", "fallback"));
    EXPECT_EQ("12", data.OptString("numeric", "fallback"));
    EXPECT_EQ(7, data.OptLong("word", 7));
    EXPECT_EQ(2.5, data.OptDouble("half", 0));
    EXPECT_EQ(1.5, data.OptDouble("word", 1.5));
    EXPECT_TRUE(data.OptBoolean("flag", false));
    EXPECT_TRUE(data.OptBoolean("word", true));
}

TEST(EventDataTest, AbsentKeysGiveNoSuchKeyErrors) {
    EventData data;
    auto kind = data.GetKind("absent");
    ASSERT_TRUE(kind.HasError());
    EXPECT_EQ("event_data.no_such_key", kind.Error().GetCode());
    EXPECT_EQ("The specified key was not found.", kind.Error().GetMessage());

    auto object = data.GetTypedObject<Point>("absent");
    ASSERT_TRUE(object.HasError());
    EXPECT_EQ("event_data.no_such_key", object.Error().GetCode());
    EXPECT_EQ("key error", object.Error().GetMessage());
    EXPECT_EQ(-1, object.Error().GetDebugInfo().lineNumber);

    auto vector = data.GetTypedVector<Point>("absent");
    ASSERT_TRUE(vector.HasError());
    EXPECT_EQ("key error", vector.Error().GetMessage());
}

TEST(EventDataTest, TypedObjectsRoundTripThroughTheirSerializer) {
    EventData data;
    Point point;
    point.x = 4;
    data.PutTypedObject("point", &point).PutString("text", "x");
    data.PutVariantVector("points", {Variant::FromInteger(1), Variant::FromInteger(2)});

    auto read = data.GetTypedObject<Point>("point");
    ASSERT_TRUE(read.HasValue());
    EXPECT_EQ(4, read.Value()->x);
    EXPECT_EQ("variant.not_type", data.GetTypedObject<Point>("text").Error().GetCode());
    auto points = data.GetTypedVector<Point>("points");
    ASSERT_TRUE(points.HasValue());
    ASSERT_EQ(2u, points.Value().size());
    EXPECT_EQ(2, points.Value()[1]->x);
    EXPECT_EQ("variant.not_vector", data.GetTypedVector<Point>("point").Error().GetCode());
}

TEST(EventDataTest, MapConstructorsShareVariantsAndNeverHoldNull) {
    auto shared = Variant::FromString("x");
    EventData data(EventData::VariantMap{{"shared", shared}, {"null", nullptr}});
    std::shared_ptr<Variant> read;
    ASSERT_TRUE(data.GetVariant("shared", read));
    EXPECT_EQ(shared, read);
    ASSERT_TRUE(data.GetVariant("null", read));
    ASSERT_TRUE(read);
    EXPECT_EQ(VariantKind::VARIANT_NULL, read->GetKind());
    EXPECT_FALSE(data.Copy()->AsMapCopy().at("null") == nullptr);

    EventData strings(std::map<std::string, std::string>{{"a", "1"}});
    EXPECT_EQ("1", strings.OptString("a", ""));
}

TEST(EventDataTest, CopyIsIndependentOfItsSource) {
    EventData source;
    source.PutVariantMap("nested", {{"a", Variant::FromInteger(1)}});
    auto copy = source.Copy();
    std::shared_ptr<Variant> original;
    std::shared_ptr<Variant> copied;
    source.GetVariant("nested", original);
    copy->GetVariant("nested", copied);
    EXPECT_NE(original, copied);
    EXPECT_TRUE(IsEqual(original, copied));

    copy->PutVariantMap("nested", {}).PutString("added", "x");
    EventData::VariantMap nested;
    ASSERT_TRUE(source.GetVariantMap("nested", nested));
    EXPECT_EQ(1u, nested.size());
    EXPECT_EQ(1u, source.Size());
}

TEST(EventDataTest, MergeWithNothingChangesNothing) {
    EventData data;
    data.PutString("a", "1");
    data.Merge(nullptr);
    data.Merge(std::make_shared<EventData>());
    EXPECT_EQ(1u, data.Size());
    EXPECT_EQ("1", data.OptString("a", ""));
}

TEST(EventDataTest, MergeAddsWithoutOverwritingAndLeavesTheOtherAlone) {
    EventData data;
    data.PutString("a", "mine");
    auto other = std::make_shared<EventData>();
    other->PutString("a", "theirs").PutString("b", "added");
    data.Merge(other);
    EXPECT_EQ("mine", data.OptString("a", ""));
    EXPECT_EQ("added", data.OptString("b", ""));
    EXPECT_EQ(2u, other->Size());
    EXPECT_EQ("theirs", other->OptString("a", ""));
}

TEST(EventDataTest, RendersTheMapAloneUnderPrettyOptions) {
    EventData empty;
    EXPECT_EQ("[]", empty.ToString(ToStringOptions::Pretty()));
    EventData data;
    data.PutString("k", "v");
    EXPECT_EQ("[ [ \"k\", \"v\" ] ]", data.ToString(ToStringOptions::Pretty()));
    const std::string compact = data.ToString();
    EXPECT_EQ(0u, compact.find("{ class: \"EventData\", map: [ [ \"k\", "));
    EXPECT_NE(std::string::npos, compact.find("super: { class: \"Object\""));
}

}  // namespace
}  // namespace NuvraMobile
