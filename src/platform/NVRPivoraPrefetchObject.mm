#import "platform/NVRPivoraPrefetchObject.h"

#include "platform/CopiedBlock.h"
#import "platform/PivoraTypeBridge.h"
#import "platform/ValueConversions.h"

using namespace NuvraMobile;

namespace {

void Assign(id* field, id value) {
    [value retain];
    [*field release];
    *field = value;
}

NSString* TextOrEmpty(NSString* text) { return text == nil ? @"" : text; }

}  // namespace

@implementation NVRPivoraPrefetchObject

@synthesize name = _name;
@synthesize mboxParameters = _mboxParameters;
@synthesize productParameters = _productParameters;
@synthesize orderParameters = _orderParameters;
@synthesize pivoraParameters = _pivoraParameters;

+ (instancetype)prefetchObjectWithName:(NSString*)name mboxParameters:(NSDictionary*)mboxParameters {
    NVRPivoraPrefetchObject* object = [[[self alloc] init] autorelease];
    object.name = name;
    object.mboxParameters = mboxParameters;
    object.pivoraParameters = [NVRPivoraParameters pivoraParametersWithParameters:mboxParameters
                                                                profileParameters:nil
                                                                          product:nil
                                                                            order:nil];
    return object;
}

+ (instancetype)pivoraPrefetchObjectWithName:(NSString*)name
                            pivoraParameters:(NVRPivoraParameters*)pivoraParameters {
    NVRPivoraPrefetchObject* object = [[[self alloc] init] autorelease];
    object.name = name;
    object.pivoraParameters = pivoraParameters;
    return object;
}

- (void)setMboxParameters:(NSDictionary*)mboxParameters {
    Assign(&_mboxParameters, DictionaryCopy(mboxParameters));
    _pivoraParameters.parameters = DictionaryCopy(mboxParameters);
}

- (void)setProductParameters:(NSDictionary*)productParameters {
    NSDictionary* copy = DictionaryCopy(productParameters);
    Assign(&_productParameters, copy);
    _pivoraParameters.product = [NVRPivoraProduct pivoraProductWithId:[copy objectForKey:@"id"]
                                                           categoryId:[copy objectForKey:@"categoryId"]];
}

- (void)setOrderParameters:(NSDictionary*)orderParameters {
    NSDictionary* copy = DictionaryCopy(orderParameters);
    Assign(&_orderParameters, copy);
    _pivoraParameters.order = [NVRPivoraOrder pivoraOrderWithId:[copy objectForKey:@"id"]
                                                          total:[copy objectForKey:@"total"]
                                            purchasedProductIds:[copy objectForKey:@"purchasedProductIds"]];
}

- (void)setProductParameters:(NSString*)productId categoryId:(NSString*)categoryId {
    Assign(&_productParameters,
           [NSDictionary dictionaryWithObjectsAndKeys:TextOrEmpty(productId), @"id", TextOrEmpty(categoryId),
                                                      @"categoryId", nil]);
    _pivoraParameters.product = [NVRPivoraProduct pivoraProductWithId:productId categoryId:categoryId];
}

- (void)setOrderParameters:(NSString*)orderId orderTotal:(NSNumber*)total purchasedProductIds:(NSArray*)ids {
    NSArray* removed = nil;
    NSArray* kept = CleanArray([ids isKindOfClass:[NSArray class]] ? ids : nil, &removed);
    if ([removed count] > 0) {
        Log::Warning("Pivora Prefetch",
                     "found invalid elements in purchased product ids, removing (requires <NSString*>): %s",
                     ToCppString([removed description]));
    }
    Assign(&_orderParameters,
           [NSDictionary dictionaryWithObjectsAndKeys:TextOrEmpty(orderId), @"id",
                                                      total == nil ? [NSNumber numberWithInt:0] : total,
                                                      @"total", kept, @"purchasedProductIds", nil]);
    _pivoraParameters.order = [NVRPivoraOrder pivoraOrderWithId:orderId total:total purchasedProductIds:kept];
}

- (void)setPivoraParameters:(NVRPivoraParameters*)pivoraParameters {
    Assign(&_pivoraParameters, pivoraParameters);
    Assign(&_mboxParameters, DictionaryCopy(pivoraParameters.parameters));
    NVRPivoraProduct* product = pivoraParameters.product;
    Assign(&_productParameters,
           product == nil ? [NSDictionary dictionary]
                          : [NSDictionary dictionaryWithObjectsAndKeys:TextOrEmpty(product.productId), @"id",
                                                                       TextOrEmpty(product.categoryId),
                                                                       @"categoryId", nil]);
    NVRPivoraOrder* order = pivoraParameters.order;
    Assign(&_orderParameters,
           order == nil
               ? [NSDictionary dictionary]
               : [NSDictionary dictionaryWithObjectsAndKeys:TextOrEmpty(order.orderId), @"id",
                                                            order.total == nil ? [NSNumber numberWithInt:0]
                                                                               : order.total,
                                                            @"total", ArrayCopy(order.purchasedProductIds),
                                                            @"purchasedProductIds", nil]);
}

- (void)dealloc {
    [_name release];
    [_mboxParameters release];
    [_productParameters release];
    [_orderParameters release];
    [_pivoraParameters release];
    [super dealloc];
}

@end

@implementation NVRPivoraRequestObject

@synthesize defaultContent = _defaultContent;

+ (instancetype)requestObjectWithName:(NSString*)name
                       defaultContent:(NSString*)defaultContent
                       mboxParameters:(NSDictionary*)mboxParameters
                             callback:(void (^)(NSString*))callback {
    NVRPivoraRequestObject* object = [[[self alloc] init] autorelease];
    object.name = name;
    object.defaultContent = defaultContent;
    NSDictionary* removed = nil;
    NSDictionary* kept =
        CleanDictionary([mboxParameters isKindOfClass:[NSDictionary class]] ? mboxParameters : nil, &removed);
    object.mboxParameters = kept;
    object.pivoraParameters = [NVRPivoraParameters pivoraParametersWithParameters:kept
                                                                profileParameters:nil
                                                                          product:nil
                                                                            order:nil];
    if ([removed count] > 0) {
        Log::Warning(
            "Pivora Request",
            "found invalid entries in mbox parameters, removing (requires <NSString*, NSString*>): %s",
            ToCppString([removed description]));
    }
    object.callback = callback;
    return object;
}

+ (instancetype)pivoraRequestObjectWithName:(NSString*)name
                           pivoraParameters:(NVRPivoraParameters*)pivoraParameters
                             defaultContent:(NSString*)defaultContent
                                   callback:(void (^)(NSString*))callback {
    NVRPivoraRequestObject* object = [[[self alloc] init] autorelease];
    object.name = name;
    object.defaultContent = defaultContent;
    object.pivoraParameters = pivoraParameters;
    object.callback = callback;
    return object;
}

// Blocks are not objects on this runtime: the property holds its own heap copy of the block.
- (void (^)(NSString*))callback {
    return _callback;
}

- (void)setCallback:(void (^)(NSString*))callback {
    static const bool capturesRetained = BlockCapturesAreRetained();
    (void)capturesRetained;
    if (callback == _callback) {
        return;
    }
    void (^previous)(NSString*) = _callback;
    _callback = nil;
    if (callback != nil) {
        _callback = Block_copy(callback);
    }
    if (previous != nil) {
        Block_release(previous);
    }
}

- (void)dealloc {
    [_defaultContent release];
    if (_callback != nil) {
        Block_release(_callback);
    }
    [super dealloc];
}

@end
