#include "rulesengine/EventDataFlattener.h"

#include "core/EventData.h"
#include "core/Variant.h"
#include "rulesengine/FlatDictionaryInterface.h"

namespace NuvraMobile {

EventDataFlattener::EventDataFlattener(const std::shared_ptr<const EventData>& data)
    : data_(data ? data->AsMapCopy() : VariantMap()) {}

EventDataFlattener::VariantMap EventDataFlattener::GetFlattenedDataMap() const {
    VariantMap out;
    FlattenEntries(std::string(), data_, out);
    return out;
}

void EventDataFlattener::Flatten(const std::string& prefix, const std::shared_ptr<Variant>& value,
                                 VariantMap& out) {
    if (!value) {
        return;
    }
    VariantMap nested;
    if (value->GetKind() == VariantKind::VARIANT_MAP && value->GetVariantMap(nested)) {
        Flatten(prefix, nested, out);
        return;
    }
    // Keys mostly arrive in ascending order, so the end is the right hint nearly always.
    out.insert_or_assign(out.end(), prefix, value);
}

void EventDataFlattener::Flatten(const std::string& prefix, const VariantMap& map, VariantMap& out) {
    FlattenEntries(prefix + ".", map, out);
}

void EventDataFlattener::Flatten(const std::string& prefix, const std::map<std::string, std::string>& map,
                                 VariantMap& out) {
    for (const auto& entry : map) {
        out.insert_or_assign(out.end(), prefix + "." + entry.first, Variant::FromString(entry.second));
    }
}

void EventDataFlattener::Flatten(const std::string& prefix,
                                 const std::shared_ptr<FlatDictionaryInterface>& dictionary,
                                 VariantMap& out) {
    VariantMap map;
    if (dictionary && dictionary->GetFlatDictionary(map)) {
        Flatten(prefix, map, out);
    }
}

void EventDataFlattener::FlattenEntries(const std::string& keyPrefix, const VariantMap& map,
                                        VariantMap& out) {
    for (const auto& entry : map) {
        Flatten(keyPrefix + entry.first, entry.second, out);
    }
}

}  // namespace NuvraMobile
