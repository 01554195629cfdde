#pragma once

// The personalisation values of the app's surface turned into the core's. No function keeps state or
// takes a lock; none raises for values of the wrong class: text that is not a string reads as empty, a
// total that is not a number or a string as 0 and ids that are not an array as none.

#import <Foundation/Foundation.h>

#include <memory>
#include <string>

#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"
#import "platform/NVRPivoraParameters.h"
#import "platform/NVRPivoraPrefetchObject.h"

namespace NuvraMobile {

/** A new dictionary with the entries; nil and anything but a dictionary give an empty one. */
NSDictionary* DictionaryCopy(id dictionary);
/** A new array with the elements; nil and anything but an array give an empty one. */
NSArray* ArrayCopy(id array);

/** Null unless the argument is a dictionary with an "id". */
std::shared_ptr<PivoraProduct> ToPivoraProduct(NSDictionary* dictionary);
/** Never null: a nil product gives one with an empty id, which the core treats as none. */
std::shared_ptr<PivoraProduct> ToPivoraProduct(NVRPivoraProduct* product);
/** Null unless the argument is a dictionary with an "id". */
std::shared_ptr<PivoraOrder> ToPivoraOrder(NSDictionary* dictionary);
/** Never null: a nil order gives one with an empty id, which the core treats as none. */
std::shared_ptr<PivoraOrder> ToPivoraOrder(NVRPivoraOrder* order);
/** Never null: a nil bundle gives empty maps and an empty product and order. */
std::shared_ptr<PivoraParameters> ToCppPivoraParameters(NVRPivoraParameters* parameters);
/**
 * The request with its bundle (made of the three dictionaries when the object has none). Its content
 * callback holds the object and calls the block the object holds when the content comes, nil for empty
 * content; none when the object has no block, and nothing when the block was taken away meanwhile.
 */
std::shared_ptr<PivoraRequest> ToPivoraRequest(NVRPivoraRequestObject* request);
std::shared_ptr<PivoraPrefetch> ToPivoraPrefetch(NVRPivoraPrefetchObject* prefetch);

}  // namespace NuvraMobile
