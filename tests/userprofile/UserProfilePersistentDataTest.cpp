// The attribute store: what stored JSON text loads as, the update and delete rules, and that stored
// text which cannot be read is kept rather than overwritten.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/values/Variant.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "userprofile/UserProfilePersistentData.h"

namespace NuvraMobile {
namespace {

class UserProfilePersistentDataTest : public ::testing::Test {
protected:
    std::shared_ptr<MemoryDataStore> Store() { return storage->Store("NVBUserProfile"); }

    std::shared_ptr<UserProfilePersistentData> Load() {
        return std::make_shared<UserProfilePersistentData>(CreateNativeJsonUtilityService(), storage);
    }

    std::shared_ptr<MemoryLocalStorageService> storage = std::make_shared<MemoryLocalStorageService>();
};

TEST_F(UserProfilePersistentDataTest, StoredJsonLoadsWithNumbersAsDoublesAndNullsDropped) {
    Store()->SetString(
        "user_profile",
        R"({"n": 1, "s": "text", "b": true, "list": [1, "x", null], "map": {"inner": 2}, "gone": null})");
    ScopedCapturingLog log;
    const auto data = Load();
    const auto map = data->GetProfileDataAsMap();

    EXPECT_EQ(5u, map.size());
    EXPECT_EQ(VariantKind::VARIANT_DOUBLE, map.at("n")->GetKind());
    std::string text;
    EXPECT_TRUE(map.at("s")->GetString(text));
    EXPECT_EQ("text", text);
    EXPECT_EQ(VariantKind::VARIANT_BOOLEAN, map.at("b")->GetKind());
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(map.at("list")->GetVariantVector(list));
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(VariantKind::VARIANT_DOUBLE, list[0]->GetKind());
    EXPECT_EQ(VariantKind::VARIANT_STRING, list[1]->GetKind());
    UserProfilePersistentData::VariantMap inner;
    ASSERT_TRUE(map.at("map")->GetVariantMap(inner));
    EXPECT_EQ(VariantKind::VARIANT_DOUBLE, inner.at("inner")->GetKind());
    EXPECT_EQ(0u, map.count("gone"));
    EXPECT_TRUE(log.Service().Contains("Unsupported JsonType"));

    ASSERT_TRUE(data->Persist());
    EXPECT_EQ(std::string::npos, Store()->GetString("user_profile", "").find("gone"));
}

TEST_F(UserProfilePersistentDataTest, UnreadableStoredTextIsKeptWhenTheNextWriteReplacesIt) {
    for (const std::string unreadable : {"{\"a.clicked\": {\"m1\": 3", "[1, 2]", "not json"}) {
        Store()->RemoveAll();
        Store()->SetString("user_profile", unreadable);
        const auto data = Load();
        EXPECT_TRUE(data->GetProfileDataAsMap().empty()) << unreadable;

        ASSERT_TRUE(data->UpdateInMemory("fresh", Variant::FromString("value")));
        ASSERT_TRUE(data->Persist());
        EXPECT_NE(std::string::npos, Store()->GetString("user_profile", "").find("fresh")) << unreadable;
        EXPECT_EQ(unreadable, Store()->GetString("user_profile_unreadable", "")) << unreadable;
    }
}

TEST_F(UserProfilePersistentDataTest, UpdatesSkipEmptyKeysAndNullsRemove) {
    const auto data = Load();
    ASSERT_TRUE(data->UpdateInMemory({{"a", Variant::FromString("1")}, {"b", Variant::FromInteger(2)}}));

    EXPECT_FALSE(data->UpdateInMemory(UserProfilePersistentData::VariantMap{}));
    EXPECT_FALSE(data->UpdateInMemory("", Variant::FromString("x")));
    EXPECT_TRUE(data->UpdateInMemory({{"", Variant::FromString("x")}}));
    EXPECT_TRUE(data->UpdateInMemory({{"a", Variant::FromNull()}, {"absent", Variant::FromNull()}}));
    EXPECT_TRUE(data->UpdateInMemory("b", nullptr));
    EXPECT_TRUE(data->GetProfileDataAsMap().empty());

    ASSERT_TRUE(data->UpdateInMemory("c", Variant::FromBoolean(true)));
    EXPECT_FALSE(data->DeleteInMemory("absent"));
    EXPECT_FALSE(data->DeleteInMemory(""));
    EXPECT_TRUE(data->DeleteInMemory("c"));
    EXPECT_EQ(nullptr, data->GetData("c"));
}

// An empty text is a value the app set: it must still be there after a restart.
TEST_F(UserProfilePersistentDataTest, AttributesOfEmptyTextAreWrittenAndLoadAgain) {
    const auto data = Load();
    ASSERT_TRUE(
        data->UpdateInMemory({{"empty", Variant::FromString("")},
                              {"nested", Variant::FromVariantMap({{"inner", Variant::FromString("")}})}}));
    ASSERT_TRUE(data->Persist());

    const auto reloaded = Load();
    std::string text = "not read";
    ASSERT_NE(nullptr, reloaded->GetData("empty"));
    EXPECT_TRUE(reloaded->GetData("empty")->GetString(text));
    EXPECT_EQ("", text);
    std::map<std::string, std::shared_ptr<Variant>> nested;
    ASSERT_NE(nullptr, reloaded->GetData("nested"));
    ASSERT_TRUE(reloaded->GetData("nested")->GetVariantMap(nested));
    ASSERT_EQ(1u, nested.count("inner"));
    text = "not read";
    EXPECT_TRUE(nested.at("inner")->GetString(text));
    EXPECT_EQ("", text);
}

TEST_F(UserProfilePersistentDataTest, WithoutStorageTheMapWorksButIsNotPersisted) {
    ScopedCapturingLog log;
    UserProfilePersistentData data(CreateNativeJsonUtilityService(), nullptr);
    EXPECT_TRUE(data.UpdateInMemory("a", Variant::FromString("1")));
    EXPECT_FALSE(data.Persist());
    EXPECT_NE(nullptr, data.GetData("a"));
    EXPECT_TRUE(
        log.Service().Contains("Unable to persist userProfile Data, Storage service not initialized"));
}

}  // namespace
}  // namespace NuvraMobile
