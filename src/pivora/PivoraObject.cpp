#include "pivora/PivoraObject.h"

#include "core/values/SdkError.h"
#include "pivora/PivoraConstants.h"
#include "pivora/PivoraSerializers.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace Keys = PivoraConstants::EventDataKeys::Pivora;

PivoraObject::PivoraObject(std::string name, StringMap mboxParameters, StringMap productParameters,
                           VariantMap orderParameters)
    : name_(std::move(name)),
      mboxParameters_(std::move(mboxParameters)),
      productParameters_(std::move(productParameters)),
      orderParameters_(std::move(orderParameters)),
      pivoraParameters_(std::make_shared<PivoraParameters>(mboxParameters_, StringMap(),
                                                           PivoraProduct::fromMap(productParameters_),
                                                           PivoraOrder::fromMap(orderParameters_))) {}

PivoraObject::PivoraObject(std::string name, std::shared_ptr<PivoraParameters> parameters)
    : name_(std::move(name)), pivoraParameters_(std::move(parameters)) {
    if (pivoraParameters_) {
        mboxParameters_ = pivoraParameters_->GetMboxParameters();
        profileParameters_ = pivoraParameters_->GetProfileParameters();
        productParameters_ = PivoraProduct::toMap(pivoraParameters_->GetProduct());
        orderParameters_ = PivoraOrder::toMap(pivoraParameters_->GetOrder());
    }
}

void PivoraObject::SerializeMboxName(const std::string& name, VariantMap& map) {
    if (!name.empty()) {
        map[Keys::MBOX_NAME] = Variant::FromString(name);
    }
}

std::string PivoraObject::DeserializeMboxName(const VariantMap& map) {
    std::string name;
    const auto found = map.find(Keys::MBOX_NAME);
    if (found != map.end()) {
        found->second->GetString(name);
    }
    return name;
}

void PivoraObject::SerializePivoraParameters(const std::shared_ptr<PivoraParameters>& parameters, VariantMap& map) {
    map[Keys::PIVORA_PARAMETERS] = PivoraFromTypedObject(parameters);
}

namespace {

std::shared_ptr<PivoraParameters> ReadBundle(const std::shared_ptr<Variant>& form) {
    std::shared_ptr<PivoraParameters> parameters;
    TryCatch([&] { parameters = form->GetTypedObject<PivoraParameters>().Value(); },
             [](SdkError& error) {
                 Log::Debug(PivoraConstants::LOG_PREFIX, "Error while fetching Pivora Parameters.\n%s",
                            error.ToString(ToStringOptions::Pretty()));
             });
    return parameters;
}

template <typename Value>
Value ReadEntry(const std::map<std::string, std::shared_ptr<Variant>>& map, const char* key,
                bool (Variant::*getter)(Value&) const) {
    Value value;
    const auto found = map.find(key);
    if (found != map.end() && !((*found->second).*getter)(value)) {
        value.clear();
    }
    return value;
}

}  // namespace

std::shared_ptr<PivoraParameters> PivoraObject::DeserializePivoraParameters(const VariantMap& map) {
    if (map.empty()) {
        return nullptr;
    }
    const auto form = map.find(Keys::PIVORA_PARAMETERS);
    if (form != map.end()) {
        if (auto parameters = ReadBundle(form->second)) {
            return parameters;
        }
    }
    return ReadSeparateParameters(map);
}

std::shared_ptr<PivoraParameters> PivoraObject::ReadSeparateParameters(const VariantMap& map) {
    auto mboxParameters = ReadEntry(map, Keys::MBOX_PARAMETERS, &Variant::GetStringMap);
    auto profileParameters = ReadEntry(map, Keys::PROFILE_PARAMETERS, &Variant::GetStringMap);
    const auto productParameters = ReadEntry(map, Keys::PRODUCT_PARAMETERS, &Variant::GetStringMap);
    const auto orderParameters = ReadEntry(map, Keys::ORDER_PARAMETERS, &Variant::GetVariantMap);
    if (mboxParameters.empty() && profileParameters.empty() && productParameters.empty() &&
        orderParameters.empty()) {
        return nullptr;
    }
    return std::make_shared<PivoraParameters>(std::move(mboxParameters), std::move(profileParameters),
                                              PivoraProduct::fromMap(productParameters),
                                              PivoraOrder::fromMap(orderParameters));
}

PivoraRequest::PivoraRequest(std::string name, std::string defaultContent, StringMap mboxParameters,
                             StringMap productParameters, VariantMap orderParameters, ContentCallback contentCallback)
    : PivoraObject(std::move(name), std::move(mboxParameters), std::move(productParameters),
                   std::move(orderParameters)),
      defaultContent_(std::move(defaultContent)),
      contentCallback_(std::move(contentCallback)) {}

PivoraRequest::PivoraRequest(std::string name, std::string defaultContent,
                             std::shared_ptr<PivoraParameters> parameters, ContentCallback contentCallback)
    : PivoraObject(std::move(name), std::move(parameters)),
      defaultContent_(std::move(defaultContent)),
      contentCallback_(std::move(contentCallback)) {}

}  // namespace NuvraMobile
