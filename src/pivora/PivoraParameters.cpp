#include "pivora/PivoraParameters.h"

#include "pivora/PivoraConstants.h"

namespace NuvraMobile {

namespace ProductKeys = PivoraConstants::EventDataKeys::ProductKeys;
namespace OrderKeys = PivoraConstants::EventDataKeys::OrderKeys;

PivoraProduct::PivoraProduct(std::string productId, std::string categoryId)
    : productId_(std::move(productId)), categoryId_(std::move(categoryId)) {}

std::shared_ptr<PivoraProduct> PivoraProduct::fromMap(const std::map<std::string, std::string>& map) {
    const auto id = map.find(ProductKeys::ID);
    if (id == map.end()) {
        return nullptr;
    }
    const auto category = map.find(ProductKeys::CATEGORY_ID);
    return std::make_shared<PivoraProduct>(id->second, category == map.end() ? "" : category->second);
}

std::map<std::string, std::string> PivoraProduct::toMap(const std::shared_ptr<PivoraProduct>& product) {
    std::map<std::string, std::string> map;
    if (!product || product->productId_.empty()) {
        return map;
    }
    map[ProductKeys::ID] = product->productId_;
    if (!product->categoryId_.empty()) {
        map[ProductKeys::CATEGORY_ID] = product->categoryId_;
    }
    return map;
}

PivoraOrder::PivoraOrder(std::string orderId, double total, std::vector<std::shared_ptr<Variant>> purchasedProductIds)
    : orderId_(std::move(orderId)), total_(total), purchasedProductIds_(std::move(purchasedProductIds)) {}

namespace {

double ReadTotal(const std::shared_ptr<Variant>& value) {
    double total = 0;
    if (value->GetKind() == VariantKind::VARIANT_STRING) {
        return value->ConvertToDouble(total) ? total : 0;
    }
    return value->GetDouble(total) ? total : 0;
}

}  // namespace

std::shared_ptr<PivoraOrder> PivoraOrder::fromMap(const std::map<std::string, std::shared_ptr<Variant>>& map) {
    const auto id = map.find(OrderKeys::ID);
    if (id == map.end()) {
        return nullptr;
    }
    std::string orderId;
    id->second->GetString(orderId);
    const auto total = map.find(OrderKeys::TOTAL);
    std::vector<std::shared_ptr<Variant>> productIds;
    const auto ids = map.find(OrderKeys::PURCHASED_PRODUCT_IDS);
    if (ids != map.end()) {
        ids->second->GetVariantVector(productIds);
    }
    return std::make_shared<PivoraOrder>(std::move(orderId), total == map.end() ? 0 : ReadTotal(total->second),
                                         std::move(productIds));
}

std::map<std::string, std::shared_ptr<Variant>> PivoraOrder::toMap(const std::shared_ptr<PivoraOrder>& order) {
    std::map<std::string, std::shared_ptr<Variant>> map;
    if (!order || order->orderId_.empty()) {
        return map;
    }
    map[OrderKeys::ID] = Variant::FromString(order->orderId_);
    if (order->total_ > 0.0) {
        map[OrderKeys::TOTAL] = Variant::FromDouble(order->total_);
    }
    if (!order->purchasedProductIds_.empty()) {
        map[OrderKeys::PURCHASED_PRODUCT_IDS] = Variant::FromVariantVector(order->purchasedProductIds_);
    }
    return map;
}

PivoraParameters::PivoraParameters(StringMap mboxParameters)
    : PivoraParameters(std::move(mboxParameters), {}, nullptr, nullptr) {}

PivoraParameters::PivoraParameters(StringMap mboxParameters, StringMap profileParameters,
                                   std::shared_ptr<PivoraProduct> product, std::shared_ptr<PivoraOrder> order)
    : mboxParameters_(std::move(mboxParameters)),
      profileParameters_(std::move(profileParameters)),
      product_(std::move(product)),
      order_(std::move(order)) {}

namespace {

/** MergeMaps in place; the common case of a first non-empty map is a plain copy. */
void MergeInto(PivoraParameters::StringMap& merged, const PivoraParameters::StringMap& later) {
    if (merged.empty()) {
        merged = later;
    } else if (!later.empty()) {
        merged = PivoraParameters::MergeMaps(std::move(merged), later);
    }
}

}  // namespace

std::shared_ptr<PivoraParameters> PivoraParameters::Merge(const std::vector<std::shared_ptr<PivoraParameters>>& list) {
    StringMap mboxParameters;
    StringMap profileParameters;
    std::shared_ptr<PivoraProduct> product;
    std::shared_ptr<PivoraOrder> order;
    for (const auto& parameters : list) {
        MergeInto(mboxParameters, parameters->mboxParameters_);
        MergeInto(profileParameters, parameters->profileParameters_);
        if (parameters->order_ && !parameters->order_->GetOrderId().empty()) {
            order = parameters->order_;
        }
        if (parameters->product_ && !parameters->product_->GetProductId().empty()) {
            product = parameters->product_;
        }
    }
    return std::make_shared<PivoraParameters>(std::move(mboxParameters), std::move(profileParameters),
                                              std::move(product), std::move(order));
}

PivoraParameters::StringMap PivoraParameters::MergeMaps(StringMap first, StringMap second) {
    for (auto& [key, value] : second) {
        first[key] = std::move(value);
    }
    return first;
}

}  // namespace NuvraMobile
