#include "pivora/PivoraSerializers.h"

#include <map>
#include <string>
#include <vector>

#include "pivora/PivoraConstants.h"

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;
namespace ProductKeys = PivoraConstants::EventDataKeys::ProductKeys;
namespace OrderKeys = PivoraConstants::EventDataKeys::OrderKeys;

namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;
using StringMap = std::map<std::string, std::string>;

SdkError NotType() { return SdkError(Variant::NOT_TYPE_ERROR_CODE, Variant::NOT_TYPE_ERROR_MESSAGE, DebugInfo()); }

/** The required entries of one form; each read answers false for an absent key or a value of another kind. */
class FormReader {
public:
    explicit FormReader(VariantMap map) : map_(std::move(map)) {}

    const VariantMap& Entries() const { return map_; }

    bool Text(const char* key, std::string& out) const {
        const auto value = Find(key);
        return value && value->GetKind() == VariantKind::VARIANT_STRING && value->GetString(out);
    }
    bool Number(const char* key, double& out) const {
        const auto value = Find(key);
        return value && Variant::IsNumericKind(value->GetKind()) && value->GetDouble(out);
    }
    bool Vector(const char* key, std::vector<std::shared_ptr<Variant>>& out) const {
        const auto value = Find(key);
        return value && value->GetVariantVector(out);
    }
    bool Strings(const char* key, StringMap& out) const {
        const auto value = Find(key);
        return value && value->GetStringMap(out);
    }
    bool Map(const char* key, VariantMap& out) const {
        const auto value = Find(key);
        return value && value->GetVariantMap(out);
    }
    /** A nested form, null allowed; false when absent or malformed. */
    template <typename T>
    bool Nested(const char* key, std::shared_ptr<T>& out) const {
        const auto value = Find(key);
        if (!value) {
            return false;
        }
        auto object = value->GetTypedObject<T>();
        if (!object.HasValue()) {
            return false;
        }
        out = std::move(object.Value());
        return true;
    }

private:
    std::shared_ptr<Variant> Find(const char* key) const {
        const auto found = map_.find(key);
        return found == map_.end() ? nullptr : found->second;
    }

    VariantMap map_;
};

/**
 * Runs `read` over the form's map: a null Variant gives a null object, a Variant that is not a map and
 * a read that returns null give "variant.not_type".
 */
template <typename T, typename Read>
Expected<std::shared_ptr<T>, SdkError> ReadForm(const Variant& variant, Read read) {
    if (variant.GetKind() == VariantKind::VARIANT_NULL) {
        return std::shared_ptr<T>();
    }
    VariantMap map;
    if (!variant.GetVariantMap(map)) {
        return NotType();
    }
    std::shared_ptr<T> object = read(FormReader(std::move(map)));
    if (!object) {
        return NotType();
    }
    return object;
}

}  // namespace

Expected<std::shared_ptr<PivoraProduct>, SdkError> PivoraProductSerializer::Deserialize(const Variant& variant) {
    return ReadForm<PivoraProduct>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraProduct> {
        std::string id;
        std::string categoryId;
        if (!form.Text(ProductKeys::ID, id) || !form.Text(ProductKeys::CATEGORY_ID, categoryId)) {
            return nullptr;
        }
        return std::make_shared<PivoraProduct>(std::move(id), std::move(categoryId));
    });
}

std::shared_ptr<Variant> PivoraProductSerializer::Serialize(const PivoraProduct& product) {
    return Variant::FromVariantMap({
        {ProductKeys::ID, Variant::FromString(product.GetProductId())},
        {ProductKeys::CATEGORY_ID, Variant::FromString(product.GetCategoryId())},
    });
}

Expected<std::shared_ptr<PivoraOrder>, SdkError> PivoraOrderSerializer::Deserialize(const Variant& variant) {
    return ReadForm<PivoraOrder>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraOrder> {
        std::string id;
        double total = 0;
        std::vector<std::shared_ptr<Variant>> productIds;
        if (!form.Text(OrderKeys::ID, id) || !form.Number(OrderKeys::TOTAL, total) ||
            !form.Vector(OrderKeys::PURCHASED_PRODUCT_IDS, productIds)) {
            return nullptr;
        }
        return std::make_shared<PivoraOrder>(std::move(id), total, std::move(productIds));
    });
}

std::shared_ptr<Variant> PivoraOrderSerializer::Serialize(const PivoraOrder& order) {
    return Variant::FromVariantMap({
        {OrderKeys::ID, Variant::FromString(order.GetOrderId())},
        {OrderKeys::TOTAL, Variant::FromDouble(order.GetTotal())},
        {OrderKeys::PURCHASED_PRODUCT_IDS, Variant::FromVariantVector(order.GetPurchasedProductIds())},
    });
}

Expected<std::shared_ptr<PivoraParameters>, SdkError> PivoraParametersSerializer::Deserialize(
    const Variant& variant) {
    return ReadForm<PivoraParameters>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraParameters> {
        StringMap mboxParameters;
        StringMap profileParameters;
        std::shared_ptr<PivoraProduct> product;
        std::shared_ptr<PivoraOrder> order;
        // A malformed nested product or order fails the whole form, as any other malformed entry does.
        if (!form.Strings(Keys::MBOX_PARAMETERS, mboxParameters) ||
            !form.Strings(Keys::PROFILE_PARAMETERS, profileParameters) ||
            !form.Nested(Keys::PRODUCT_PARAMETERS, product) || !form.Nested(Keys::ORDER_PARAMETERS, order)) {
            return nullptr;
        }
        return std::make_shared<PivoraParameters>(std::move(mboxParameters), std::move(profileParameters),
                                                  std::move(product), std::move(order));
    });
}

std::shared_ptr<Variant> PivoraParametersSerializer::Serialize(const PivoraParameters& parameters) {
    return Variant::FromVariantMap({
        {Keys::MBOX_PARAMETERS, Variant::FromStringMap(parameters.GetMboxParameters())},
        {Keys::PROFILE_PARAMETERS, Variant::FromStringMap(parameters.GetProfileParameters())},
        {Keys::PRODUCT_PARAMETERS, PivoraFromTypedObject(parameters.GetProduct())},
        {Keys::ORDER_PARAMETERS, PivoraFromTypedObject(parameters.GetOrder())},
    });
}

Expected<std::shared_ptr<PivoraObject>, SdkError> PivoraObjectSerializer::Deserialize(const Variant& variant) {
    return ReadForm<PivoraObject>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraObject> {
        std::string name;
        StringMap mboxParameters;
        StringMap productParameters;
        VariantMap orderParameters;
        if (!form.Text(Keys::MBOX_NAME, name) || !form.Strings(Keys::MBOX_PARAMETERS, mboxParameters) ||
            !form.Strings(Keys::PRODUCT_PARAMETERS, productParameters) ||
            !form.Map(Keys::ORDER_PARAMETERS, orderParameters)) {
            return nullptr;
        }
        return std::make_shared<PivoraObject>(std::move(name), std::move(mboxParameters),
                                              std::move(productParameters), std::move(orderParameters));
    });
}

std::shared_ptr<Variant> PivoraObjectSerializer::Serialize(const PivoraObject& object) {
    return Variant::FromVariantMap({
        {Keys::MBOX_NAME, Variant::FromString(object.GetName())},
        {Keys::MBOX_PARAMETERS, Variant::FromStringMap(object.GetMboxParameters())},
        {Keys::PRODUCT_PARAMETERS, Variant::FromStringMap(object.GetProductParameters())},
        {Keys::ORDER_PARAMETERS, Variant::FromVariantMap(object.GetOrderParameters())},
    });
}

Expected<std::shared_ptr<PivoraRequest>, SdkError> PivoraRequestSerializer::Deserialize(const Variant& variant) {
    return ReadForm<PivoraRequest>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraRequest> {
        std::shared_ptr<PivoraObject> base;
        std::string defaultContent;
        std::string responsePairId;
        if (!form.Nested(Keys::BASE_CLASS, base) || !base || !form.Text(Keys::DEFAULT_CONTENT, defaultContent) ||
            !form.Text(Keys::RESPONSE_PAIR_ID, responsePairId)) {
            return nullptr;
        }
        auto request = std::make_shared<PivoraRequest>(base->GetName(), std::move(defaultContent),
                                                       PivoraObject::DeserializePivoraParameters(form.Entries()),
                                                       [](const std::string&) {});
        request->SetResponsePairId(responsePairId);
        return request;
    });
}

std::shared_ptr<Variant> PivoraRequestSerializer::Serialize(const PivoraRequest& request) {
    VariantMap map{
        {Keys::BASE_CLASS, PivoraObjectSerializer().Serialize(request)},
        {Keys::DEFAULT_CONTENT, Variant::FromString(request.GetDefaultContent())},
        {Keys::RESPONSE_PAIR_ID, Variant::FromString(request.GetResponsePairId())},
    };
    PivoraObject::SerializeMboxName(request.GetName(), map);
    PivoraObject::SerializePivoraParameters(request.GetPivoraParameters(), map);
    return Variant::FromVariantMap(std::move(map));
}

Expected<std::shared_ptr<PivoraPrefetch>, SdkError> PivoraPrefetchSerializer::Deserialize(const Variant& variant) {
    return ReadForm<PivoraPrefetch>(variant, [](const FormReader& form) -> std::shared_ptr<PivoraPrefetch> {
        std::shared_ptr<PivoraObject> base;
        if (!form.Nested(Keys::BASE_CLASS, base)) {
            return nullptr;
        }
        return std::make_shared<PivoraPrefetch>(PivoraObject::DeserializeMboxName(form.Entries()),
                                                PivoraObject::DeserializePivoraParameters(form.Entries()));
    });
}

std::shared_ptr<Variant> PivoraPrefetchSerializer::Serialize(const PivoraPrefetch& prefetch) {
    VariantMap map{{Keys::BASE_CLASS, PivoraObjectSerializer().Serialize(prefetch)}};
    PivoraObject::SerializeMboxName(prefetch.GetName(), map);
    PivoraObject::SerializePivoraParameters(prefetch.GetPivoraParameters(), map);
    return Variant::FromVariantMap(std::move(map));
}

}  // namespace NuvraMobile
