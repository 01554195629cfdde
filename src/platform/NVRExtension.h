#pragma once

#import <Foundation/Foundation.h>

@class NVRExtensionApi;

/** The domain of every error the extension classes report. */
extern NSString* const NVRExtensionErrorDomain;

/** The codes of errors in NVRExtensionErrorDomain. */
typedef NS_ENUM(NSInteger, NVRExtensionError) {
    NVRExtensionErrorUnknown = 0,
    NVRExtensionErrorBadName = 1,
    NVRExtensionErrorDuplicateName = 2,
    NVRExtensionErrorEventTypeNotSupported = 3,
    NVRExtensionErrorEventSourceNotSupported = 4,
    NVRExtensionErrorEventDataNotSupported = 5,
    NVRExtensionErrorClassNotNVRExtension = 6,
    NVRExtensionErrorEventNull = 7,
};

/**
 * The base of an app's own extension: subclass it, return a constant non-empty `name`, and register
 * the class with `NVRCore registerExtension:error:`. The SDK makes the one instance: `name` is asked
 * of it before it is initialised, then `init` runs on an SDK thread with `api` already set, so the
 * subclass's `init` can register its listeners. `unexpectedError:` receives failures that arise after
 * a call returned or inside the extension's own callbacks; `onUnregister` runs once when the extension
 * leaves the SDK (an override calls super, which lets the api go).
 */
@interface NVRExtension : NSObject {
    NVRExtensionApi* api_;
}

/** Returns self without the root class's initialiser: `initWithApi:` has already run it. */
- (instancetype)init;
- (instancetype)initWithApi:(NVRExtensionApi*)api;
- (NSString*)name;
- (NSString*)version;
/** Logs the error's description at error level under "NVRExtension". */
- (void)unexpectedError:(NSError*)error;
- (void)onUnregister;
- (NVRExtensionApi*)api;

@end
