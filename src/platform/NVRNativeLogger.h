#pragma once

#import <Foundation/Foundation.h>

#include "util/Log.h"

/**
 * The console logger's face for Objective-C: the console lines of the core's logging service and the
 * app's own lines from NVRCore. Class methods only, no state; any thread.
 */
@interface NVRNativeLogger : NSObject

/**
 * Writes "[NuvraMobileSDK <LEVEL> <tag>]: message" to the console when a logging service is installed
 * and the current log level admits the line.
 */
+ (void)logWith:(NuvraMobile::LoggingMode)level tag:(NSString*)tag message:(NSString*)message;

/** The console line for the levels error to trace (an empty tag or message shows as "(null)"); nil for
 * any other level. */
+ (NSString*)logFormat:(NuvraMobile::LoggingMode)level tag:(NSString*)tag message:(NSString*)message;

@end
