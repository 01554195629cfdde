#pragma once

#import <Foundation/Foundation.h>

#import "platform/NVRPivoraParameters.h"

/** Builds the personalisation values from the dictionaries the app describes them with. */
@interface NVRTypeBridgePivora : NSObject

/** Nil unless the argument is a dictionary with an "id"; reads "id", "total" and "purchasedProductIds". */
+ (NVRPivoraOrder*)orderFromDictionary:(NSDictionary*)dictionary;
/** Nil unless the argument is a dictionary with an "id"; reads "id" and "categoryId". */
+ (NVRPivoraProduct*)productFromDictionary:(NSDictionary*)dictionary;

@end
