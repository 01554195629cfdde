#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Variant.h"

namespace NuvraMobile {

// The parameter bundle of personalisation requests and its product and order. Plain immutable values,
// shared by pointer between the public API, event data and the module's tasks; safe on any thread.

/** A product: its id and optional category. */
class PivoraProduct {
public:
    PivoraProduct(std::string productId, std::string categoryId);

    std::string GetProductId() const { return productId_; }
    std::string GetCategoryId() const { return categoryId_; }

    /** Null for an empty map or one without "id"; an absent "categoryId" reads as empty. */
    static std::shared_ptr<PivoraProduct> fromMap(const std::map<std::string, std::string>& map);
    /** Empty for a null product or an empty id; "categoryId" only when it is not empty. */
    static std::map<std::string, std::string> toMap(const std::shared_ptr<PivoraProduct>& product);

private:
    std::string productId_;
    std::string categoryId_;
};

/** An order: its id, total and purchased product ids (as Variants, text from the app's surface). */
class PivoraOrder {
public:
    PivoraOrder(std::string orderId, double total, std::vector<std::shared_ptr<Variant>> purchasedProductIds);

    std::string GetOrderId() const { return orderId_; }
    double GetTotal() const { return total_; }
    const std::vector<std::shared_ptr<Variant>>& GetPurchasedProductIds() const { return purchasedProductIds_; }

    /**
     * Null for an empty map or one without "id". The total is 0 unless "total" is a number, or text
     * that reads as one; the ids are taken only from a vector.
     */
    static std::shared_ptr<PivoraOrder> fromMap(const std::map<std::string, std::shared_ptr<Variant>>& map);
    /** Empty for a null order or an empty id; "total" only above 0, the ids only when there are some. */
    static std::map<std::string, std::shared_ptr<Variant>> toMap(const std::shared_ptr<PivoraOrder>& order);

private:
    std::string orderId_;
    double total_;
    std::vector<std::shared_ptr<Variant>> purchasedProductIds_;
};

/** The parameters of one request: mbox and profile parameters, a product and an order (either may be null). */
class PivoraParameters {
public:
    using StringMap = std::map<std::string, std::string>;

    explicit PivoraParameters(StringMap mboxParameters);
    PivoraParameters(StringMap mboxParameters, StringMap profileParameters, std::shared_ptr<PivoraProduct> product,
                     std::shared_ptr<PivoraOrder> order);

    const StringMap& GetMboxParameters() const { return mboxParameters_; }
    const StringMap& GetProfileParameters() const { return profileParameters_; }
    const std::shared_ptr<PivoraProduct>& GetProduct() const { return product_; }
    const std::shared_ptr<PivoraOrder>& GetOrder() const { return order_; }

    /**
     * One bundle of the bundles in list order (none null): later map entries win key by key; a later
     * product or order with a non-empty id replaces the earlier one whole.
     */
    static std::shared_ptr<PivoraParameters> Merge(const std::vector<std::shared_ptr<PivoraParameters>>& list);
    /** `first` with every entry of `second` written over it. */
    static StringMap MergeMaps(StringMap first, StringMap second);

private:
    StringMap mboxParameters_;
    StringMap profileParameters_;
    std::shared_ptr<PivoraProduct> product_;
    std::shared_ptr<PivoraOrder> order_;
};

}  // namespace NuvraMobile
