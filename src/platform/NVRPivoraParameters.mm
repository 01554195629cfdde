#import "platform/NVRPivoraParameters.h"

#import "platform/PivoraTypeBridge.h"

@implementation NVRPivoraProduct

@synthesize productId = _productId;
@synthesize categoryId = _categoryId;

+ (instancetype)pivoraProductWithId:(NSString*)productId categoryId:(NSString*)categoryId {
    NVRPivoraProduct* product = [[[self alloc] init] autorelease];
    product.productId = productId;
    product.categoryId = categoryId;
    return product;
}

- (instancetype)initWithCoder:(NSCoder*)coder {
    if ((self = [super init]) != nil) {
        self.productId = [coder decodeObjectForKey:@"id"];
        self.categoryId = [coder decodeObjectForKey:@"categoryId"];
    }
    return self;
}

- (void)encodeWithCoder:(NSCoder*)coder {
    [coder encodeObject:_productId forKey:@"id"];
    [coder encodeObject:_categoryId forKey:@"categoryId"];
}

- (id)copyWithZone:(NSZone*)zone {
    (void)zone;
    return [[NVRPivoraProduct pivoraProductWithId:_productId categoryId:_categoryId] retain];
}

- (void)dealloc {
    [_productId release];
    [_categoryId release];
    [super dealloc];
}

@end

@implementation NVRPivoraOrder

@synthesize orderId = _orderId;
@synthesize total = _total;
@synthesize purchasedProductIds = _purchasedProductIds;

+ (instancetype)pivoraOrderWithId:(NSString*)orderId
                            total:(NSNumber*)total
              purchasedProductIds:(NSArray*)ids {
    NVRPivoraOrder* order = [[[self alloc] init] autorelease];
    order.orderId = orderId;
    order.total = total;
    order.purchasedProductIds = NuvraMobile::ArrayCopy(ids);
    return order;
}

- (instancetype)initWithCoder:(NSCoder*)coder {
    if ((self = [super init]) != nil) {
        self.orderId = [coder decodeObjectForKey:@"id"];
        self.purchasedProductIds = [coder decodeObjectForKey:@"purchasedProductIds"];
        self.total = [coder decodeObjectForKey:@"total"];
    }
    return self;
}

- (void)encodeWithCoder:(NSCoder*)coder {
    [coder encodeObject:_orderId forKey:@"id"];
    [coder encodeObject:_purchasedProductIds forKey:@"purchasedProductIds"];
    [coder encodeObject:_total forKey:@"total"];
}

- (id)copyWithZone:(NSZone*)zone {
    (void)zone;
    return [[NVRPivoraOrder pivoraOrderWithId:_orderId total:_total
                          purchasedProductIds:_purchasedProductIds] retain];
}

- (void)dealloc {
    [_orderId release];
    [_total release];
    [_purchasedProductIds release];
    [super dealloc];
}

@end

@implementation NVRPivoraParameters

@synthesize parameters = _parameters;
@synthesize profileParameters = _profileParameters;
@synthesize product = _product;
@synthesize order = _order;

+ (instancetype)pivoraParametersWithParameters:(NSDictionary*)parameters
                             profileParameters:(NSDictionary*)profileParameters
                                       product:(NVRPivoraProduct*)product
                                         order:(NVRPivoraOrder*)order {
    NVRPivoraParameters* bundle = [[[self alloc] init] autorelease];
    bundle.parameters = NuvraMobile::DictionaryCopy(parameters);
    bundle.profileParameters = NuvraMobile::DictionaryCopy(profileParameters);
    bundle.product = product;
    bundle.order = order;
    return bundle;
}

- (instancetype)initWithCoder:(NSCoder*)coder {
    if ((self = [super init]) != nil) {
        self.parameters = [coder decodeObjectForKey:@"parameters"];
        self.profileParameters = [coder decodeObjectForKey:@"profileParameters"];
        self.order = [coder decodeObjectForKey:@"order"];
        self.product = [coder decodeObjectForKey:@"product"];
    }
    return self;
}

- (void)encodeWithCoder:(NSCoder*)coder {
    [coder encodeObject:_parameters forKey:@"parameters"];
    [coder encodeObject:_profileParameters forKey:@"profileParameters"];
    [coder encodeObject:_order forKey:@"order"];
    [coder encodeObject:_product forKey:@"product"];
}

- (id)copyWithZone:(NSZone*)zone {
    NVRPivoraProduct* product = [[_product copyWithZone:zone] autorelease];
    NVRPivoraOrder* order = [[_order copyWithZone:zone] autorelease];
    return [[NVRPivoraParameters pivoraParametersWithParameters:_parameters
                                              profileParameters:_profileParameters
                                                        product:product
                                                          order:order] retain];
}

- (void)dealloc {
    [_parameters release];
    [_profileParameters release];
    [_product release];
    [_order release];
    [super dealloc];
}

@end
