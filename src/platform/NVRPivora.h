#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRPivoraParameters.h"
#import "platform/NVRPivoraPrefetchObject.h"
#import "platform/NVRTypeBridgePivora.h"

/**
 * The app's entry to personalisation: loading and prefetching the content of locations ("mboxes"),
 * reporting their displays and clicks, and the personalisation identifiers. Class methods only,
 * callable from any thread; each but `extensionVersion` starts the SDK when it is not running and
 * returns once its request is queued. Blocks run on a worker thread of the SDK when the answer comes,
 * except the answers to requests that cannot be sent (a location without a name, an empty prefetch
 * list), which run on the caller's thread before the call returns. A nil block is never called.
 * Dictionary entries that are not strings under non-empty string keys are left out with a warning;
 * locations without a name are not sent.
 */
@interface NVRPivora : NSObject

+ (NSString*)extensionVersion;
/** Registers the personalisation extension; later calls do nothing. */
+ (void)registerExtension;

/** The block gets YES when the content was prefetched. */
+ (void)prefetchContent:(NSArray*)prefetchObjects
    withProfileParameters:(NSDictionary*)profileParameters
                 callback:(void (^)(BOOL success))callback;
/** The block gets nil when the content was prefetched, else an error of the domain "com.nuvra.pivora". */
+ (void)prefetchContent:(NSArray*)prefetchObjects
         withParameters:(NVRPivoraParameters*)parameters
               callback:(void (^)(NSError* error))callback;
/** Each request's callback gets its content, or its default content. */
+ (void)loadRequests:(NSArray*)requests withProfileParameters:(NSDictionary*)profileParameters;
+ (void)retrieveLocationContent:(NSArray*)requests withParameters:(NVRPivoraParameters*)parameters;
+ (void)locationsDisplayed:(NSArray*)mboxNames withPivoraParameters:(NVRPivoraParameters*)parameters;
+ (void)locationClickedWithName:(NSString*)name
                 mboxParameters:(NSDictionary*)mboxParameters
              productParameters:(NSDictionary*)productParameters
                orderParameters:(NSDictionary*)orderParameters
              profileParameters:(NSDictionary*)profileParameters;
+ (void)locationClickedWithName:(NSString*)name pivoraParameters:(NVRPivoraParameters*)parameters;
+ (void)clearPrefetchCache;
+ (void)resetExperience;
/** The block gets the id, nil when there is none. */
+ (void)getThirdPartyId:(void (^)(NSString* thirdPartyId))callback;
/** The block gets the id, nil when there is none. */
+ (void)getQtxId:(void (^)(NSString* qtxId))callback;
+ (void)setThirdPartyId:(NSString*)thirdPartyId;
+ (void)setPreviewRestartDeeplink:(NSURL*)deeplink;

@end
