#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Expected.h"
#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "core/values/VariantKind.h"
#include "core/values/VariantSerializerInterface.h"

namespace NuvraMobile {

/**
 * The dynamic value of event data, persistence and JSON: null, string, 32-bit integer, 64-bit long
 * (within plus or minus (2^53 - 1)), double, boolean, vector of variants or string-keyed map of variants.
 * Immutable once built and always held by shared pointer; containers share their elements, and no
 * container holds an empty pointer. Getters report success and fill an out-parameter; a getter a kind
 * does not support returns false and leaves it untouched. Safe to share and read from any thread.
 */
class Variant : public Object {
public:
    static std::shared_ptr<Variant> FromNull();
    static std::shared_ptr<Variant> FromString(std::string value);
    static std::shared_ptr<Variant> FromInteger(int32_t value);
    /** Throws SdkError "std.logic_error.out_of_range" outside plus or minus (2^53 - 1). */
    static std::shared_ptr<Variant> FromLong(int64_t value);
    static std::shared_ptr<Variant> FromDouble(double value);
    static std::shared_ptr<Variant> FromBoolean(bool value);
    /** Empty element pointers become null variants. */
    static std::shared_ptr<Variant> FromVariantVector(std::vector<std::shared_ptr<Variant>> elements);
    /** Empty value pointers become null variants. */
    static std::shared_ptr<Variant> FromVariantMap(std::map<std::string, std::shared_ptr<Variant>> entries);
    static std::shared_ptr<Variant> FromStringVector(const std::vector<std::string>& values);
    static std::shared_ptr<Variant> FromStringMap(const std::map<std::string, std::string>& values);

    /** True for integer, long and double. */
    static bool IsNumericKind(VariantKind kind);

    virtual VariantKind GetKind() const = 0;
    virtual bool GetString(std::string& out) const;
    /** A string variant's text read in place, valid while the variant lives; null for other kinds. */
    virtual const std::string* PeekString() const;
    /** Longs and doubles only when they fit (doubles rounded half to even); else logs, sets 0, false. */
    virtual bool GetInteger(int32_t& out) const;
    /** Doubles rounded half to even. */
    virtual bool GetLong(int64_t& out) const;
    virtual bool GetDouble(double& out) const;
    /** Numbers: value != 0; strings: "true"/"1" and "false"/"0" in any letter case. */
    virtual bool GetBoolean(bool& out) const;
    virtual bool GetVariantVector(std::vector<std::shared_ptr<Variant>>& out) const;
    virtual bool GetVariantMap(std::map<std::string, std::shared_ptr<Variant>>& out) const;
    /** A variant of the same kind and value; containers are copied, their elements shared. */
    virtual std::shared_ptr<Variant> Copy() const = 0;
    /** Strings parsed as a leading number, booleans as 1.0 or 0.0; numbers do not convert. */
    virtual bool ConvertToDouble(double& out) const;
    /** Strings, numbers in decimal (doubles with six decimals), booleans as "1" or "0". */
    virtual bool ConvertToString(std::string& out) const;

    /** The entries of a map variant that convert to strings; false (out untouched) for other kinds. */
    bool GetStringMap(std::map<std::string, std::string>& out) const;

    /** { class: "Variant",  super: <the Object description> } */
    std::string ToStringImpl(const ToStringOptions& options) const override;

    template <typename T>
    Expected<std::shared_ptr<T>, SdkError> GetTypedObject(VariantSerializerInterface<T>& serializer) const {
        return serializer.Deserialize(*this);
    }

    template <typename T>
    Expected<std::shared_ptr<T>, SdkError> GetTypedObject() const {
        return GetTypedObject<T>(*DefaultSerializer<T>());
    }

    /**
     * The objects of a vector variant, in order; elements that deserialize to nothing are skipped.
     * Errors: "variant.not_vector" for another kind, else the first element's error.
     */
    template <typename T>
    Expected<std::vector<std::shared_ptr<T>>, SdkError> GetTypedVector(
        VariantSerializerInterface<T>& serializer) const {
        std::vector<std::shared_ptr<Variant>> elements;
        if (!GetVariantVector(elements)) {
            return SdkError(NOT_VECTOR_ERROR_CODE, NOT_VECTOR_ERROR_MESSAGE, DebugInfo());
        }
        std::vector<std::shared_ptr<T>> objects;
        objects.reserve(elements.size());
        for (const std::shared_ptr<Variant>& element : elements) {
            Expected<std::shared_ptr<T>, SdkError> object = serializer.Deserialize(*element);
            if (!object.HasValue()) {
                return object.IsSet() ? object.Error() : SdkError();
            }
            if (object.Value()) {
                objects.push_back(std::move(object.Value()));
            }
        }
        return objects;
    }

    template <typename T>
    Expected<std::vector<std::shared_ptr<T>>, SdkError> GetTypedVector() const {
        return GetTypedVector<T>(*DefaultSerializer<T>());
    }

    /** A vector variant of the serialized objects; empty object pointers become null variants. */
    template <typename T>
    static std::shared_ptr<Variant> FromTypedVector(const std::vector<std::shared_ptr<T>>& objects,
                                                    VariantSerializerInterface<T>& serializer) {
        std::vector<std::shared_ptr<Variant>> elements;
        elements.reserve(objects.size());
        for (const std::shared_ptr<T>& object : objects) {
            elements.push_back(object ? serializer.Serialize(*object) : FromNull());
        }
        return FromVariantVector(std::move(elements));
    }

    template <typename T>
    static std::shared_ptr<Variant> FromTypedVector(const std::vector<std::shared_ptr<T>>& objects) {
        return FromTypedVector<T>(objects, *DefaultSerializer<T>());
    }

    static constexpr const char* NOT_VECTOR_ERROR_CODE = "variant.not_vector";
    static constexpr const char* NOT_VECTOR_ERROR_MESSAGE = "type conversion error";
    /** What serializers answer for a variant of the wrong kind. */
    static constexpr const char* NOT_TYPE_ERROR_CODE = "variant.not_type";
    static constexpr const char* NOT_TYPE_ERROR_MESSAGE = "type error";

private:
    template <typename T>
    static std::shared_ptr<VariantSerializerInterface<T>> DefaultSerializer() {
        return std::make_shared<typename DefaultVariantSerializer<T>::Type>();
    }
};

}  // namespace NuvraMobile
