#pragma once

#import <Foundation/Foundation.h>

/**
 * The app's side of the one process-wide URL handler: the block the app sets is offered every URL the
 * SDK is about to open (the UI service's own URL handler asks it first) and answers YES when the app has
 * handled it. Set at most once. Any thread.
 */
@interface NVBUrlHandler : NSObject

+ (instancetype)sharedInstance;

/** Hands a copy of the handler to the SDK's URL handler when none is set; otherwise it logs a warning. */
- (void)setHandler:(BOOL (^)(NSString* url))handler;

/** NO when the app's handler exists and has handled the URL; YES when the URL is still to be opened. */
- (BOOL)continueOpenUrl:(NSString*)url;

@end
