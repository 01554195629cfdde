#pragma once

#import <Foundation/Foundation.h>

/**
 * The app's entry to the Signal extension, which sends the postbacks and personal-information requests
 * that rules ask for. Class methods only, callable from any thread.
 */
@interface NVRSignal : NSObject

/** Never starts the SDK. */
+ (NSString*)extensionVersion;
/** Registers the Signal extension, starting the SDK when it is not running; later calls do nothing. */
+ (void)registerExtension;

@end
