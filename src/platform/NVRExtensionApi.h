#pragma once

#import <Foundation/Foundation.h>

@class NVRExtension;
@class NVRExtensionEvent;

struct NVRExtensionApiState;

/**
 * What an extension uses to talk to the SDK, found in its `api` property: register listener classes,
 * publish and clear its shared state, read any module's shared state, unregister. Every method runs on
 * the caller's thread and reports failure as NO or nil with an NSError in NVRExtensionErrorDomain.
 * After `unregisterExtension` every method answers NO or nil with code 0. Any thread.
 */
@interface NVRExtensionApi : NSObject {
    struct NVRExtensionApiState* _state;
}

/** The listener class must derive NVRExtensionListener; empty names give code 3 (type) or 4 (source). */
- (BOOL)registerListener:(Class)listenerClass
               eventType:(NSString*)eventType
             eventSource:(NSString*)eventSource
                   error:(NSError**)error;
/** A listener that hears every event, responses included. */
- (BOOL)registerWildcardListener:(Class)listenerClass error:(NSError**)error;
/**
 * Publishes the extension's state at the event's number, or at a fresh number without an event. Nil
 * state leaves that version pending; a state that is not JSON (see NVRExtensionEvent) gives code 5.
 */
- (BOOL)setSharedEventState:(NSDictionary*)state event:(NVRExtensionEvent*)event error:(NSError**)error;
- (BOOL)clearSharedEventStates:(NSError**)error;
/** The owner's state valid at the event (the newest without one); nil without error when there is none. */
- (NSDictionary*)getSharedEventState:(NSString*)name event:(NVRExtensionEvent*)event error:(NSError**)error;
- (void)unregisterExtension;

@end
