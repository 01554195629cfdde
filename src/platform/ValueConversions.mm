#import "platform/ValueConversions.h"

#include <cstring>
#include <limits>

#import "platform/NVRMobileVisitorId.h"
#include "platform/HexCoding.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "ValueConversions";
constexpr std::int64_t MAX_LONG_MAGNITUDE = (std::int64_t{1} << 53) - 1;

bool IsNonEmptyString(id value) { return [value isKindOfClass:[NSString class]] && [value length] > 0; }

bool IsBooleanNumber(NSNumber* number) {
    static Class booleanClass = [[NSNumber numberWithBool:YES] class];
    return [number isKindOfClass:booleanClass];
}

/** What a conversion gave: a variant, nothing, or a number the core cannot hold. */
struct Conversion {
    std::shared_ptr<Variant> variant;
    bool outOfRange = false;
};

void WarnOutOfRange(NSNumber* number, const std::string& where) {
    Log::Warning(LOG_TAG, "Dropped %s: the number %s is beyond plus or minus (2^53 - 1)", where,
                 ToCppString([number description]));
}

Conversion LongConversion(bool fits, std::int64_t value) {
    if (!fits) {
        return {nullptr, true};
    }
    return {Variant::FromLong(value), false};
}

Conversion ConvertNumber(NSNumber* number) {
    if (IsBooleanNumber(number)) {
        return {Variant::FromBoolean([number boolValue] == YES), false};
    }
    switch ([number objCType][0]) {
        case 'C':  // unsigned char, short, unsigned short and int fit 32 bits
        case 's':
        case 'S':
        case 'i':
            return {Variant::FromInteger([number intValue]), false};
        case 'I':  // unsigned int needs 64 bits
        case 'l':
        case 'q': {
            const long long value = [number longLongValue];
            return LongConversion(value >= -MAX_LONG_MAGNITUDE && value <= MAX_LONG_MAGNITUDE, value);
        }
        case 'L':
        case 'Q': {
            const unsigned long long value = [number unsignedLongLongValue];
            return LongConversion(value <= static_cast<unsigned long long>(MAX_LONG_MAGNITUDE),
                                  static_cast<std::int64_t>(value));
        }
        case 'f':
        case 'd':
            return {Variant::FromDouble([number doubleValue]), false};
        default:  // char and anything unknown
            return {};
    }
}

Conversion Convert(id value) {
    if (value == nil) {
        return {};
    }
    if ([value isKindOfClass:[NSString class]]) {
        return {Variant::FromString(ToCppString(value)), false};
    }
    if ([value isKindOfClass:[NSNumber class]]) {
        return ConvertNumber(value);
    }
    if ([value isKindOfClass:[NSArray class]]) {
        return {Variant::FromVariantVector(ToVariantVector(value)), false};
    }
    if ([value isKindOfClass:[NSDictionary class]]) {
        return {Variant::FromVariantMap(ToVariantMap(value)), false};
    }
    if ([value isKindOfClass:[NSNull class]]) {
        return {Variant::FromNull(), false};
    }
    return {};
}

template <typename Keep>
NSMutableDictionary* SplitDictionary(NSDictionary* dictionary, NSDictionary** removed, Keep keep) {
    NSMutableDictionary* kept = [NSMutableDictionary dictionary];
    NSMutableDictionary* dropped = [NSMutableDictionary dictionary];
    for (id key in dictionary) {
        id value = [dictionary objectForKey:key];
        [(keep(key, value) ? kept : dropped) setObject:value forKey:key];
    }
    if (removed != NULL) {
        *removed = dropped;
    }
    return kept;
}

}  // namespace

std::string ToCppString(NSString* string) {
    if (string == nil || [string length] == 0) {
        return "";
    }
    const char* utf8 = [string UTF8String];  // NULL when the string has no UTF-8 form
    return utf8 == NULL ? std::string() : std::string(utf8);
}

NSString* ToNSString(const std::string& string) {
    const std::size_t length = std::strlen(string.c_str());
    if (length == 0) {
        return nil;
    }
    return [[[NSString alloc] initWithBytes:string.data() length:length encoding:NSUTF8StringEncoding]
        autorelease];
}

NSMutableDictionary* CleanDictionary(NSDictionary* dictionary, NSDictionary** removed) {
    return SplitDictionary(dictionary, removed, [](id key, id value) {
        return IsNonEmptyString(key) && [value isKindOfClass:[NSString class]];
    });
}

NSMutableDictionary* CleanDictionaryKeys(NSDictionary* dictionary, NSDictionary** removed) {
    return SplitDictionary(dictionary, removed, [](id key, id) { return IsNonEmptyString(key); });
}

NSMutableArray* CleanArray(NSArray* array, NSArray** removed) {
    NSMutableArray* kept = [NSMutableArray array];
    NSMutableArray* dropped = [NSMutableArray array];
    for (id element in array) {
        [([element isKindOfClass:[NSString class]] ? kept : dropped) addObject:element];
    }
    if (removed != NULL) {
        *removed = dropped;
    }
    return kept;
}

std::map<std::string, std::string> ToStringMap(NSDictionary* dictionary) {
    std::map<std::string, std::string> map;
    for (id key in dictionary) {
        id value = [dictionary objectForKey:key];
        if ([key isKindOfClass:[NSString class]] && [value isKindOfClass:[NSString class]]) {
            map[ToCppString(key)] = ToCppString(value);
        }
    }
    return map;
}

std::vector<std::string> ToStringVector(NSArray* array) {
    std::vector<std::string> strings;
    for (id element in array) {
        if ([element isKindOfClass:[NSString class]]) {
            strings.push_back(ToCppString(element));
        }
    }
    return strings;
}

std::shared_ptr<Variant> ObjCToVariant(id value) {
    Conversion conversion = Convert(value);
    if (conversion.outOfRange) {
        WarnOutOfRange(value, "a value");
    }
    return conversion.variant;
}

std::vector<std::shared_ptr<Variant>> ToVariantVector(NSArray* array) {
    std::vector<std::shared_ptr<Variant>> variants;
    for (id element in array) {
        Conversion conversion = Convert(element);
        if (conversion.outOfRange) {
            WarnOutOfRange(element, "an array element");
        } else {
            variants.push_back(std::move(conversion.variant));
        }
    }
    return variants;
}

std::map<std::string, std::shared_ptr<Variant>> ToVariantMap(NSDictionary* dictionary) {
    std::map<std::string, std::shared_ptr<Variant>> variants;
    for (id key in dictionary) {
        if (![key isKindOfClass:[NSString class]]) {
            continue;
        }
        id value = [dictionary objectForKey:key];
        Conversion conversion = Convert(value);
        if (conversion.outOfRange) {
            WarnOutOfRange(value, "the value under \"" + ToCppString(key) + "\"");
        } else {
            variants[ToCppString(key)] = std::move(conversion.variant);
        }
    }
    return variants;
}

double ToDouble(NSNumber* number) { return [number doubleValue]; }
float ToFloat(NSNumber* number) { return [number floatValue]; }
bool ToBool(NSNumber* number) { return [number boolValue] == YES; }
std::int32_t ToInt32(NSNumber* number) { return [number intValue]; }
std::int64_t ToInt64(NSNumber* number) { return [number longLongValue]; }

id VariantToObjC(const std::shared_ptr<Variant>& variant) {
    if (!variant) {
        return nil;
    }
    switch (variant->GetKind()) {
        case VariantKind::VARIANT_STRING: {
            std::string text;
            variant->GetString(text);
            return ToNSString(text);
        }
        case VariantKind::VARIANT_INTEGER: {
            std::int32_t value = 0;
            variant->GetInteger(value);
            return [NSNumber numberWithInt:value];
        }
        case VariantKind::VARIANT_LONG: {
            std::int64_t value = 0;
            variant->GetLong(value);
            return [NSNumber numberWithLongLong:value];
        }
        case VariantKind::VARIANT_DOUBLE: {
            double value = 0;
            variant->GetDouble(value);
            return [NSNumber numberWithDouble:value];
        }
        case VariantKind::VARIANT_BOOLEAN: {
            bool value = false;
            variant->GetBoolean(value);
            return [NSNumber numberWithBool:value ? YES : NO];
        }
        case VariantKind::VARIANT_VECTOR: {
            std::vector<std::shared_ptr<Variant>> elements;
            variant->GetVariantVector(elements);
            return ToNSArray(elements);
        }
        case VariantKind::VARIANT_MAP: {
            std::map<std::string, std::shared_ptr<Variant>> entries;
            variant->GetVariantMap(entries);
            return ToNSDictionary(entries);
        }
        case VariantKind::VARIANT_NULL:
            return nil;
    }
    return nil;
}

NSMutableArray* ToNSArray(const std::vector<std::shared_ptr<Variant>>& variants) {
    NSMutableArray* array = [NSMutableArray arrayWithCapacity:variants.size()];
    for (const auto& variant : variants) {
        id element = VariantToObjC(variant);
        if (element != nil) {
            [array addObject:element];
        }
    }
    return array;
}

NSMutableArray* ToNSArray(const std::vector<std::string>& strings) {
    NSMutableArray* array = [NSMutableArray arrayWithCapacity:strings.size()];
    for (const auto& string : strings) {
        NSString* element = ToNSString(string);
        if (element != nil) {
            [array addObject:element];
        }
    }
    return array;
}

NSMutableDictionary* ToNSDictionary(const std::map<std::string, std::shared_ptr<Variant>>& variants) {
    NSMutableDictionary* dictionary = [NSMutableDictionary dictionaryWithCapacity:variants.size()];
    for (const auto& [key, variant] : variants) {
        NSString* objcKey = ToNSString(key);
        id value = VariantToObjC(variant);
        if (objcKey != nil && value != nil) {
            [dictionary setObject:value forKey:objcKey];
        }
    }
    return dictionary;
}

NSMutableDictionary* ToNSDictionary(const std::map<std::string, std::string>& strings) {
    NSMutableDictionary* dictionary = [NSMutableDictionary dictionaryWithCapacity:strings.size()];
    for (const auto& [key, string] : strings) {
        NSString* objcKey = ToNSString(key);
        NSString* value = ToNSString(string);
        if (objcKey != nil && value != nil) {
            [dictionary setObject:value forKey:objcKey];
        }
    }
    return dictionary;
}

NSNumber* ToNSNumber(double value) { return [NSNumber numberWithDouble:value]; }
NSNumber* ToNSNumber(int value) { return [NSNumber numberWithInt:value]; }
NSNumber* ToNSNumber(long long value) { return [NSNumber numberWithLongLong:value]; }
NSNumber* ToNSNumber(bool value) { return [NSNumber numberWithBool:value ? YES : NO]; }
NSNumber* ToNSNumber(float value) { return [NSNumber numberWithFloat:value]; }

MobilePrivacyStatus ToMobilePrivacyStatus(NVRMobilePrivacyStatus status) {
    switch (status) {
        case NVRMobilePrivacyStatusOptIn:
            return MobilePrivacyStatus::OPT_IN;
        case NVRMobilePrivacyStatusOptOut:
            return MobilePrivacyStatus::OPT_OUT;
        default:
            return MobilePrivacyStatus::UNKNOWN;
    }
}

NVRMobilePrivacyStatus ToNVRMobilePrivacyStatus(MobilePrivacyStatus status) {
    switch (status) {
        case MobilePrivacyStatus::OPT_IN:
            return NVRMobilePrivacyStatusOptIn;
        case MobilePrivacyStatus::OPT_OUT:
            return NVRMobilePrivacyStatusOptOut;
        default:
            return NVRMobilePrivacyStatusUnknown;
    }
}

LoggingMode ToLoggingMode(NVRMobileLogLevel level) {
    switch (level) {
        case NVRMobileLogLevelWarning:
            return LoggingMode::Warning;
        case NVRMobileLogLevelDebug:
            return LoggingMode::Debug;
        case NVRMobileLogLevelTrace:
            return LoggingMode::Trace;
        default:
            return LoggingMode::Error;
    }
}

NVRMobileLogLevel ToNVRMobileLogLevel(LoggingMode mode) {
    switch (mode) {
        case LoggingMode::Warning:
            return NVRMobileLogLevelWarning;
        case LoggingMode::Debug:
            return NVRMobileLogLevelDebug;
        case LoggingMode::Trace:
            return NVRMobileLogLevelTrace;
        default:
            return NVRMobileLogLevelError;
    }
}

VisitorIdAuthenticationState ToCppVisitorAuthenticationState(NVRMobileVisitorAuthenticationState state) {
    switch (state) {
        case NVRMobileVisitorAuthenticationStateAuthenticated:
            return VisitorIdAuthenticationState::AUTHENTICATED;
        case NVRMobileVisitorAuthenticationStateLoggedOut:
            return VisitorIdAuthenticationState::LOGGED_OUT;
        default:
            return VisitorIdAuthenticationState::UNKNOWN;
    }
}

NVRMobileVisitorAuthenticationState ToObjCVisitorAuthenticationState(VisitorIdAuthenticationState state) {
    switch (state) {
        case VisitorIdAuthenticationState::AUTHENTICATED:
            return NVRMobileVisitorAuthenticationStateAuthenticated;
        case VisitorIdAuthenticationState::LOGGED_OUT:
            return NVRMobileVisitorAuthenticationStateLoggedOut;
        default:
            return NVRMobileVisitorAuthenticationStateUnknown;
    }
}

NSString* StringFromWrapperType(NVRMobileWrapperType wrapperType) {
    return wrapperType == NVRMobileWrapperTypeReactNative ? @"RN" : @"";
}

NSArray* ToNVRMobileVisitorIdArray(const std::vector<std::shared_ptr<VisitorId>>& visitorIds) {
    NSMutableArray* array = [NSMutableArray arrayWithCapacity:visitorIds.size()];
    for (const auto& visitorId : visitorIds) {
        if (!visitorId) {
            continue;
        }
        NVRMobileVisitorId* objcId = [[NVRMobileVisitorId alloc]
            initWithOrigin:ToNSString(visitorId->GetIdOrigin())
                      type:ToNSString(visitorId->GetIdType())
                        id:ToNSString(visitorId->GetId())
            authentication:ToObjCVisitorAuthenticationState(visitorId->GetAuthenticationState())];
        [array addObject:objcId];
        [objcId release];
    }
    return array;
}

NSTimeInterval ToNSTimeInterval(std::int64_t seconds) { return static_cast<NSTimeInterval>(seconds); }

std::int64_t ToSeconds(double seconds) {
    if (!(seconds > static_cast<double>(std::numeric_limits<std::int64_t>::min()) &&
          seconds < static_cast<double>(std::numeric_limits<std::int64_t>::max()))) {
        return seconds > 0 ? std::numeric_limits<std::int64_t>::max()
                           : (seconds < 0 ? std::numeric_limits<std::int64_t>::min() : 0);
    }
    return static_cast<std::int64_t>(seconds);
}

NSString* ToHexFromEncodedData(NSData* data) {
    if (data == nil || [data length] == 0) {
        return nil;
    }
    return ToNSString(BinToHex(static_cast<const unsigned char*>([data bytes]), [data length]));
}

}  // namespace NuvraMobile
