#import "platform/NVRExtensionApi.h"

#include <functional>
#include <memory>
#include <mutex>

#include "externalModule/ExternalModuleServicesInterface.h"
#import "platform/NVRExtension.h"
#import "platform/NVRExtensionBridge.h"
#include "platform/NVRExtensionErrorCodes.h"
#import "platform/NVRExtensionListener.h"
#import "platform/ValueConversions.h"
#include "util/Log.h"
#include "util/Mutex.h"

using namespace NuvraMobile;

/** Guarded, because `unregisterExtension` may run while another thread calls the api. */
struct NVRExtensionApiState {
    Mutex mutex;
    NVRExtension* extension NVR_GUARDED_BY(mutex) = nil;
    std::shared_ptr<ExternalModuleServicesInterface> services NVR_GUARDED_BY(mutex);
};

namespace {

constexpr const char* LOG_TAG = "NVRExtensionApi";

BOOL Refuse(NSError** error, long code) {
    StoreNVRExtensionError(error, code, nil);
    return NO;
}

/** Runs `call`; a thrown core error gives NO and the mapped error. */
BOOL Call(NSError** error, const std::function<void()>& call) {
    long code = 0;
    if (CallMappingErrors(call, code)) {
        return YES;
    }
    return Refuse(error, code);
}

/** The JSON text of a state, or nil with the error stored; "" (a pending state) for nil. */
NSString* StateAsJson(NSDictionary* state, NSError** error) {
    if (state == nil) {
        return @"";
    }
    NSError* writeError = nil;
    NSData* json = nil;
    if (IsJsonObjectGraph(state)) {
        json = [NSJSONSerialization dataWithJSONObject:state
                                               options:NSJSONWritingPrettyPrinted
                                                 error:&writeError];
    } else {
        writeError =
            [NSError errorWithDomain:NVRExtensionErrorDomain
                                code:NVRExtensionErrorEventDataNotSupported
                            userInfo:[NSDictionary dictionaryWithObject:@"The state is not a JSON object."
                                                                 forKey:NSLocalizedDescriptionKey]];
    }
    if (json == nil) {
        NSDictionary* userInfo = writeError != nil ? [NSDictionary dictionaryWithObject:writeError
                                                                                 forKey:NSUnderlyingErrorKey]
                                                   : nil;
        StoreNVRExtensionError(error, NVRExtensionErrorEventDataNotSupported, userInfo);
        return nil;
    }
    return [[[NSString alloc] initWithData:json encoding:NSUTF8StringEncoding] autorelease];
}

}  // namespace

@implementation NVRExtensionApi

+ (instancetype)initWithExtension:(NVRExtension*)extension
                     withServices:(const std::shared_ptr<ExternalModuleServicesInterface>&)services {
    NVRExtensionApi* api = [[[self alloc] init] autorelease];
    if (api != nil) {
        api->_state = new NVRExtensionApiState;
        MutexLock lock(api->_state->mutex);
        api->_state->extension = [extension retain];
        api->_state->services = services;
    }
    return api;
}

- (void)dealloc {
    if (_state != nullptr) {
        {
            MutexLock lock(_state->mutex);
            [_state->extension release];
        }
        delete _state;
    }
    [super dealloc];
}

/** The services, or none once unregistered (the caller then answers with code 0). */
- (std::shared_ptr<ExternalModuleServicesInterface>)services {
    if (_state == nullptr) {
        return nullptr;
    }
    MutexLock lock(_state->mutex);
    return _state->services;
}

/** The services and the extension, both held by the caller, or nil once unregistered. */
- (NVRExtension*)retainedExtension:(std::shared_ptr<ExternalModuleServicesInterface>&)services {
    if (_state == nullptr) {
        return nil;
    }
    MutexLock lock(_state->mutex);
    services = _state->services;
    return [_state->extension retain];
}

- (BOOL)registerListener:(Class)listenerClass
                  toward:(const std::function<void(ExternalModuleServicesInterface&,
                                                   const std::shared_ptr<ExternalModuleListenerInterface>&)>&)
                             registerWith
                   error:(NSError**)error {
    if (![listenerClass isSubclassOfClass:[NVRExtensionListener class]]) {
        Log::Warning(LOG_TAG,
                     "A listener must be a subclass of NVRExtensionListener; nothing was registered");
        return Refuse(error, NVRExtensionErrorUnknown);
    }
    std::shared_ptr<ExternalModuleServicesInterface> services;
    NVRExtension* extension = [self retainedExtension:services];
    BOOL registered = NO;
    if (services) {
        registered = Call(error, [&] {
            registerWith(*services, CreateExternalModuleListenerInterface(extension, listenerClass));
        });
    } else {
        Refuse(error, NVRExtensionErrorUnknown);
    }
    [extension release];
    return registered;
}

- (BOOL)registerListener:(Class)listenerClass
               eventType:(NSString*)eventType
             eventSource:(NSString*)eventSource
                   error:(NSError**)error {
    if ([eventType length] == 0) {
        return Refuse(error, NVRExtensionErrorEventTypeNotSupported);
    }
    if ([eventSource length] == 0) {
        return Refuse(error, NVRExtensionErrorEventSourceNotSupported);
    }
    const std::string type = ToCppString(eventType);
    const std::string source = ToCppString(eventSource);
    return [self registerListener:listenerClass
                           toward:[&](ExternalModuleServicesInterface& services,
                                      const std::shared_ptr<ExternalModuleListenerInterface>& listener) {
                               services.RegisterListener(listener, type, source);
                           }
                            error:error];
}

- (BOOL)registerWildcardListener:(Class)listenerClass error:(NSError**)error {
    return [self registerListener:listenerClass
                           toward:[](ExternalModuleServicesInterface& services,
                                     const std::shared_ptr<ExternalModuleListenerInterface>& listener) {
                               services.RegisterWildcardListener(listener);
                           }
                            error:error];
}

- (BOOL)setSharedEventState:(NSDictionary*)state event:(NVRExtensionEvent*)event error:(NSError**)error {
    const auto services = [self services];
    if (!services) {
        return Refuse(error, NVRExtensionErrorUnknown);
    }
    NSString* json = StateAsJson(state, error);
    if (json == nil) {
        return NO;
    }
    const auto coreEvent = GetEventFromNVRExtensionEvent(event);
    return Call(error, [&] { services->SetSharedEventState(ToCppString(json), coreEvent); });
}

- (BOOL)clearSharedEventStates:(NSError**)error {
    const auto services = [self services];
    if (!services) {
        return Refuse(error, NVRExtensionErrorUnknown);
    }
    return Call(error, [&] { services->ClearSharedEventStates(); });
}

- (NSDictionary*)getSharedEventState:(NSString*)name event:(NVRExtensionEvent*)event error:(NSError**)error {
    const auto services = [self services];
    if (!services) {
        Refuse(error, NVRExtensionErrorUnknown);
        return nil;
    }
    std::shared_ptr<std::string> text;
    const auto coreEvent = GetEventFromNVRExtensionEvent(event);
    if (!Call(error, [&] { text = services->GetSharedEventState(ToCppString(name), coreEvent); })) {
        return nil;
    }
    NSData* json = text ? [ToNSString(*text) dataUsingEncoding:NSUTF8StringEncoding] : nil;
    if (json == nil) {
        return nil;
    }
    NSError* readError = nil;
    id state = [NSJSONSerialization JSONObjectWithData:json
                                               options:NSJSONReadingMutableContainers
                                                 error:&readError];
    if (![state isKindOfClass:[NSDictionary class]]) {
        NSDictionary* userInfo = readError != nil ? [NSDictionary dictionaryWithObject:readError
                                                                                forKey:NSUnderlyingErrorKey]
                                                  : nil;
        StoreNVRExtensionError(error, NVRExtensionErrorEventDataNotSupported, userInfo);
        return nil;
    }
    return state;
}

- (void)unregisterExtension {
    if (_state == nullptr) {
        return;
    }
    std::shared_ptr<ExternalModuleServicesInterface> services;
    NVRExtension* extension = nil;
    {
        MutexLock lock(_state->mutex);
        services.swap(_state->services);
        extension = _state->extension;
        _state->extension = nil;
    }
    if (services) {
        long ignored = 0;
        CallMappingErrors([&] { services->UnregisterModule(); }, ignored);
    }
    // Last: the extension may hold the only reference to this api.
    [extension release];
}

@end
