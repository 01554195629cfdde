#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRMobileTypes.h"

/**
 * The app's entry to the Identity extension: the visitor identifiers, their sync with the identity
 * server and the decoration of URLs. Class methods only, callable from any thread; each call but
 * `extensionVersion` starts the SDK when it is not running. Result blocks run once, on a worker thread
 * of the SDK, and only once the Identity extension is registered; a nil block is never called, and a
 * request whose only purpose is its answer is then not sent.
 */
@interface NVRIdentity : NSObject

+ (NSString*)extensionVersion;
/** Registers the Identity extension; later calls do nothing. */
+ (void)registerExtension;

/**
 * The block gets the URL with the visitor identifiers appended, or nil when the answer is no URL. A nil
 * or empty URL is handed back at once, on the caller's thread, and nothing is asked of the extension.
 */
+ (void)appendToUrl:(NSURL*)baseUrl withCallback:(void (^)(NSURL* urlWithVisitorData))callback;
/** The block gets the synced identifiers, an array of NVRMobileVisitorId. */
+ (void)getIdentifiers:(void (^)(NSArray* visitorIds))callback;
/** The block gets the visitor id, nil when there is none yet. */
+ (void)getSkyloomId:(void (^)(NSString* skyloomId))callback;
/** The block gets the visitor identifiers as URL query text, nil when there is none. */
+ (void)getUrlVariables:(void (^)(NSString* urlVariables))callback;

/** A nil identifier is sent as the empty one. */
+ (void)syncIdentifier:(NSString*)identifierType
            identifier:(NSString*)identifier
        authentication:(NVRMobileVisitorAuthenticationState)authenticationState;
/** Entries whose key or value is not a string are left out. */
+ (void)syncIdentifiers:(NSDictionary*)identifiers;
+ (void)syncIdentifiers:(NSDictionary*)identifiers
         authentication:(NVRMobileVisitorAuthenticationState)authenticationState;

@end
