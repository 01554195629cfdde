#import "platform/NVRExtensionEvent.h"

#include <memory>
#include <string>

#include "core/values/Event.h"
#include "externalModule/ExternalModuleBridge.h"
#import "platform/NVRExtensionBridge.h"
#include "platform/NVRExtensionErrorCodes.h"
#import "platform/ValueConversions.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "services/json/NativeJsonUtilityService.h"
#include "util/Log.h"

using namespace NuvraMobile;

struct NVRExtensionEventState {
    std::shared_ptr<Event> event;
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService;
};

namespace {

constexpr const char* LOG_TAG = "NVRExtensionEvent";

/** The data as compact JSON text; "" (no data) for nil, nil when the writer fails. */
NSString* DataAsJson(NSDictionary* data, NSError** error) {
    if (data == nil) {
        return @"";
    }
    NSData* json = [NSJSONSerialization dataWithJSONObject:data options:0 error:error];
    if (json == nil) {
        return nil;
    }
    return [[[NSString alloc] initWithData:json encoding:NSUTF8StringEncoding] autorelease];
}

}  // namespace

@implementation NVRExtensionEvent

+ (instancetype)extensionEventWithName:(NSString*)name
                                  type:(NSString*)type
                                source:(NSString*)source
                                  data:(NSDictionary*)data
                                 error:(NSError**)error {
    if (data != nil && !IsJsonObjectGraph(data)) {
        NSString* message = [NSString
            stringWithFormat:
                @"An error occurred creating ExtensionEvent '%@'. Given data object does not conform "
                @"to NSJSONSerialization.",
                name];
        Log::Warning(LOG_TAG, "%s", ToCppString(message));
        StoreNVRExtensionError(error, NVRExtensionErrorEventDataNotSupported,
                               [NSDictionary dictionaryWithObject:message forKey:NSLocalizedDescriptionKey]);
        return nil;
    }
    NSString* json = DataAsJson(data, error);
    if (json == nil) {
        return nil;
    }
    const auto jsonUtilityService = CreateNativeJsonUtilityService();
    std::shared_ptr<Event> event;
    long ignored = 0;
    CallMappingErrors(
        [&] {
            event = CreateBroadcastEvent(jsonUtilityService, ToCppString(name), ToCppString(type),
                                         ToCppString(source), ToCppString(json));
        },
        ignored);
    if (!event) {
        // Never an event object that holds no event.
        StoreNVRExtensionError(error, NVRExtensionErrorEventDataNotSupported, nil);
        return nil;
    }
    return [[self newInternal:event withJsonUtilityService:jsonUtilityService] autorelease];
}

+ (instancetype)newInternal:(const std::shared_ptr<Event>&)event
     withJsonUtilityService:(const std::shared_ptr<JsonUtilityServiceInterface>&)jsonUtilityService {
    NVRExtensionEvent* extensionEvent = [[self alloc] init];
    if (extensionEvent != nil) {
        extensionEvent->_state = new NVRExtensionEventState{event, jsonUtilityService};
    }
    return extensionEvent;
}

- (void)dealloc {
    delete _state;
    [super dealloc];
}

- (std::shared_ptr<Event>)getInternalEvent {
    return _state != nullptr ? _state->event : nullptr;
}

- (NSString*)eventName {
    const auto event = [self getInternalEvent];
    return event ? ToNSString(event->GetName()) : nil;
}

- (NSString*)eventType {
    const auto event = [self getInternalEvent];
    return event ? ToNSString(GetEventTypeAsString(event)) : nil;
}

- (NSString*)eventSource {
    const auto event = [self getInternalEvent];
    return event ? ToNSString(GetEventSourceAsString(event)) : nil;
}

- (NSDictionary*)eventData {
    const auto event = [self getInternalEvent];
    if (!event || !event->GetData()) {
        return nil;
    }
    NSData* json = [ToNSString(GetEventDataAsString(event, _state->jsonUtilityService))
        dataUsingEncoding:NSUTF8StringEncoding];
    if (json == nil) {
        return nil;
    }
    NSError* readError = nil;
    id data = [NSJSONSerialization JSONObjectWithData:json
                                              options:NSJSONReadingMutableContainers
                                                error:&readError];
    if (data == nil) {
        Log::Warning(LOG_TAG, "An error occurred retrieving eventData: %s",
                     ToCppString([readError localizedDescription]));
    }
    return data;
}

@end
