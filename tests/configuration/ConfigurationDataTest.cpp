#include <gtest/gtest.h>

#include "configuration/ConfigurationData.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/EventDataJson.h"

namespace NuvraMobile {
namespace {

class ConfigurationDataTest : public ::testing::Test {
protected:
    std::shared_ptr<ConfigurationData> Make(const std::string& json = "") {
        auto data = std::make_shared<ConfigurationData>(json_);
        data->Put(json);
        return data;
    }

    static std::shared_ptr<Variant> Entry(const ConfigurationData& data, const std::string& key) {
        const auto& entries = data.GetEntries();
        const auto found = entries.find(key);
        return found == entries.end() ? nullptr : found->second;
    }

    std::shared_ptr<JsonUtilityServiceInterface> json_ = CreateNativeJsonUtilityService();
};

TEST_F(ConfigurationDataTest, EmptyTextLeavesTheConfigurationEmpty) { EXPECT_TRUE(Make("")->IsEmpty()); }

TEST_F(ConfigurationDataTest, JsonValuesBecomeDoublesStringsAndBooleans) {
    const auto data = Make(R"({"a": 1, "b": "x", "c": true})");
    ASSERT_EQ(3u, data->GetEntries().size());
    EXPECT_EQ(VariantKind::VARIANT_DOUBLE, Entry(*data, "a")->GetKind());
    double number = 0;
    EXPECT_TRUE(Entry(*data, "a")->GetDouble(number));
    EXPECT_EQ(1.0, number);
    std::string text;
    EXPECT_TRUE(Entry(*data, "b")->GetString(text));
    EXPECT_EQ("x", text);
    bool flag = false;
    EXPECT_TRUE(Entry(*data, "c")->GetBoolean(flag));
    EXPECT_TRUE(flag);
}

TEST_F(ConfigurationDataTest, NullMemberKeepsTheOldValueAndIsNotStoredOnItsOwn) {
    ScopedCapturingLog log;
    const auto data = Make(R"({"a": "old"})");
    data->Put(R"({"a": null})");
    std::string text;
    ASSERT_TRUE(Entry(*data, "a")->GetString(text));
    EXPECT_EQ("old", text);

    const auto empty = Make(R"({"a": null})");
    EXPECT_TRUE(empty->IsEmpty());
    EXPECT_TRUE(log.Service().Contains("Unsupported JsonType"));
}

TEST_F(ConfigurationDataTest, NestedObjectsAreReplacedWholeNeverMerged) {
    const auto data = Make(R"({"m": {"x": 1}})");
    data->Put(R"({"m": {"y": 2}})");
    std::map<std::string, std::shared_ptr<Variant>> nested;
    ASSERT_TRUE(Entry(*data, "m")->GetVariantMap(nested));
    EXPECT_EQ(1u, nested.size());
    EXPECT_EQ(1u, nested.count("y"));
}

TEST_F(ConfigurationDataTest, TextThatIsNotJsonChangesNothing) {
    const auto data = Make(R"({"a": "kept"})");
    data->Put("not json at all");
    data->Put("[1, 2]");
    EXPECT_EQ(1u, data->GetEntries().size());
}

TEST_F(ConfigurationDataTest, ValuesTakenFromAnotherConfigurationAreCopies) {
    const auto source = Make(R"({"list": [1, 2]})");
    const auto target = Make();
    target->Put(source);
    source->Put(R"({"list": [3], "extra": 1})");
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(Entry(*target, "list")->GetVariantVector(list));
    EXPECT_EQ(2u, list.size());
    EXPECT_EQ(1u, target->GetEntries().size());
}

TEST_F(ConfigurationDataTest, JsonTextOfAnEmptyConfigurationNeedsTheJsonService) {
    EXPECT_EQ("{}", Make()->GetJsonString());
    EXPECT_EQ("", ConfigurationData(nullptr).GetJsonString());
}

TEST_F(ConfigurationDataTest, JsonTextReadsBackToTheSameEntries) {
    const auto data = Make(R"({"a": 1.5, "b": "x", "c": false, "m": {"k": "v"}, "l": ["s"]})");
    const auto reread = Make(data->GetJsonString());
    EXPECT_EQ(JsonText(data->GetEventData()), JsonText(reread->GetEventData()));
}

TEST_F(ConfigurationDataTest, EventDataOfAnEmptyConfigurationIsEmpty) {
    EXPECT_TRUE(Make()->GetEventData()->IsEmpty());
}

TEST_F(ConfigurationDataTest, WithoutJsonServiceOnlyMapOperationsWork) {
    ConfigurationData data(nullptr);
    data.Put(R"({"a": 1})");
    EXPECT_TRUE(data.IsEmpty());
    data.Put(std::map<std::string, std::shared_ptr<Variant>>{{"a", Variant::FromString("x")}});
    EXPECT_EQ("x", data.GetEventData()->OptString("a", ""));
}

}  // namespace
}  // namespace NuvraMobile
