#pragma once

#import <Foundation/Foundation.h>

struct NVRExtensionEventState;

/**
 * An event of the extension API: made by the app to dispatch through NVRCore, or handed to the app's
 * listeners and response blocks. Data crosses into the SDK as JSON: dictionaries, arrays, strings,
 * finite numbers, booleans and NSNull. Immutable; any thread.
 */
@interface NVRExtensionEvent : NSObject {
    struct NVRExtensionEventState* _state;
}

/**
 * A new event, or nil with error code 5 when `data` is not a JSON object of the values above (a
 * warning then names the event) or the SDK cannot build the event. Nil data gives empty data.
 */
+ (instancetype)extensionEventWithName:(NSString*)name
                                  type:(NSString*)type
                                source:(NSString*)source
                                  data:(NSDictionary*)data
                                 error:(NSError**)error;

- (NSString*)eventName;
- (NSString*)eventType;
- (NSString*)eventSource;
/** The data as new mutable containers; an empty dictionary for empty data, nil when unreadable. */
- (NSDictionary*)eventData;

@end
