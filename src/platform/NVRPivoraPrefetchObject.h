#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRPivoraParameters.h"

/**
 * One location ("mbox") to prefetch. Its parameters are held twice, as three dictionaries and as one
 * bundle, and every setter keeps the two in step. Not thread-safe; neither archivable nor copyable.
 */
@interface NVRPivoraPrefetchObject : NSObject {
    NSString* _name;
    NSDictionary* _mboxParameters;
    NSDictionary* _productParameters;
    NSDictionary* _orderParameters;
    NVRPivoraParameters* _pivoraParameters;
}

@property(nonatomic, retain) NSString* name;
@property(nonatomic, retain) NSDictionary* mboxParameters;
/** "id" and "categoryId". */
@property(nonatomic, retain) NSDictionary* productParameters;
/** "id", "total" and "purchasedProductIds". */
@property(nonatomic, retain) NSDictionary* orderParameters;
@property(nonatomic, retain) NVRPivoraParameters* pivoraParameters;

+ (instancetype)prefetchObjectWithName:(NSString*)name mboxParameters:(NSDictionary*)mboxParameters;
+ (instancetype)pivoraPrefetchObjectWithName:(NSString*)name
                            pivoraParameters:(NVRPivoraParameters*)pivoraParameters;

/** A nil id or category is written as the empty string. */
- (void)setProductParameters:(NSString*)productId categoryId:(NSString*)categoryId;
/** Only the string ids are kept (the others are left out with a warning); nil values count as empty. */
- (void)setOrderParameters:(NSString*)orderId orderTotal:(NSNumber*)total purchasedProductIds:(NSArray*)ids;

@end

/** One location to load: its content, or failing that its default content, goes to its callback once. */
@interface NVRPivoraRequestObject : NVRPivoraPrefetchObject {
    NSString* _defaultContent;
    void (^_callback)(NSString*);
}

@property(nonatomic, retain) NSString* defaultContent;
/** Runs on a worker thread of the SDK; nil content means there was none. */
@property(nonatomic, copy) void (^callback)(NSString* content);

/** Only the entries with a non-empty string key and a string value are kept, the others with a warning. */
+ (instancetype)requestObjectWithName:(NSString*)name
                       defaultContent:(NSString*)defaultContent
                       mboxParameters:(NSDictionary*)mboxParameters
                             callback:(void (^)(NSString* content))callback;
+ (instancetype)pivoraRequestObjectWithName:(NSString*)name
                           pivoraParameters:(NVRPivoraParameters*)pivoraParameters
                             defaultContent:(NSString*)defaultContent
                                   callback:(void (^)(NSString* content))callback;

@end
