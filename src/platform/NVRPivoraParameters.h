#pragma once

#import <Foundation/Foundation.h>

// The values that describe what to personalise: a product, an order and the parameter bundle that holds
// them beside the mbox and profile parameters. Plain values, not thread-safe; archivable and copyable.

@interface NVRPivoraProduct : NSObject <NSCoding, NSCopying> {
    NSString* _productId;
    NSString* _categoryId;
}

@property(nonatomic, retain) NSString* productId;
@property(nonatomic, retain) NSString* categoryId;

+ (instancetype)pivoraProductWithId:(NSString*)productId categoryId:(NSString*)categoryId;

@end

@interface NVRPivoraOrder : NSObject <NSCoding, NSCopying> {
    NSString* _orderId;
    NSNumber* _total;
    NSArray* _purchasedProductIds;
}

@property(nonatomic, retain) NSString* orderId;
@property(nonatomic, retain) NSNumber* total;
@property(nonatomic, retain) NSArray* purchasedProductIds;

/** The ids are copied into a new array; nil (or anything but an array) gives an empty one. */
+ (instancetype)pivoraOrderWithId:(NSString*)orderId total:(NSNumber*)total purchasedProductIds:(NSArray*)ids;

@end

@interface NVRPivoraParameters : NSObject <NSCoding, NSCopying> {
    NSDictionary* _parameters;
    NSDictionary* _profileParameters;
    NVRPivoraProduct* _product;
    NVRPivoraOrder* _order;
}

/** The mbox parameters. */
@property(nonatomic, retain) NSDictionary* parameters;
@property(nonatomic, retain) NSDictionary* profileParameters;
@property(nonatomic, retain) NVRPivoraProduct* product;
@property(nonatomic, retain) NVRPivoraOrder* order;

/** Both dictionaries are copied into new ones; nil gives an empty one. */
+ (instancetype)pivoraParametersWithParameters:(NSDictionary*)parameters
                             profileParameters:(NSDictionary*)profileParameters
                                       product:(NVRPivoraProduct*)product
                                         order:(NVRPivoraOrder*)order;

@end
