#pragma once

// The glue between the public extension classes and the core's extension interfaces: the wrappers that
// put an app's extension and listener classes behind the core's interfaces, and the conversions of
// api and event objects. Any thread; results are autoreleased.

#import <Foundation/Foundation.h>

#include <memory>

#import "platform/NVRExtension.h"
#import "platform/NVRExtensionApi.h"
#import "platform/NVRExtensionEvent.h"

namespace NuvraMobile {

class Event;
class ExternalModuleInterface;
class ExternalModuleListenerInterface;
class ExternalModuleServicesInterface;
class JsonUtilityServiceInterface;

/**
 * Wraps an NVRExtension subclass: allocates (without initialising) its one instance now, to answer
 * the module name; initialises it when the module registers and releases it when the module
 * unregisters, or when the wrapper ends without that (a refused registration).
 */
std::shared_ptr<ExternalModuleInterface> CreateExternalModuleInterface(Class extensionClass);
/** Wraps an NVRExtensionListener subclass; the listener instance exists while it is registered. */
std::shared_ptr<ExternalModuleListenerInterface> CreateExternalModuleListenerInterface(
    NVRExtension* extension, Class listenerClass);

NVRExtensionApi* CreateNVRExtensionApiFromExternalModuleServicesInterface(
    NVRExtension* extension, const std::shared_ptr<ExternalModuleServicesInterface>& services);
NVRExtensionEvent* CreateNVRExtensionEventFromEvent(const std::shared_ptr<Event>& event);
/** The core event; empty for nil. */
std::shared_ptr<Event> GetEventFromNVRExtensionEvent(NVRExtensionEvent* event);

/** A new error in NVRExtensionErrorDomain with the code and, when given, the user info. */
NSError* NVRExtensionErrorWithCode(long code, NSDictionary* userInfo);
/** Stores a new error with the code where `error` points, when it points anywhere. */
void StoreNVRExtensionError(NSError** error, long code, NSDictionary* userInfo);

/**
 * True when `value` is a dictionary that the JSON writer renders faithfully: string keys, and values
 * that are dictionaries, arrays, strings, finite numbers or NSNull all the way down. The writer's own
 * check passes dates and non-finite numbers, which it then writes as broken text.
 */
bool IsJsonObjectGraph(id value);

}  // namespace NuvraMobile

@interface NVRExtensionApi (Internal)
+ (instancetype)initWithExtension:(NVRExtension*)extension
                     withServices:
                         (const std::shared_ptr<NuvraMobile::ExternalModuleServicesInterface>&)services;
@end

@interface NVRExtensionEvent (Internal)
+ (instancetype)newInternal:(const std::shared_ptr<NuvraMobile::Event>&)event
     withJsonUtilityService:
         (const std::shared_ptr<NuvraMobile::JsonUtilityServiceInterface>&)jsonUtilityService;
- (std::shared_ptr<NuvraMobile::Event>)getInternalEvent;
@end
