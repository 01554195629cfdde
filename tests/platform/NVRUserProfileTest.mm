#import "platform/NVRUserProfile.h"

#include "ModuleClassTestSupport.h"
#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "platform/ValueConversions.h"

namespace NuvraMobile {
namespace {

constexpr const char* UPDATE = "UserProfileUpdate";

using NVRUserProfileTest = ModuleClassTest;

std::map<std::string, std::shared_ptr<Variant>> SentAttributes(const std::shared_ptr<EventData>& data) {
    std::map<std::string, std::shared_ptr<Variant>> attributes;
    EXPECT_NE(data, nullptr);
    if (data) {
        EXPECT_TRUE(data->GetVariantMap("userprofileupdatekey", attributes));
    }
    return attributes;
}

struct SingleAttributeCase {
    const char* name;
    NSString* value;
    bool removes;
};

TEST_F(NVRUserProfileTest, OneAttributeIsSentAsTextOrAsARemoval) {
    const SingleAttributeCase cases[] = {
        {"numeric-looking text stays text", @"30", false},
        {"nil removes", nil, true},
        {"empty text removes", @"", true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        [NVRUserProfile updateUserAttribute:@"age" withValue:row.value];
        const auto attributes = SentAttributes(NextDataOf(UPDATE));
        ASSERT_EQ(attributes.count("age"), 1u);
        const auto& value = attributes.at("age");
        ASSERT_NE(value, nullptr);
        if (row.removes) {
            EXPECT_EQ(value->GetKind(), VariantKind::VARIANT_NULL);
        } else {
            std::string text;
            EXPECT_TRUE(value->GetString(text));
            EXPECT_EQ(text, ToCppString(row.value));
        }
    }
}

TEST_F(NVRUserProfileTest, AttributesKeepTheirKindsAndValuesWithoutOneAreLeftOut) {
    NSDictionary* attributes = [NSDictionary
        dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:5], @"int", [NSNumber numberWithDouble:1.5],
                                     @"double", [NSNumber numberWithBool:YES], @"bool",
                                     [NSArray arrayWithObject:@"a"], @"array",
                                     [NSDictionary dictionaryWithObject:@"v" forKey:@"k"], @"map",
                                     [NSNull null], @"gone", [NSDate date], @"date", nil];
    [NVRUserProfile updateUserAttributes:attributes];

    const auto sent = SentAttributes(NextDataOf(UPDATE));
    const std::map<std::string, VariantKind> expected = {
        {"int", VariantKind::VARIANT_INTEGER},  {"double", VariantKind::VARIANT_DOUBLE},
        {"bool", VariantKind::VARIANT_BOOLEAN}, {"array", VariantKind::VARIANT_VECTOR},
        {"map", VariantKind::VARIANT_MAP},      {"gone", VariantKind::VARIANT_NULL},
    };
    ASSERT_EQ(sent.size(), expected.size());
    for (const auto& [key, kind] : expected) {
        ASSERT_EQ(sent.count(key), 1u) << key;
        ASSERT_NE(sent.at(key), nullptr) << key;
        EXPECT_EQ(sent.at(key)->GetKind(), kind) << key;
    }
    const auto warnings = LinesTagged("NVRUserProfile");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0].message, testing::HasSubstr("\"date\""));
}

TEST_F(NVRUserProfileTest, EmptyInputIsSentForTheModuleToJudge) {
    [NVRUserProfile updateUserAttributes:[NSDictionary dictionary]];
    EXPECT_TRUE(SentAttributes(NextDataOf(UPDATE)).empty());

    [NVRUserProfile removeUserAttribute:nil];
    const auto removal = NextDataOf("RemoveUserProfile");
    ASSERT_NE(removal, nullptr);
    std::string key = "unset";
    EXPECT_TRUE(removal->GetString("userprofileremovekey", key));
    EXPECT_EQ(key, "");
}

}  // namespace
}  // namespace NuvraMobile
