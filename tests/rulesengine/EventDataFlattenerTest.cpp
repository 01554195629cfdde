#include <gtest/gtest.h>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "rulesengine/EventDataFlattener.h"
#include "rulesengine/FlatDictionaryInterface.h"
#include "support/VariantShorthands.h"

namespace NuvraMobile {
namespace {

using VariantMap = EventDataFlattener::VariantMap;

TEST(EventDataFlattenerTest, OpensMapsAndKeepsListsWhole) {
    const std::shared_ptr<Variant> list =
        Variant::FromVariantVector({Int(1), Variant::FromVariantMap({{"inner", Int(2)}})});
    auto data = std::make_shared<EventData>();
    data->PutVariantMap("a", {{"b", Variant::FromVariantMap({{"c", Int(1)}})}});
    data->PutVariant("d", list);
    data->PutVariantMap("x", {});

    const VariantMap flattened = EventDataFlattener(data).GetFlattenedDataMap();

    ASSERT_EQ(flattened.size(), 2u);
    EXPECT_TRUE(flattened.at("a.b.c")->Equals(*Int(1)));
    EXPECT_TRUE(flattened.at("d")->Equals(*list));
}

TEST(EventDataFlattenerTest, LaterDottedKeyWinsACollision) {
    auto data = std::make_shared<EventData>();
    data->PutInteger("a.b", 2);
    data->PutVariantMap("a", {{"b", Int(1)}});

    const VariantMap flattened = EventDataFlattener(data).GetFlattenedDataMap();

    ASSERT_EQ(flattened.size(), 1u);
    EXPECT_TRUE(flattened.at("a.b")->Equals(*Int(2)));
}

TEST(EventDataFlattenerTest, NullDataFlattensToNothing) {
    EXPECT_TRUE(EventDataFlattener(nullptr).GetFlattenedDataMap().empty());
}

TEST(EventDataFlattenerTest, KeepsItsOwnCopyOfTheTopLevel) {
    auto data = std::make_shared<EventData>();
    data->PutInteger("a", 1);
    const EventDataFlattener flattener(data);
    data->PutInteger("b", 2);
    EXPECT_EQ(flattener.GetFlattenedDataMap().size(), 1u);
}

class FixedDictionary : public Object, public virtual FlatDictionaryInterface {
public:
    explicit FixedDictionary(bool available) : available_(available) {}
    bool GetFlatDictionary(VariantMap& out) const override {
        out = {{"k", Int(7)}};
        return available_;
    }

private:
    const bool available_;
};

TEST(EventDataFlattenerTest, FlattensEveryValueShapeUnderAPrefix) {
    VariantMap out;
    EventDataFlattener::Flatten("p", Int(3), out);
    EventDataFlattener::Flatten("m", VariantMap{{"n", Variant::FromVariantMap({{"o", Int(4)}})}}, out);
    EventDataFlattener::Flatten("s", std::map<std::string, std::string>{{"t", "u"}}, out);
    EventDataFlattener::Flatten("f", std::make_shared<FixedDictionary>(true), out);
    EventDataFlattener::Flatten("g", std::make_shared<FixedDictionary>(false), out);

    std::string text;
    ASSERT_EQ(out.size(), 4u);
    EXPECT_TRUE(out.at("p")->Equals(*Int(3)));
    EXPECT_TRUE(out.at("m.n.o")->Equals(*Int(4)));
    EXPECT_TRUE(out.at("s.t")->GetString(text));
    EXPECT_EQ(text, "u");
    EXPECT_TRUE(out.at("f.k")->Equals(*Int(7)));
}

}  // namespace
}  // namespace NuvraMobile
