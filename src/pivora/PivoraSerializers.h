#pragma once

#include <memory>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "pivora/PivoraObject.h"
#include "pivora/PivoraParameters.h"

namespace NuvraMobile {

// The Variant forms in which the personalisation value types travel in event data. Every Deserialize
// reads a null Variant as "no object" and answers a malformed form with "variant.not_type" / "type
// error" inside the Expected; nothing is logged and nothing is thrown. Stateless; any thread.

class PivoraProductSerializer : public Object, public virtual VariantSerializerInterface<PivoraProduct> {
public:
    /** "id" and "categoryId" text. */
    Expected<std::shared_ptr<PivoraProduct>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraProduct& product) override;
};

class PivoraOrderSerializer : public Object, public virtual VariantSerializerInterface<PivoraOrder> {
public:
    /** "id" text, "total" a number within the double range, "purchasedProductIds" a vector. */
    Expected<std::shared_ptr<PivoraOrder>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraOrder& order) override;
};

class PivoraParametersSerializer : public Object, public virtual VariantSerializerInterface<PivoraParameters> {
public:
    /** The two string maps and the product and order forms (each may be null). */
    Expected<std::shared_ptr<PivoraParameters>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraParameters& parameters) override;
};

/** The flat maps of a location; profile parameters and the bundle are not part of this form. */
class PivoraObjectSerializer : public Object, public virtual VariantSerializerInterface<PivoraObject> {
public:
    Expected<std::shared_ptr<PivoraObject>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraObject& object) override;
};

/** A request's base form, bundle, default content and response pair id; not its callback. */
class PivoraRequestSerializer : public Object, public virtual VariantSerializerInterface<PivoraRequest> {
public:
    /** A null base form is refused like any other malformed one; the callback read back does nothing. */
    Expected<std::shared_ptr<PivoraRequest>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraRequest& request) override;
};

class PivoraPrefetchSerializer : public Object, public virtual VariantSerializerInterface<PivoraPrefetch> {
public:
    Expected<std::shared_ptr<PivoraPrefetch>, SdkError> Deserialize(const Variant& variant) override;
    std::shared_ptr<Variant> Serialize(const PivoraPrefetch& prefetch) override;
};

template <>
struct DefaultVariantSerializer<PivoraProduct> {
    using Type = PivoraProductSerializer;
};
template <>
struct DefaultVariantSerializer<PivoraOrder> {
    using Type = PivoraOrderSerializer;
};
template <>
struct DefaultVariantSerializer<PivoraParameters> {
    using Type = PivoraParametersSerializer;
};
template <>
struct DefaultVariantSerializer<PivoraObject> {
    using Type = PivoraObjectSerializer;
};
template <>
struct DefaultVariantSerializer<PivoraRequest> {
    using Type = PivoraRequestSerializer;
};
template <>
struct DefaultVariantSerializer<PivoraPrefetch> {
    using Type = PivoraPrefetchSerializer;
};

/** The object's form by its default serializer; a null Variant for a null pointer. */
template <typename T>
std::shared_ptr<Variant> PivoraFromTypedObject(const std::shared_ptr<T>& object) {
    return object ? typename DefaultVariantSerializer<T>::Type().Serialize(*object) : Variant::FromNull();
}

}  // namespace NuvraMobile
