#import "platform/NVRPivora.h"

#include "pivora/PivoraPublicApi.h"
#import "platform/ExtensionClassCalls.h"
#import "platform/PivoraTypeBridge.h"
#import "platform/ValueConversions.h"

using namespace NuvraMobile;

namespace {

constexpr const char* LOG_TAG = "NVRPivora";
NSString* const ERROR_DOMAIN = @"com.nuvra.pivora";
constexpr NSInteger ERROR_CODE = -47;

std::shared_ptr<PivoraPublicApi> GetPivoraCore() { return FacadeOverRunningCore<PivoraPublicApi>(); }

/** The string entries under non-empty string keys; the others are dropped with one warning naming them. */
NSDictionary* CleanWithWarning(NSDictionary* dictionary, const char* tag, const char* what) {
    NSDictionary* removed = nil;
    NSDictionary* kept =
        CleanDictionary([dictionary isKindOfClass:[NSDictionary class]] ? dictionary : nil, &removed);
    if ([removed count] > 0) {
        Log::Warning(tag,
                     "found invalid entries in %s parameters, removing (requires <NSString*, NSString*>): %s",
                     std::string(what), ToCppString([removed description]));
    }
    return kept;
}

bool HasName(id object) {
    if (![object isKindOfClass:[NVRPivoraPrefetchObject class]]) {
        return false;
    }
    NSString* name = [object name];
    return [name isKindOfClass:[NSString class]] && [name length] > 0;
}

NSArray* ArrayOrNil(NSArray* array) { return [array isKindOfClass:[NSArray class]] ? array : nil; }

}  // namespace

@implementation NVRPivora

+ (NSString*)extensionVersion {
    return @"2.1.4";
}

+ (void)registerExtension {
    RunPublicCall(LOG_TAG, [] { GetPivoraCore()->RegisterPivora(); });
}

+ (void)prefetchContent:(NSArray*)prefetchObjects
    withProfileParameters:(NSDictionary*)profileParameters
                 callback:(void (^)(BOOL))callback {
    NSDictionary* profile = CleanWithWarning(profileParameters, "Pivora Prefetch", "profile");
    NVRPivoraParameters* parameters = nil;
    if ([profile count] > 0) {
        parameters = [NVRPivoraParameters pivoraParametersWithParameters:nil
                                                       profileParameters:profile
                                                                 product:nil
                                                                   order:nil];
    }
    void (^onError)(NSError*) = nil;
    if (callback != nil) {
        onError = ^(NSError* error) {
          callback(error == nil);
        };
    }
    [self prefetchContent:prefetchObjects withParameters:parameters callback:onError];
}

+ (void)prefetchContent:(NSArray*)prefetchObjects
         withParameters:(NVRPivoraParameters*)parameters
               callback:(void (^)(NSError*))callback {
    using Block = void (^)(NSError*);
    const auto answer = BlockFunction<const std::string&>(callback, [](Block copied,
                                                                       const std::string& failure) {
        NSString* text = ToNSString(failure);
        copied(text == nil
                   ? nil
                   : [NSError errorWithDomain:ERROR_DOMAIN
                                         code:ERROR_CODE
                                     userInfo:[NSDictionary dictionaryWithObject:text
                                                                          forKey:NSLocalizedDescriptionKey]]);
    });
    RunPublicCall(LOG_TAG, [&] {
        std::vector<std::shared_ptr<PivoraPrefetch>> prefetches;
        for (id object in ArrayOrNil(prefetchObjects)) {
            if (HasName(object)) {
                prefetches.push_back(ToPivoraPrefetch(object));
            }
        }
        GetPivoraCore()->PivoraPrefetchContent(prefetches, ToCppPivoraParameters(parameters), answer);
    });
}

+ (void)loadRequests:(NSArray*)requests withProfileParameters:(NSDictionary*)profileParameters {
    NSDictionary* profile = CleanWithWarning(profileParameters, "Pivora Request", "profile");
    NSDictionary* compatibility = [NSDictionary dictionaryWithObject:@"__oldPivoraSdkApiCompatParam__"
                                                              forKey:@"__oldPivoraSdkApiCompatParam__"];
    [self retrieveLocationContent:requests
                   withParameters:[NVRPivoraParameters pivoraParametersWithParameters:compatibility
                                                                    profileParameters:profile
                                                                              product:nil
                                                                                order:nil]];
}

+ (void)retrieveLocationContent:(NSArray*)requests withParameters:(NVRPivoraParameters*)parameters {
    RunPublicCall(LOG_TAG, [&] {
        std::vector<std::shared_ptr<PivoraRequest>> kept;
        for (id object in ArrayOrNil(requests)) {
            if (![object isKindOfClass:[NVRPivoraRequestObject class]]) {
                continue;
            }
            if (HasName(object)) {
                kept.push_back(ToPivoraRequest(object));
                continue;
            }
            // Nothing can be asked for a location without a name: it gets its default at once.
            void (^callback)(NSString*) = [object callback];
            if (callback != nil) {
                callback([object defaultContent]);
            }
        }
        GetPivoraCore()->PivoraGetLocationContent(kept, ToCppPivoraParameters(parameters));
    });
}

+ (void)locationsDisplayed:(NSArray*)mboxNames withPivoraParameters:(NVRPivoraParameters*)parameters {
    RunPublicCall(LOG_TAG, [&] {
        std::vector<std::shared_ptr<Variant>> names;
        for (const auto& name : ToVariantVector(ArrayOrNil(mboxNames))) {
            if (name) {
                names.push_back(name);
            }
        }
        GetPivoraCore()->PivoraLocationsDisplayed(names, ToCppPivoraParameters(parameters));
    });
}

+ (void)locationClickedWithName:(NSString*)name
                 mboxParameters:(NSDictionary*)mboxParameters
              productParameters:(NSDictionary*)productParameters
                orderParameters:(NSDictionary*)orderParameters
              profileParameters:(NSDictionary*)profileParameters {
    const char* tag = "Pivora Location Clicked";
    NSDictionary* mbox = CleanWithWarning(mboxParameters, tag, "mbox");
    NSDictionary* product = CleanWithWarning(productParameters, tag, "product");
    NSDictionary* profile = CleanWithWarning(profileParameters, tag, "profile");
    NVRPivoraParameters* parameters = [NVRPivoraParameters
        pivoraParametersWithParameters:mbox
                     profileParameters:profile
                               product:[NVRTypeBridgePivora productFromDictionary:product]
                                 order:[NVRTypeBridgePivora orderFromDictionary:orderParameters]];
    [self locationClickedWithName:name pivoraParameters:parameters];
}

+ (void)locationClickedWithName:(NSString*)name pivoraParameters:(NVRPivoraParameters*)parameters {
    RunPublicCall(LOG_TAG, [&] {
        GetPivoraCore()->PivoraLocationClicked(ToCppString(name), ToCppPivoraParameters(parameters));
    });
}

+ (void)clearPrefetchCache {
    RunPublicCall(LOG_TAG, [] { GetPivoraCore()->PivoraClearPrefetchCache(); });
}

+ (void)resetExperience {
    RunPublicCall(LOG_TAG, [] { GetPivoraCore()->PivoraResetExperience(); });
}

+ (void)getThirdPartyId:(void (^)(NSString*))callback {
    const auto answer = StringBlockFunction(callback);
    RunPublicCall(LOG_TAG, [&] { GetPivoraCore()->PivoraGetThirdPartyId(answer); });
}

+ (void)getQtxId:(void (^)(NSString*))callback {
    const auto answer = StringBlockFunction(callback);
    RunPublicCall(LOG_TAG, [&] { GetPivoraCore()->PivoraGetQtxId(answer); });
}

+ (void)setThirdPartyId:(NSString*)thirdPartyId {
    RunPublicCall(LOG_TAG, [&] { GetPivoraCore()->PivoraSetThirdPartyId(ToCppString(thirdPartyId)); });
}

+ (void)setPreviewRestartDeeplink:(NSURL*)deeplink {
    NSString* text = [deeplink isKindOfClass:[NSURL class]] ? [deeplink absoluteString] : nil;
    RunPublicCall(LOG_TAG, [&] { GetPivoraCore()->PivoraSetPreviewRestartDeepLink(ToCppString(text)); });
}

@end
