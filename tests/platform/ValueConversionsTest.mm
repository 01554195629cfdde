#import "platform/ValueConversions.h"

#import "platform/NVRMobileVisitorId.h"

#include <gmock/gmock.h>

#include <cmath>
#include <string>

#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

constexpr long long TWO_TO_53 = 1LL << 53;

VariantKind KindOf(const std::shared_ptr<Variant>& variant) { return variant->GetKind(); }

TEST(ObjCToVariantTest, KeepsTheKindOfEveryPlatformValue) {
    struct Case {
        const char* name;
        id value;
        VariantKind kind;
    };
    // Numbers within 32 bits are stored as int by Foundation here, whatever they were made with; only
    // larger values keep a 64-bit type.
    const Case cases[] = {
        {"boolean", [NSNumber numberWithBool:YES], VariantKind::VARIANT_BOOLEAN},
        {"32-bit", [NSNumber numberWithInt:-7], VariantKind::VARIANT_INTEGER},
        {"64-bit", [NSNumber numberWithLongLong:1LL << 40], VariantKind::VARIANT_LONG},
        {"largest long", [NSNumber numberWithLongLong:TWO_TO_53 - 1], VariantKind::VARIANT_LONG},
        {"smallest long", [NSNumber numberWithLongLong:-(TWO_TO_53 - 1)], VariantKind::VARIANT_LONG},
        {"unsigned 64-bit", [NSNumber numberWithUnsignedLongLong:1ULL << 40], VariantKind::VARIANT_LONG},
        {"unsigned 32-bit above 2^31", [NSNumber numberWithUnsignedInt:3000000000U],
         VariantKind::VARIANT_LONG},
        {"double", [NSNumber numberWithDouble:1.5], VariantKind::VARIANT_DOUBLE},
        {"float", [NSNumber numberWithFloat:2.5f], VariantKind::VARIANT_DOUBLE},
        {"empty string", @"", VariantKind::VARIANT_STRING},
        {"null object", [NSNull null], VariantKind::VARIANT_NULL},
        {"array", [NSArray arrayWithObject:@"x"], VariantKind::VARIANT_VECTOR},
        {"dictionary", [NSDictionary dictionaryWithObject:@"v" forKey:@"k"], VariantKind::VARIANT_MAP},
    };
    for (const Case& c : cases) {
        const auto variant = ObjCToVariant(c.value);
        ASSERT_NE(variant, nullptr) << c.name;
        EXPECT_EQ(KindOf(variant), c.kind) << c.name;
    }
}

TEST(ObjCToVariantTest, KeepsTheValues) {
    bool flag = false;
    EXPECT_TRUE(ObjCToVariant([NSNumber numberWithBool:YES])->GetBoolean(flag) && flag);
    std::int64_t largest = 0;
    EXPECT_TRUE(ObjCToVariant([NSNumber numberWithLongLong:TWO_TO_53 - 1])->GetLong(largest));
    EXPECT_EQ(largest, TWO_TO_53 - 1);
    std::int32_t small = 0;
    EXPECT_TRUE(ObjCToVariant([NSNumber numberWithInt:-7])->GetInteger(small));
    EXPECT_EQ(small, -7);
    std::int64_t unsignedValue = 0;
    EXPECT_TRUE(ObjCToVariant([NSNumber numberWithUnsignedInt:3000000000U])->GetLong(unsignedValue));
    EXPECT_EQ(unsignedValue, 3000000000LL);
}

TEST(ObjCToVariantTest, ValuesWithoutACoreKindGiveNoVariant) {
    EXPECT_EQ(ObjCToVariant(nil), nullptr);
    EXPECT_EQ(ObjCToVariant([NSDate date]), nullptr);
    EXPECT_EQ(ObjCToVariant([NSData data]), nullptr);
}

TEST(ObjCToVariantTest, ALongBeyondTheCoreRangeIsDroppedWithAWarning) {
    const id tooLarge[] = {[NSNumber numberWithLongLong:TWO_TO_53], [NSNumber numberWithLongLong:-TWO_TO_53],
                           [NSNumber numberWithUnsignedLongLong:~0ULL]};
    for (id number : tooLarge) {
        ScopedCapturingLog log(LoggingMode::Warning);
        EXPECT_EQ(ObjCToVariant(number), nullptr) << [[number description] UTF8String];
        EXPECT_EQ(log.Service().GetLines().size(), 1u);
    }
}

TEST(ToVariantMapTest, DropsAnOutOfRangeLongAndKeepsAnEmptySlotForAValueWithoutKind) {
    ScopedCapturingLog log(LoggingMode::Warning);
    NSDictionary* nested = [NSDictionary dictionaryWithObject:[NSNumber numberWithLongLong:TWO_TO_53]
                                                       forKey:@"inner"];
    NSDictionary* dictionary = [NSDictionary
        dictionaryWithObjectsAndKeys:[NSNumber numberWithLongLong:TWO_TO_53], @"tooLarge",
                                     [NSNumber numberWithLongLong:TWO_TO_53 - 1], @"largest", [NSDate date],
                                     @"when", nested, @"nested",
                                     [NSArray arrayWithObjects:@"a", [NSNumber numberWithLongLong:TWO_TO_53],
                                                               @"b", nil],
                                     @"list", nil];

    const auto map = ToVariantMap(dictionary);

    EXPECT_EQ(map.count("tooLarge"), 0u);
    ASSERT_EQ(map.count("largest"), 1u);
    EXPECT_EQ(KindOf(map.at("largest")), VariantKind::VARIANT_LONG);
    ASSERT_EQ(map.count("when"), 1u);
    EXPECT_EQ(map.at("when"), nullptr);
    std::map<std::string, std::shared_ptr<Variant>> inner;
    ASSERT_TRUE(map.at("nested")->GetVariantMap(inner));
    EXPECT_TRUE(inner.empty());
    std::vector<std::shared_ptr<Variant>> list;
    ASSERT_TRUE(map.at("list")->GetVariantVector(list));
    EXPECT_EQ(list.size(), 2u);
    const auto lines = log.Service().GetMessages();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_THAT(lines, testing::Contains(HasSubstr("\"tooLarge\"")));
}

TEST(StringConversionTest, CppStrings) {
    const unichar withNul[] = {'a', 0, 'b'};
    EXPECT_EQ(ToCppString(nil), "");
    EXPECT_EQ(ToCppString(@""), "");
    EXPECT_EQ(ToCppString([NSString stringWithCharacters:withNul length:3]), "a");
    EXPECT_EQ(ToCppString([NSString stringWithUTF8String:"gr\xC3\xBC\xC3\x9F"]), "gr\xC3\xBC\xC3\x9F");
}

TEST(StringConversionTest, PlatformStrings) {
    EXPECT_EQ(ToNSString(""), nil);
    EXPECT_TRUE([ToNSString(std::string("a\0b", 3)) isEqualToString:@"a"]);
    EXPECT_EQ(ToNSString("a\xFF" "b"), nil);
    EXPECT_EQ(ToNSString("\xC3"), nil);
    EXPECT_TRUE([ToNSString("gr\xC3\xBC\xC3\x9F") isEqualToString:[NSString stringWithUTF8String:"gr\xC3\xBC\xC3\x9F"]]);
}

TEST(CleaningTest, CleanDictionaryKeepsStringEntriesUnderNonEmptyKeys) {
    NSDictionary* dictionary = [NSDictionary
        dictionaryWithObjectsAndKeys:@"v", @"kept", [NSNumber numberWithInt:1], @"number", @"v", @"", @"",
                                     @"emptyValue", nil];
    NSDictionary* removed = nil;
    NSDictionary* kept = CleanDictionary(dictionary, &removed);
    NSDictionary* expectedKept =
        [NSDictionary dictionaryWithObjectsAndKeys:@"v", @"kept", @"", @"emptyValue", nil];
    NSDictionary* expectedRemoved =
        [NSDictionary dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:1], @"number", @"v", @"", nil];
    EXPECT_TRUE([kept isEqualToDictionary:expectedKept]);
    EXPECT_TRUE([removed isEqualToDictionary:expectedRemoved]);
    EXPECT_EQ([dictionary count], 4u);
}

TEST(CleaningTest, CleanDictionaryKeysKeepsAnyValueUnderANonEmptyKey) {
    NSDictionary* dictionary = [NSDictionary
        dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:1], @"number", @"v", @"", @"w",
                                     [NSNumber numberWithInt:2], nil];
    NSDictionary* removed = nil;
    NSDictionary* kept = CleanDictionaryKeys(dictionary, &removed);
    NSDictionary* expectedKept = [NSDictionary dictionaryWithObject:[NSNumber numberWithInt:1] forKey:@"number"];
    EXPECT_TRUE([kept isEqualToDictionary:expectedKept]);
    EXPECT_EQ([removed count], 2u);
    EXPECT_EQ([CleanDictionaryKeys(nil, NULL) count], 0u);
}

TEST(CleaningTest, CleanArrayKeepsStringsInOrder) {
    NSArray* removed = nil;
    NSArray* kept = CleanArray(
        [NSArray arrayWithObjects:@"a", [NSNumber numberWithInt:1], @"b", [NSNull null], nil], &removed);
    NSArray* expectedKept = [NSArray arrayWithObjects:@"a", @"b", nil];
    NSArray* expectedRemoved = [NSArray arrayWithObjects:[NSNumber numberWithInt:1], [NSNull null], nil];
    EXPECT_TRUE([kept isEqualToArray:expectedKept]);
    EXPECT_TRUE([removed isEqualToArray:expectedRemoved]);
}

TEST(ToStringMapTest, SkipsEntriesThatAreNotStrings) {
    NSDictionary* dictionary = [NSDictionary
        dictionaryWithObjectsAndKeys:@"v", @"k", [NSNumber numberWithInt:1], @"n", @"w", [NSNumber numberWithInt:2], nil];
    EXPECT_EQ(ToStringMap(dictionary), (std::map<std::string, std::string>{{"k", "v"}}));
    EXPECT_TRUE(ToStringMap(nil).empty());
}

TEST(VariantToObjCTest, ConvertsEachKind) {
    EXPECT_EQ(VariantToObjC(nullptr), nil);
    EXPECT_EQ(VariantToObjC(Variant::FromNull()), nil);
    EXPECT_EQ(VariantToObjC(Variant::FromString("")), nil);
    id boolean = VariantToObjC(Variant::FromBoolean(true));
    EXPECT_TRUE([boolean isKindOfClass:[[NSNumber numberWithBool:YES] class]]);
    EXPECT_TRUE([VariantToObjC(Variant::FromLong(TWO_TO_53 - 1)) isEqual:[NSNumber numberWithLongLong:TWO_TO_53 - 1]]);

    const auto map = Variant::FromVariantMap({{"s", Variant::FromString("v")},
                                              {"empty", Variant::FromString("")},
                                              {"list", Variant::FromVariantVector({Variant::FromInteger(1)})}});
    NSDictionary* expected = [NSDictionary
        dictionaryWithObjectsAndKeys:@"v", @"s", [NSArray arrayWithObject:[NSNumber numberWithInt:1]], @"list", nil];
    EXPECT_TRUE([VariantToObjC(map) isEqualToDictionary:expected]);
}

TEST(VariantToObjCTest, AStringMapEntryWithAnEmptyValueIsLeftOut) {
    EXPECT_EQ([ToNSDictionary(std::map<std::string, std::string>{{"k", ""}}) count], 0u);
    NSArray* expected = [NSArray arrayWithObjects:@"a", @"b", nil];
    EXPECT_TRUE([ToNSArray(std::vector<std::string>{"a", "b"}) isEqualToArray:expected]);
}

TEST(EnumConversionTest, OutOfRangeValuesFallBack) {
    EXPECT_EQ(ToLoggingMode(static_cast<NVRMobileLogLevel>(7)), LoggingMode::Error);
    EXPECT_EQ(ToLoggingMode(NVRMobileLogLevelTrace), LoggingMode::Trace);
    EXPECT_EQ(ToNVRMobileLogLevel(static_cast<LoggingMode>(9)), NVRMobileLogLevelError);
    EXPECT_EQ(ToMobilePrivacyStatus(static_cast<NVRMobilePrivacyStatus>(5)), MobilePrivacyStatus::UNKNOWN);
    EXPECT_EQ(ToMobilePrivacyStatus(NVRMobilePrivacyStatusOptOut), MobilePrivacyStatus::OPT_OUT);
    EXPECT_EQ(ToNVRMobilePrivacyStatus(static_cast<MobilePrivacyStatus>(-1)), NVRMobilePrivacyStatusUnknown);
    EXPECT_EQ(ToCppVisitorAuthenticationState(static_cast<NVRMobileVisitorAuthenticationState>(3)),
              VisitorIdAuthenticationState::UNKNOWN);
    EXPECT_EQ(ToObjCVisitorAuthenticationState(VisitorIdAuthenticationState::LOGGED_OUT),
              NVRMobileVisitorAuthenticationStateLoggedOut);
    EXPECT_TRUE([StringFromWrapperType(NVRMobileWrapperTypeReactNative) isEqualToString:@"RN"]);
    EXPECT_TRUE([StringFromWrapperType(static_cast<NVRMobileWrapperType>(2)) isEqualToString:@""]);
}

TEST(SmallValueConversionTest, SecondsAreTruncatedTowardZero) {
    EXPECT_EQ(ToSeconds(2.9), 2);
    EXPECT_EQ(ToSeconds(-2.9), -2);
    EXPECT_EQ(ToSeconds(NAN), 0);
    EXPECT_EQ(ToNSTimeInterval(12), 12.0);
}

TEST(SmallValueConversionTest, VisitorIdsBecomePublicValueObjects) {
    NSArray* ids = ToNVRMobileVisitorIdArray(
        {std::make_shared<VisitorId>("origin", "type", "id", VisitorIdAuthenticationState::AUTHENTICATED), nullptr});
    ASSERT_EQ([ids count], 1u);
    NVRMobileVisitorId* visitorId = [ids objectAtIndex:0];
    EXPECT_TRUE([[visitorId idOrigin] isEqualToString:@"origin"]);
    EXPECT_TRUE([[visitorId idType] isEqualToString:@"type"]);
    EXPECT_TRUE([[visitorId identifier] isEqualToString:@"id"]);
    EXPECT_EQ([visitorId authenticationState], NVRMobileVisitorAuthenticationStateAuthenticated);
}

TEST(HexFromDataTest, TwoUpperCaseDigitsPerByte) {
    const unsigned char token[] = {0x0A, 0xFF, 0x00};
    NSData* data = [NSData dataWithBytes:token length:3];
    EXPECT_TRUE([ToHexFromEncodedData(data) isEqualToString:@"0AFF00"]);
    EXPECT_EQ(ToHexFromEncodedData(nil), nil);
    EXPECT_EQ(ToHexFromEncodedData([NSData data]), nil);
}

}  // namespace
}  // namespace NuvraMobile
