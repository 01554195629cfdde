#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRMobileTypes.h"

@class NVRExtensionEvent;

/** Event-data keys of generic tracking. */
extern NSString* const ANALYTICS_TRACK_ACTION;
extern NSString* const ANALYTICS_TRACK_STATE;
extern NSString* const ANALYTICS_CONTEXT_DATA;

/**
 * The app's entry to the SDK: set-up, configuration, privacy, logging, identifiers, lifecycle and
 * generic tracking. Class methods only, callable from any thread. The first call that needs the core
 * starts the whole system; `extensionVersion`, `setWrapperType:`, `setAppGroup:`, `setLogLevel:`,
 * `logLevel` and `registerURLHandler:` never do. Bad arguments never raise: entries of the wrong type
 * are dropped with a warning, nil strings count as empty, and nil result blocks are refused. Result
 * blocks run later on a worker thread of the SDK, never on the caller's thread.
 */
@interface NVRCore : NSObject

+ (void)configureWithAppId:(NSString*)appId;
+ (void)configureWithFileInPath:(NSString*)filePath;
+ (void)updateConfiguration:(NSDictionary*)configuration;

+ (void)setPrivacyStatus:(NVRMobilePrivacyStatus)status;
+ (void)getPrivacyStatus:(void (^)(NVRMobilePrivacyStatus status))callback;
/** The block gets the SDK identities as JSON text, nil when there is none. */
+ (void)getSdkIdentities:(void (^)(NSString* identities))callback;

+ (NSString*)extensionVersion;
+ (void)setWrapperType:(NVRMobileWrapperType)wrapperType;
/** Set it before the first call that starts the SDK for the data to be kept in the group's store. */
+ (void)setAppGroup:(NSString*)appGroup;

+ (void)setLogLevel:(NVRMobileLogLevel)logLevel;
+ (NVRMobileLogLevel)logLevel;
/** Writes the app's own line through the SDK's console logger; nothing unless tag and message are set. */
+ (void)log:(NVRMobileLogLevel)logLevel tag:(NSString*)tag message:(NSString*)message;

/** Ends module registration and boots the SDK, once per process; the block runs when that is done. */
+ (void)start:(void (^)(void))completionCallback;
/** The block is offered every URL the SDK opens and answers YES when the app handled it; set once. */
+ (void)registerURLHandler:(BOOL (^)(NSString* url))callback;

+ (void)collectPii:(NSDictionary*)data;
+ (void)lifecycleStart:(NSDictionary*)additionalContextData;
+ (void)lifecyclePause;
+ (void)setAdvertisingIdentifier:(NSString*)advertisingIdentifier;
+ (void)setPushIdentifier:(NSData*)deviceToken;
+ (void)trackAction:(NSString*)action data:(NSDictionary*)data;
+ (void)trackState:(NSString*)state data:(NSDictionary*)data;
/** The launch options or notification user info the app received. */
+ (void)collectLaunchInfo:(NSDictionary*)userInfo;
+ (void)collectMessageInfo:(NSDictionary*)messageInfo;
+ (void)downloadRules;

// The app's own extensions. Each answers YES, or NO with an NSError in NVRExtensionErrorDomain.

/** Registers a subclass of NVRExtension; another class (code 6) or no name (code 1) never starts the SDK. */
+ (BOOL)registerExtension:(Class)extensionClass error:(NSError**)error;
/** A nil event gives code 7. */
+ (BOOL)dispatchEvent:(NVRExtensionEvent*)event error:(NSError**)error;
/** The block gets the response paired to the request, on a worker thread of the SDK; nil is refused. */
+ (BOOL)dispatchEventWithResponseCallback:(NVRExtensionEvent*)requestEvent
                         responseCallback:(void (^)(NVRExtensionEvent* responseEvent))responseCallback
                                    error:(NSError**)error;
+ (BOOL)dispatchResponseEvent:(NVRExtensionEvent*)responseEvent
                 requestEvent:(NVRExtensionEvent*)requestEvent
                        error:(NSError**)error;

@end
