#pragma once

#import <Foundation/Foundation.h>

/**
 * The app's entry to the User profile extension: a persisted map of user attributes. Class methods
 * only, callable from any thread; each but `extensionVersion` starts the SDK when it is not running and
 * returns once its request is queued, before the change is stored.
 */
@interface NVRUserProfile : NSObject

+ (NSString*)extensionVersion;
/** Registers the User profile extension; later calls do nothing. */
+ (void)registerExtension;

/** A nil key is sent as the empty one, which the extension ignores. */
+ (void)removeUserAttribute:(NSString*)key;
/** Stores the text as it is; a nil or empty value removes the attribute. */
+ (void)updateUserAttribute:(NSString*)key withValue:(NSString*)value;
/**
 * Strings, numbers, booleans, arrays and dictionaries are stored as such and NSNull removes its key.
 * Values of any other kind are left out with a warning, entries under keys that are not strings silently.
 */
+ (void)updateUserAttributes:(NSDictionary*)attributes;

@end
