#pragma once

#include <memory>

#include "core/values/Expected.h"
#include "core/values/ObjectInterface.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {

class Variant;

/**
 * Turns objects of type T into Variant trees (Serialize) and back (Deserialize): every persisted or
 * transported object type has one. Thread safety is that of the implementation.
 */
template <typename T>
class VariantSerializerInterface : public virtual ObjectInterface {
public:
    /** The object held by the variant; a null variant may give an empty pointer. */
    virtual Expected<std::shared_ptr<T>, SdkError> Deserialize(const Variant& variant) = 0;

    virtual std::shared_ptr<Variant> Serialize(const T& value) = 0;
};

/**
 * Names the serializer that typed Variant access uses when the caller gives none:
 * specialise it next to the serializer as `template <> struct DefaultVariantSerializer<T> { using Type = ...;
 * };`
 */
template <typename T>
struct DefaultVariantSerializer;

}  // namespace NuvraMobile
