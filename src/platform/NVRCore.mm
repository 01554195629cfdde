#import "platform/NVRCore.h"

#include <functional>
#include <memory>

#include "core/Core.h"
#include "core/values/EventData.h"
#include "externalModule/ExternalModuleInterface.h"
#import "platform/ExtensionClassCalls.h"
#include "platform/MobileMarketingCoreBridge.h"
#import "platform/NVBUrlHandler.h"
#import "platform/NVRDataMarshaller.h"
#import "platform/NVRExtensionBridge.h"
#include "platform/NVRExtensionErrorCodes.h"
#import "platform/NVRNativeLogger.h"
#import "platform/ValueConversions.h"
#include "services/storage/AppInfo.h"
#include "services/storage/ExtensionVersionManager.h"

using namespace NuvraMobile;

NSString* const ANALYTICS_TRACK_ACTION = @"action";
NSString* const ANALYTICS_TRACK_STATE = @"state";
NSString* const ANALYTICS_CONTEXT_DATA = @"contextdata";

namespace {

constexpr const char* LOG_TAG = "NVRCore";

/** The running core; the first call (and the first after a reset) starts the system. */
std::shared_ptr<Core> GetCore() { return MobileMarketingCoreBridge::GetInstance2()->GetCore(); }

/** The string entries of `dictionary`; the others are dropped with one warning that lists them. */
std::map<std::string, std::string> StringEntries(NSDictionary* dictionary, const char* tag, const char* format) {
    NSDictionary* removed = nil;
    NSMutableDictionary* kept = CleanDictionary(dictionary, &removed);
    if ([removed count] > 0) {
        Log::Warning(tag, format, ToCppString([removed description]));
    }
    return ToStringMap(kept);
}

void Track(NSString* key, NSString* name, NSDictionary* contextData) {
    const auto core = GetCore();
    auto data = std::make_shared<EventData>();
    data->PutString(ToCppString(key), ToCppString(name));
    data->PutStringMap(ToCppString(ANALYTICS_CONTEXT_DATA),
                       StringEntries(contextData, "Analytics",
                                     "Context Data requires NSDictionary<NSString*, NSString*>.  Invalid entries "
                                     "have been removed: %s"));
    core->Track(data);
}

bool RefuseNilBlock(id block, const char* selector) {
    if (block != nil) {
        return false;
    }
    Log::Warning(LOG_TAG, "%s was called without a block; nothing was done", std::string(selector));
    return true;
}

/**
 * The error function of an extension call: it runs on the calling thread before the call returns,
 * stores the mapped error and clears the success flag.
 */
Core::ErrorCallback ExtensionErrorFunction(NSError** error, BOOL* succeeded) {
    return [error, succeeded](const SdkError& failure) {
        StoreNVRExtensionError(error, GetNVRExtensionErrorFromErrorCodes(failure.GetCode()), nil);
        *succeeded = NO;
    };
}

}  // namespace

@implementation NVRCore

+ (void)configureWithAppId:(NSString*)appId {
    GetCore()->ConfigureWithAppId(ToCppString(appId));
}

+ (void)configureWithFileInPath:(NSString*)filePath {
    GetCore()->ConfigureWithFileInPath(ToCppString(filePath));
}

+ (void)updateConfiguration:(NSDictionary*)configuration {
    const auto core = GetCore();
    core->UpdateConfiguration(ToVariantMap(configuration));
}

+ (void)setPrivacyStatus:(NVRMobilePrivacyStatus)status {
    GetCore()->SetPrivacyStatus(ToMobilePrivacyStatus(status));
}

+ (void)getPrivacyStatus:(void (^)(NVRMobilePrivacyStatus))callback {
    if (RefuseNilBlock(callback, "getPrivacyStatus:")) {
        return;
    }
    using Block = void (^)(NVRMobilePrivacyStatus);
    GetCore()->GetPrivacyStatus(BlockFunction<MobilePrivacyStatus>(
        callback, [](Block block, MobilePrivacyStatus status) { block(ToNVRMobilePrivacyStatus(status)); }));
}

+ (void)getSdkIdentities:(void (^)(NSString*))callback {
    if (RefuseNilBlock(callback, "getSdkIdentities:")) {
        return;
    }
    using Block = void (^)(NSString*);
    GetCore()->GetSDKIdentities(BlockFunction<const std::string&>(
        callback, [](Block block, const std::string& identities) { block(ToNSString(identities)); }));
}

+ (NSString*)extensionVersion {
    return ToNSString(ExtensionVersionManager::GetSdkVersion());
}

+ (void)setWrapperType:(NVRMobileWrapperType)wrapperType {
    ExtensionVersionManager::SetWrapperType(static_cast<WrapperType>(wrapperType));
}

+ (void)setAppGroup:(NSString*)appGroup {
    AppInfo::SetAppGroup(ToCppString(appGroup));
}

+ (void)setLogLevel:(NVRMobileLogLevel)logLevel {
    Log::SetLogLevel(ToLoggingMode(logLevel));
}

+ (NVRMobileLogLevel)logLevel {
    return ToNVRMobileLogLevel(Log::GetLogLevel());
}

+ (void)log:(NVRMobileLogLevel)logLevel tag:(NSString*)tag message:(NSString*)message {
    if ([tag length] == 0 || [message length] == 0) {
        return;
    }
    GetCore();
    [NVRNativeLogger logWith:ToLoggingMode(logLevel) tag:tag message:message];
}

+ (void)start:(void (^)(void))completionCallback {
    using Block = void (^)(void);
    std::function<void()> callback = [] {};
    if (completionCallback != nil) {
        callback = BlockFunction<>(completionCallback, [](Block block) { block(); });
    }
    GetCore()->Start(callback);
}

+ (void)registerURLHandler:(BOOL (^)(NSString*))callback {
    if (RefuseNilBlock(callback, "registerURLHandler:")) {
        return;
    }
    [[NVBUrlHandler sharedInstance] setHandler:callback];
}

+ (void)collectPii:(NSDictionary*)data {
    const auto core = GetCore();
    core->CollectPii(StringEntries(
        data, "Collect PII", "found invalid entries in PII data, removing (requires <NSString*, NSString*>): %s"));
}

+ (void)lifecycleStart:(NSDictionary*)additionalContextData {
    const auto core = GetCore();
    core->LifecycleStart(StringEntries(
        additionalContextData, "Lifecycle Start",
        "found invalid entries in context data, removing (requires <NSString*, NSString*>): %s"));
}

+ (void)lifecyclePause {
    GetCore()->LifecyclePause();
}

+ (void)setAdvertisingIdentifier:(NSString*)advertisingIdentifier {
    GetCore()->SetAdvertisingIdentifier(ToCppString(advertisingIdentifier));
}

+ (void)setPushIdentifier:(NSData*)deviceToken {
    GetCore()->SetPushIdentifier(ToCppString(ToHexFromEncodedData(deviceToken)));
}

+ (void)trackAction:(NSString*)action data:(NSDictionary*)data {
    Track(ANALYTICS_TRACK_ACTION, action, data);
}

+ (void)trackState:(NSString*)state data:(NSDictionary*)data {
    Track(ANALYTICS_TRACK_STATE, state, data);
}

+ (void)collectLaunchInfo:(NSDictionary*)userInfo {
    const auto core = GetCore();
    NVRDataMarshaller* marshaller = [[[NVRDataMarshaller alloc] init] autorelease];
    core->CollectData(ToVariantMap([[marshaller marshalLaunchInfo:userInfo] getLaunchData]));
}

+ (void)collectMessageInfo:(NSDictionary*)messageInfo {
    const auto core = GetCore();
    NSDictionary* removed = nil;
    NSMutableDictionary* kept = CleanDictionaryKeys(messageInfo, &removed);
    if ([removed count] > 0) {
        Log::Warning("collectMessageInfo",
                     "Message Info dictionary requires non-empty NSString keys.  Invalid entries have been "
                     "removed: %s",
                     ToCppString([removed description]));
    }
    core->CollectData(ToVariantMap(kept));
}

+ (void)downloadRules {
    GetCore()->DownloadRules();
}

+ (BOOL)registerExtension:(Class)extensionClass error:(NSError**)error {
    if (![extensionClass isSubclassOfClass:[NVRExtension class]]) {
        StoreNVRExtensionError(error, NVRExtensionErrorClassNotNVRExtension, nil);
        return NO;
    }
    const auto extension = CreateExternalModuleInterface(extensionClass);
    if (extension->GetModuleName().empty()) {
        StoreNVRExtensionError(error, NVRExtensionErrorBadName, nil);
        return NO;
    }
    BOOL succeeded = YES;
    GetCore()->RegisterExternalModule(extension, ExtensionErrorFunction(error, &succeeded));
    return succeeded;
}

+ (BOOL)dispatchEvent:(NVRExtensionEvent*)event error:(NSError**)error {
    BOOL succeeded = YES;
    GetCore()->DispatchEvent(GetEventFromNVRExtensionEvent(event), ExtensionErrorFunction(error, &succeeded));
    return succeeded;
}

+ (BOOL)dispatchEventWithResponseCallback:(NVRExtensionEvent*)requestEvent
                         responseCallback:(void (^)(NVRExtensionEvent*))responseCallback
                                    error:(NSError**)error {
    using Block = void (^)(NVRExtensionEvent*);
    // Without a block the core refuses the request, so no response is ever handed to nil.
    Core::EventCallback onResponse;
    if (responseCallback != nil) {
        onResponse = BlockFunction<const std::shared_ptr<Event>&>(
            responseCallback,
            [](Block block, const std::shared_ptr<Event>& response) {
                block(CreateNVRExtensionEventFromEvent(response));
            });
    }
    BOOL succeeded = YES;
    GetCore()->DispatchEventWithResponseCallback(GetEventFromNVRExtensionEvent(requestEvent), onResponse,
                                                 ExtensionErrorFunction(error, &succeeded));
    return succeeded;
}

+ (BOOL)dispatchResponseEvent:(NVRExtensionEvent*)responseEvent
                 requestEvent:(NVRExtensionEvent*)requestEvent
                        error:(NSError**)error {
    BOOL succeeded = YES;
    GetCore()->DispatchResponseEvent(GetEventFromNVRExtensionEvent(responseEvent),
                                     GetEventFromNVRExtensionEvent(requestEvent),
                                     ExtensionErrorFunction(error, &succeeded));
    return succeeded;
}

@end
