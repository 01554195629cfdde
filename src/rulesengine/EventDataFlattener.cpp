#include "rulesengine/EventDataFlattener.h"

#include "core/values/EventData.h"
#include "core/values/Variant.h"
#include "core/values/VariantKinds.h"
#include "rulesengine/FlatDictionaryInterface.h"

namespace NuvraMobile {

EventDataFlattener::EventDataFlattener(const std::shared_ptr<const EventData>& data)
    : data_(data ? data->AsMapCopy() : VariantMap()) {}

EventDataFlattener::VariantMap EventDataFlattener::GetFlattenedDataMap() const {
    VariantMap out;
    std::string path;
    // Keys mostly arrive in ascending order, so the end is the right hint nearly always.
    VisitEntries(path, data_, [&out](const std::string& key, const std::shared_ptr<Variant>& value) {
        out.insert_or_assign(out.end(), key, value);
    });
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

void EventDataFlattener::ForEachLeaf(const std::shared_ptr<const EventData>& data, const LeafVisitor& visit) {
    if (!data) {
        return;
    }
    std::string path;
    VisitEntries(path, data->GetEntries(), visit);
}

// One path buffer for the whole walk: each level appends its key and cuts it off again.
void EventDataFlattener::VisitEntries(std::string& path, const VariantMap& map, const LeafVisitor& visit) {
    const size_t prefixLength = path.size();
    for (const auto& entry : map) {
        path.append(entry.first);
        const std::shared_ptr<Variant>& value = entry.second;
        if (value && value->GetKind() == VariantKind::VARIANT_MAP) {
            path.push_back('.');
            if (const auto* nested = dynamic_cast<const VariantMapVariant*>(value.get())) {
                VisitEntries(path, nested->GetEntries(), visit);
            } else {
                VariantMap copy;
                value->GetVariantMap(copy);
                VisitEntries(path, copy, visit);
            }
        } else if (value) {
            visit(path, value);
        }
        path.resize(prefixLength);
    }
}

void EventDataFlattener::FlattenEntries(const std::string& keyPrefix, const VariantMap& map,
                                        VariantMap& out) {
    for (const auto& entry : map) {
        Flatten(keyPrefix + entry.first, entry.second, out);
    }
}

}  // namespace NuvraMobile
