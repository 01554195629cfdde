#import "platform/NVRIdentity.h"

#include "identity/IdentityPublicApi.h"
#import "platform/ExtensionClassCalls.h"
#import "platform/ValueConversions.h"

using namespace NuvraMobile;

namespace {

constexpr const char* LOG_TAG = "NVRIdentity";

std::shared_ptr<IdentityPublicApi> GetIdentityCore() { return FacadeOverRunningCore<IdentityPublicApi>(); }

}  // namespace

@implementation NVRIdentity

+ (NSString*)extensionVersion {
    return @"2.1.2";
}

+ (void)registerExtension {
    RunPublicCall(LOG_TAG, [] { GetIdentityCore()->RegisterIdentity(); });
}

+ (void)appendToUrl:(NSURL*)baseUrl withCallback:(void (^)(NSURL*))callback {
    NSString* text = [baseUrl isKindOfClass:[NSURL class]] ? [baseUrl absoluteString] : nil;
    if ([text length] == 0) {
        if (callback != nil) {
            callback(baseUrl);
        }
        return;
    }
    using Block = void (^)(NSURL*);
    const auto answer = BlockFunction<const std::string&>(callback, [](Block copied, const std::string& url) {
        NSString* urlText = ToNSString(url);
        copied(urlText == nil ? nil : [NSURL URLWithString:urlText]);
    });
    RunPublicCall(LOG_TAG, [&] { GetIdentityCore()->AppendToUrl(ToCppString(text), answer); });
}

+ (void)getIdentifiers:(void (^)(NSArray*))callback {
    using Block = void (^)(NSArray*);
    const auto answer = BlockFunction<const std::vector<std::shared_ptr<VisitorId>>&>(
        callback, [](Block copied, const std::vector<std::shared_ptr<VisitorId>>& ids) {
            copied(ToNVRMobileVisitorIdArray(ids));
        });
    RunPublicCall(LOG_TAG, [&] { GetIdentityCore()->GetIdentifiers(answer); });
}

+ (void)getSkyloomId:(void (^)(NSString*))callback {
    const auto answer = StringBlockFunction(callback);
    RunPublicCall(LOG_TAG, [&] { GetIdentityCore()->GetSkyloomId(answer); });
}

+ (void)getUrlVariables:(void (^)(NSString*))callback {
    const auto answer = StringBlockFunction(callback);
    RunPublicCall(LOG_TAG, [&] { GetIdentityCore()->GetUrlVariables(answer); });
}

+ (void)syncIdentifier:(NSString*)identifierType
            identifier:(NSString*)identifier
        authentication:(NVRMobileVisitorAuthenticationState)authenticationState {
    RunPublicCall(LOG_TAG, [&] {
        GetIdentityCore()->SyncIdentifier(ToCppString(identifierType), ToCppString(identifier),
                                          ToCppVisitorAuthenticationState(authenticationState));
    });
}

+ (void)syncIdentifiers:(NSDictionary*)identifiers {
    RunPublicCall(LOG_TAG, [&] { GetIdentityCore()->SyncIdentifiers(ToStringMap(identifiers)); });
}

+ (void)syncIdentifiers:(NSDictionary*)identifiers
         authentication:(NVRMobileVisitorAuthenticationState)authenticationState {
    RunPublicCall(LOG_TAG, [&] {
        GetIdentityCore()->SyncIdentifiers(ToStringMap(identifiers),
                                           ToCppVisitorAuthenticationState(authenticationState));
    });
}

@end
