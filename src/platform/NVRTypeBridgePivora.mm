#import "platform/NVRTypeBridgePivora.h"

#include "platform/ObjCRuntime.h"
#import "platform/PivoraTypeBridge.h"
#import "platform/ValueConversions.h"

namespace NuvraMobile {

namespace {

std::string TextOf(id value) {
    return [value isKindOfClass:[NSString class]] ? ToCppString(value) : std::string();
}

double TotalOf(id value) {
    const bool readable = [value isKindOfClass:[NSNumber class]] || [value isKindOfClass:[NSString class]];
    return readable ? [value doubleValue] : 0.0;
}

/** The ids converted; elements without a form in the core are left out. */
std::vector<std::shared_ptr<Variant>> IdsOf(id ids) {
    std::vector<std::shared_ptr<Variant>> converted;
    for (const auto& element : ToVariantVector(ArrayCopy(ids))) {
        if (element) {
            converted.push_back(element);
        }
    }
    return converted;
}

bool HasId(id dictionary) {
    return [dictionary isKindOfClass:[NSDictionary class]] && [dictionary objectForKey:@"id"] != nil;
}

std::shared_ptr<PivoraParameters> BundleOf(NVRPivoraPrefetchObject* object) {
    if (object.pivoraParameters != nil) {
        return ToCppPivoraParameters(object.pivoraParameters);
    }
    return std::make_shared<PivoraParameters>(
        ToStringMap(DictionaryCopy(object.mboxParameters)), PivoraParameters::StringMap(),
        ToPivoraProduct(object.productParameters), ToPivoraOrder(object.orderParameters));
}

}  // namespace

NSDictionary* DictionaryCopy(id dictionary) {
    return [dictionary isKindOfClass:[NSDictionary class]]
               ? [NSDictionary dictionaryWithDictionary:dictionary]
               : [NSDictionary dictionary];
}

NSArray* ArrayCopy(id array) {
    return [array isKindOfClass:[NSArray class]] ? [NSArray arrayWithArray:array] : [NSArray array];
}

std::shared_ptr<PivoraProduct> ToPivoraProduct(NSDictionary* dictionary) {
    if (!HasId(dictionary)) {
        return nullptr;
    }
    return std::make_shared<PivoraProduct>(TextOf([dictionary objectForKey:@"id"]),
                                           TextOf([dictionary objectForKey:@"categoryId"]));
}

std::shared_ptr<PivoraProduct> ToPivoraProduct(NVRPivoraProduct* product) {
    return std::make_shared<PivoraProduct>(TextOf(product.productId), TextOf(product.categoryId));
}

std::shared_ptr<PivoraOrder> ToPivoraOrder(NSDictionary* dictionary) {
    if (!HasId(dictionary)) {
        return nullptr;
    }
    return std::make_shared<PivoraOrder>(TextOf([dictionary objectForKey:@"id"]),
                                         TotalOf([dictionary objectForKey:@"total"]),
                                         IdsOf([dictionary objectForKey:@"purchasedProductIds"]));
}

std::shared_ptr<PivoraOrder> ToPivoraOrder(NVRPivoraOrder* order) {
    return std::make_shared<PivoraOrder>(TextOf(order.orderId), TotalOf(order.total),
                                         IdsOf(order.purchasedProductIds));
}

std::shared_ptr<PivoraParameters> ToCppPivoraParameters(NVRPivoraParameters* parameters) {
    return std::make_shared<PivoraParameters>(ToStringMap(DictionaryCopy(parameters.parameters)),
                                              ToStringMap(DictionaryCopy(parameters.profileParameters)),
                                              ToPivoraProduct(parameters.product),
                                              ToPivoraOrder(parameters.order));
}

std::shared_ptr<PivoraRequest> ToPivoraRequest(NVRPivoraRequestObject* request) {
    PivoraRequest::ContentCallback onContent;
    if (request.callback != nil) {
        // The object is held until the last copy of the callback goes, and its block is read when the
        // content comes, as the app may have replaced it meanwhile.
        std::shared_ptr<void> held([request retain], [](void* object) { [(id)object release]; });
        onContent = [held](const std::string& content) {
            RunInObjCScope([&] {
                void (^callback)(NSString*) = [(NVRPivoraRequestObject*)held.get() callback];
                if (callback != nil) {
                    callback(ToNSString(content));
                }
            });
        };
    }
    return std::make_shared<PivoraRequest>(TextOf(request.name), TextOf(request.defaultContent),
                                           BundleOf(request), onContent);
}

std::shared_ptr<PivoraPrefetch> ToPivoraPrefetch(NVRPivoraPrefetchObject* prefetch) {
    return std::make_shared<PivoraPrefetch>(TextOf(prefetch.name), BundleOf(prefetch));
}

}  // namespace NuvraMobile

@implementation NVRTypeBridgePivora

+ (NVRPivoraOrder*)orderFromDictionary:(NSDictionary*)dictionary {
    if (!NuvraMobile::HasId(dictionary)) {
        return nil;
    }
    return [NVRPivoraOrder pivoraOrderWithId:[dictionary objectForKey:@"id"]
                                       total:[dictionary objectForKey:@"total"]
                         purchasedProductIds:[dictionary objectForKey:@"purchasedProductIds"]];
}

+ (NVRPivoraProduct*)productFromDictionary:(NSDictionary*)dictionary {
    if (!NuvraMobile::HasId(dictionary)) {
        return nil;
    }
    return [NVRPivoraProduct pivoraProductWithId:[dictionary objectForKey:@"id"]
                                      categoryId:[dictionary objectForKey:@"categoryId"]];
}

@end
