#pragma once

#import <Foundation/Foundation.h>

/**
 * The app's entry to the Lifecycle extension. Launches and pauses are reported through
 * `NVRCore lifecycleStart:` and `NVRCore lifecyclePause`. Class methods only, callable from any thread.
 */
@interface NVRLifecycle : NSObject

/** Never starts the SDK. */
+ (NSString*)extensionVersion;
/** Registers the Lifecycle extension, starting the SDK when it is not running; later calls do nothing. */
+ (void)registerExtension;

@end
