#pragma once

// Conversions between Foundation values and the core's values, used by every public class. None keeps
// state or takes a lock. Nil or empty strings become the empty string and the empty string becomes nil.

#import <Foundation/Foundation.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#import "platform/NVRMobileTypes.h"
#include "core/values/Variant.h"
#include "shared/MobilePrivacyStatus.h"
#include "shared/VisitorId.h"
#include "shared/VisitorIdAuthenticationState.h"
#include "util/Log.h"

namespace NuvraMobile {

// Strings.

/** The UTF-8 bytes up to the first NUL; nil, empty and a string without a UTF-8 form give "". */
std::string ToCppString(NSString* string);
/** The text up to the first NUL as a string; "" and text that is not valid UTF-8 give nil. */
NSString* ToNSString(const std::string& string);

// Cleaning: each returns the kept entries as a new mutable collection and, when `removed` is given,
// stores there a new collection of the entries it dropped. The input is not changed.

/** Keeps entries with a non-empty string key and a string value (an empty string value stays). */
NSMutableDictionary* CleanDictionary(NSDictionary* dictionary, NSDictionary** removed);
/** Keeps entries with a non-empty string key, whatever the value. */
NSMutableDictionary* CleanDictionaryKeys(NSDictionary* dictionary, NSDictionary** removed);
/** Keeps the string elements, in order. */
NSMutableArray* CleanArray(NSArray* array, NSArray** removed);

// Foundation to core.

/** The entries whose key and value are strings; others are skipped. Nil gives an empty map. */
std::map<std::string, std::string> ToStringMap(NSDictionary* dictionary);
/** The string elements, in order; other elements are skipped. */
std::vector<std::string> ToStringVector(NSArray* array);
/**
 * A variant of the value: strings, booleans (recognised by class, before the number type), 32-bit and
 * smaller integers as integers, 64-bit integers as longs, floating numbers as doubles, arrays,
 * dictionaries and NSNull. Anything else (nil, chars, dates, data...) gives an empty pointer. A 64-bit
 * integer beyond plus or minus (2^53 - 1) gives an empty pointer and a warning; inside an array or a
 * dictionary it is dropped from its container with a warning.
 */
std::shared_ptr<Variant> ObjCToVariant(id value);
/** The elements converted in order; one that does not convert is an empty slot. */
std::vector<std::shared_ptr<Variant>> ToVariantVector(NSArray* array);
/** The entries under string keys, converted; a value that does not convert is an empty slot. */
std::map<std::string, std::shared_ptr<Variant>> ToVariantMap(NSDictionary* dictionary);

double ToDouble(NSNumber* number);
float ToFloat(NSNumber* number);
bool ToBool(NSNumber* number);
std::int32_t ToInt32(NSNumber* number);
std::int64_t ToInt64(NSNumber* number);

// Core to Foundation (autoreleased results).

/** Nil for an empty pointer, a null variant and the empty string. */
id VariantToObjC(const std::shared_ptr<Variant>& variant);
NSMutableArray* ToNSArray(const std::vector<std::shared_ptr<Variant>>& variants);
NSMutableArray* ToNSArray(const std::vector<std::string>& strings);
/** A value that converts to nil leaves its key absent. */
NSMutableDictionary* ToNSDictionary(const std::map<std::string, std::shared_ptr<Variant>>& variants);
/** An empty value leaves its key absent. */
NSMutableDictionary* ToNSDictionary(const std::map<std::string, std::string>& strings);
NSNumber* ToNSNumber(double value);
NSNumber* ToNSNumber(int value);
NSNumber* ToNSNumber(long long value);
NSNumber* ToNSNumber(bool value);
NSNumber* ToNSNumber(float value);

// Enums and small values.

MobilePrivacyStatus ToMobilePrivacyStatus(NVRMobilePrivacyStatus status);
NVRMobilePrivacyStatus ToNVRMobilePrivacyStatus(MobilePrivacyStatus status);
LoggingMode ToLoggingMode(NVRMobileLogLevel level);
NVRMobileLogLevel ToNVRMobileLogLevel(LoggingMode mode);
VisitorIdAuthenticationState ToCppVisitorAuthenticationState(NVRMobileVisitorAuthenticationState state);
NVRMobileVisitorAuthenticationState ToObjCVisitorAuthenticationState(VisitorIdAuthenticationState state);
/** "RN" for the one named wrapper, "" for any other type. */
NSString* StringFromWrapperType(NVRMobileWrapperType wrapperType);
/** One NVRMobileVisitorId per visitor id, in order; empty pointers are skipped. */
NSArray* ToNVRMobileVisitorIdArray(const std::vector<std::shared_ptr<VisitorId>>& visitorIds);
NSTimeInterval ToNSTimeInterval(std::int64_t seconds);
/** Whole seconds, truncated toward zero. */
std::int64_t ToSeconds(double seconds);

/** Two upper-case hexadecimal digits per byte; nil or empty data give nil. */
NSString* ToHexFromEncodedData(NSData* data);

}  // namespace NuvraMobile

namespace NuvraMarketingMobile = NuvraMobile;
