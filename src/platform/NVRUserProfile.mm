#import "platform/NVRUserProfile.h"

#import "platform/ExtensionClassCalls.h"
#import "platform/ValueConversions.h"
#include "userprofile/UserProfilePublicApi.h"

using namespace NuvraMobile;

namespace {

constexpr const char* LOG_TAG = "NVRUserProfile";

std::shared_ptr<UserProfilePublicApi> GetUserProfileCore() {
    return FacadeOverRunningCore<UserProfilePublicApi>();
}

/** The converted entries; one whose value has no form in the core is left out with a warning. */
UserProfilePublicApi::VariantMap AttributesOf(NSDictionary* attributes) {
    auto converted = ToVariantMap(attributes);
    for (auto entry = converted.begin(); entry != converted.end();) {
        if (entry->second) {
            ++entry;
            continue;
        }
        Log::Warning(LOG_TAG,
                     "Left out the attribute \"%s\": its value is not a string, number, array, dictionary "
                     "or NSNull",
                     entry->first);
        entry = converted.erase(entry);
    }
    return converted;
}

}  // namespace

@implementation NVRUserProfile

+ (NSString*)extensionVersion {
    return @"2.0.1";
}

+ (void)registerExtension {
    RunPublicCall(LOG_TAG, [] { GetUserProfileCore()->RegisterUserProfile(); });
}

+ (void)removeUserAttribute:(NSString*)key {
    RunPublicCall(LOG_TAG, [&] { GetUserProfileCore()->RemoveUserAttribute(ToCppString(key)); });
}

+ (void)updateUserAttribute:(NSString*)key withValue:(NSString*)value {
    RunPublicCall(LOG_TAG,
                  [&] { GetUserProfileCore()->UpdateUserAttribute(ToCppString(key), ToCppString(value)); });
}

+ (void)updateUserAttributes:(NSDictionary*)attributes {
    RunPublicCall(LOG_TAG, [&] { GetUserProfileCore()->UpdateUserAttributes(AttributesOf(attributes)); });
}

@end
