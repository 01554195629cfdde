#pragma once

#include <memory>

#include "core/values/Object.h"
#include "core/values/Variant.h"
#include "shared/VisitorId.h"

namespace NuvraMobile {

/**
 * Stores visitor ids as Variant maps of "id_origin", "id_type", "id" (strings) and
 * "authentication_state" (integer), in data stores and event data. Stateless; callable from any thread.
 */
class VisitorIdSerializer : public Object, public virtual VariantSerializerInterface<VisitorId> {
public:
    static constexpr const char* ID_ORIGIN = "id_origin";
    static constexpr const char* ID_TYPE = "id_type";
    static constexpr const char* ID = "id";
    static constexpr const char* AUTHENTICATION_STATE = "authentication_state";

    /**
     * A null variant gives an empty pointer; a map missing a key or holding another kind gives
     * "variant.not_type"; a type that cleans to empty throws the VisitorId constructor's error.
     */
    Expected<std::shared_ptr<VisitorId>, SdkError> Deserialize(const Variant& variant) override;

    std::shared_ptr<Variant> Serialize(const VisitorId& visitorId) override;
};

template <>
struct DefaultVariantSerializer<VisitorId> {
    using Type = VisitorIdSerializer;
};

}  // namespace NuvraMobile
