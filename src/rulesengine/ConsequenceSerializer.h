#pragma once

#include <memory>

#include "core/values/Object.h"
#include "core/values/VariantSerializerInterface.h"
#include "rulesengine/Consequence.h"

namespace NuvraMobile {

/**
 * Reads and writes the consequence record of a consequence event: a map of "id", "type", "detail"
 * and the optional "assetsPath". Stateless; any thread may use it.
 */
class ConsequenceSerializer : public Object, public virtual VariantSerializerInterface<Consequence> {
public:
    /**
     * A null variant gives an empty pointer without error; anything but a map with string "id" and
     * "type" and a map "detail" gives "variant.not_type". A missing or non-string "assetsPath" reads
     * as empty.
     */
    Expected<std::shared_ptr<Consequence>, SdkError> Deserialize(const Variant& variant) override;
    /** Always writes "assetsPath", empty or not. */
    std::shared_ptr<Variant> Serialize(const Consequence& consequence) override;
};

template <>
struct DefaultVariantSerializer<Consequence> {
    using Type = ConsequenceSerializer;
};

}  // namespace NuvraMobile
