#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "shared/MobilePrivacyStatus.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdSerializer.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

TEST(MobilePrivacyStatusTest, TextsAndBack) {
    const std::map<std::string, MobilePrivacyStatus> fromText = {
        {"optedin", MobilePrivacyStatus::OPT_IN},     {"optedout", MobilePrivacyStatus::OPT_OUT},
        {"optunknown", MobilePrivacyStatus::UNKNOWN}, {"OptedIn", MobilePrivacyStatus::UNKNOWN},
        {"", MobilePrivacyStatus::UNKNOWN},
    };
    for (const auto& [text, status] : fromText) {
        EXPECT_EQ(StringToMobilePrivacyStatus(text), status) << text;
    }
    EXPECT_EQ(MobilePrivacyStatusToString(MobilePrivacyStatus::OPT_IN), "optedin");
    EXPECT_EQ(MobilePrivacyStatusToString(MobilePrivacyStatus::OPT_OUT), "optedout");
    EXPECT_EQ(MobilePrivacyStatusToString(static_cast<MobilePrivacyStatus>(9)), "optunknown");
    EXPECT_EQ(StringUtils::FormatString("%s", MobilePrivacyStatus::OPT_OUT), "optedout");
}

// Every module reads the configuration's status through this one function; its fallbacks differ.
TEST(MobilePrivacyStatusTest, ReadFromAConfiguration) {
    const auto configuration = [](auto fill) {
        auto data = std::make_shared<EventData>();
        fill(*data);
        return data;
    };
    EXPECT_EQ(PrivacyStatusInConfiguration(nullptr), std::nullopt);
    EXPECT_EQ(PrivacyStatusInConfiguration(configuration([](EventData&) {})), std::nullopt);
    EXPECT_EQ(
        PrivacyStatusInConfiguration(configuration([](EventData& d) { d.PutInteger("global.privacy", 1); })),
        std::nullopt);
    EXPECT_EQ(PrivacyStatusInConfiguration(
                  configuration([](EventData& d) { d.PutString("global.privacy", "optedout"); })),
              MobilePrivacyStatus::OPT_OUT);
    EXPECT_EQ(PrivacyStatusInConfiguration(
                  configuration([](EventData& d) { d.PutString("global.privacy", "maybe"); })),
              MobilePrivacyStatus::UNKNOWN);
}

TEST(VisitorIdTest, AuthenticationStates) {
    EXPECT_EQ(IntegerToVisitorIdAuthenticationState(1), VisitorIdAuthenticationState::AUTHENTICATED);
    EXPECT_EQ(IntegerToVisitorIdAuthenticationState(2), VisitorIdAuthenticationState::LOGGED_OUT);
    EXPECT_EQ(IntegerToVisitorIdAuthenticationState(3), VisitorIdAuthenticationState::UNKNOWN);
    EXPECT_EQ(IntegerToVisitorIdAuthenticationState(-1), VisitorIdAuthenticationState::UNKNOWN);
    EXPECT_EQ(AuthenticationStateToString(VisitorIdAuthenticationState::LOGGED_OUT), "logged_out");
    EXPECT_EQ(StringUtils::FormatString("%s", VisitorIdAuthenticationState::AUTHENTICATED), "authenticated");
    EXPECT_EQ(AuthenticationStateToString(static_cast<VisitorIdAuthenticationState>(7)), "unknown");
}

TEST(VisitorIdTest, TypeIsCleanedAndMustNotBeEmpty) {
    const VisitorId id("origin", "a b!", "id", VisitorIdAuthenticationState::UNKNOWN);
    EXPECT_EQ(id.GetIdType(), "ab");
    for (const char* type : {"", "!!", "...", " "}) {
        try {
            VisitorId("o", type, "i", VisitorIdAuthenticationState::UNKNOWN);
            ADD_FAILURE() << "accepted " << type;
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "std.logic_error.invalid_argument");
            EXPECT_EQ(error.GetMessage(), "Failed to initialize VisitorId object, id type is empty");
        }
    }
}

TEST(VisitorIdTest, EqualityIsByTypeOnly) {
    const VisitorId first("o1", "type", "id1", VisitorIdAuthenticationState::AUTHENTICATED);
    const VisitorId second("o2", "type", "id2", VisitorIdAuthenticationState::LOGGED_OUT);
    const VisitorId other("o1", "other", "id1", VisitorIdAuthenticationState::AUTHENTICATED);
    EXPECT_TRUE(first.Equals(second));
    EXPECT_FALSE(first.Equals(other));
}

TEST(VisitorIdSerializerTest, RoundTripThroughAVariantVector) {
    const std::vector<std::shared_ptr<VisitorId>> ids = {
        std::make_shared<VisitorId>("o1", "t1", "i1", VisitorIdAuthenticationState::AUTHENTICATED),
        nullptr,
        std::make_shared<VisitorId>("o2", "t2", "i2", VisitorIdAuthenticationState::LOGGED_OUT),
    };
    const std::shared_ptr<Variant> vector = Variant::FromTypedVector(ids);
    std::vector<std::shared_ptr<Variant>> elements;
    ASSERT_TRUE(vector->GetVariantVector(elements));
    ASSERT_EQ(elements.size(), 3u);
    EXPECT_EQ(elements[1]->GetKind(), VariantKind::VARIANT_NULL);

    const auto read = vector->GetTypedVector<VisitorId>();
    ASSERT_TRUE(read.HasValue());
    ASSERT_EQ(read.ConstValue().size(), 2u);  // the null element is skipped, never an empty pointer
    const VisitorId& second = *read.ConstValue()[1];
    EXPECT_EQ(second.GetIdOrigin(), "o2");
    EXPECT_EQ(second.GetIdType(), "t2");
    EXPECT_EQ(second.GetId(), "i2");
    EXPECT_EQ(second.GetAuthenticationState(), VisitorIdAuthenticationState::LOGGED_OUT);
}

TEST(VisitorIdSerializerTest, SerializedFormHasTheFourKeys) {
    VisitorIdSerializer serializer;
    const auto variant =
        serializer.Serialize(VisitorId("o", "t", "i", VisitorIdAuthenticationState::AUTHENTICATED));
    const auto expected = Variant::FromVariantMap({{"id_origin", Variant::FromString("o")},
                                                   {"id_type", Variant::FromString("t")},
                                                   {"id", Variant::FromString("i")},
                                                   {"authentication_state", Variant::FromInteger(1)}});
    EXPECT_TRUE(variant->Equals(*expected));
}

TEST(VisitorIdSerializerTest, WrongShapesAreTypeErrors) {
    VisitorIdSerializer serializer;
    const std::map<std::string, std::shared_ptr<Variant>> valid = {
        {"id_origin", Variant::FromString("o")},
        {"id_type", Variant::FromString("t")},
        {"id", Variant::FromString("i")},
        {"authentication_state", Variant::FromInteger(1)}};
    std::vector<std::shared_ptr<Variant>> wrong = {Variant::FromString("x"), Variant::FromVariantVector({})};
    for (const auto& entry : valid) {
        auto missing = valid;
        missing.erase(entry.first);
        wrong.push_back(Variant::FromVariantMap(missing));
    }
    auto stateAsText = valid;
    stateAsText["authentication_state"] = Variant::FromString("1");
    wrong.push_back(Variant::FromVariantMap(stateAsText));
    auto idAsNumber = valid;
    idAsNumber["id"] = Variant::FromInteger(5);
    wrong.push_back(Variant::FromVariantMap(idAsNumber));

    for (const auto& variant : wrong) {
        const auto result = serializer.Deserialize(*variant);
        ASSERT_TRUE(result.HasError()) << variant->ToString(ToStringOptions::Pretty());
        EXPECT_EQ(result.Error().GetCode(), "variant.not_type");
        EXPECT_EQ(result.Error().GetMessage(), "type error");
    }
    const auto fromNull = serializer.Deserialize(*Variant::FromNull());
    ASSERT_TRUE(fromNull.HasValue());
    EXPECT_EQ(fromNull.ConstValue(), nullptr);

    auto invalidState = valid;
    invalidState["authentication_state"] = Variant::FromInteger(42);
    EXPECT_EQ(
        serializer.Deserialize(*Variant::FromVariantMap(invalidState)).ConstValue()->GetAuthenticationState(),
        VisitorIdAuthenticationState::UNKNOWN);
}

TEST(VisitorIdSerializerTest, TypedVectorOfAnotherKindIsAnError) {
    const auto result = Variant::FromString("x")->GetTypedVector<VisitorId>();
    ASSERT_TRUE(result.HasError());
    EXPECT_EQ(result.Error().GetCode(), "variant.not_vector");
    EXPECT_EQ(result.Error().GetMessage(), "type conversion error");
    const auto elementError =
        Variant::FromVariantVector({Variant::FromInteger(1)})->GetTypedVector<VisitorId>();
    ASSERT_TRUE(elementError.HasError());
    EXPECT_EQ(elementError.Error().GetCode(), "variant.not_type");
}

}  // namespace
}  // namespace NuvraMobile
