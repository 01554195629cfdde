#pragma once

#import <Foundation/Foundation.h>

struct NVBUrlHandlerState;

/**
 * The one process-wide holder of the app's URL handler: a block that is offered every URL the SDK is
 * about to open and answers YES when the app has handled it. Set at most once. Any thread.
 */
@interface NVBUrlHandler : NSObject {
    struct NVBUrlHandlerState* _state;
}

+ (instancetype)sharedInstance;

/** Keeps a copy of the handler when none is set; otherwise logs a warning and keeps the first one. */
- (void)setHandler:(BOOL (^)(NSString* url))handler;

/** NO when the app's handler exists and has handled the URL; YES when the URL is still to be opened. */
- (BOOL)continueOpenUrl:(NSString*)url;

@end
