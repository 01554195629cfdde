#include "core/values/EventData.h"

#include "core/values/CollectionUtils.h"
#include "core/values/Variant.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

std::shared_ptr<Variant> NullIfEmpty(const std::shared_ptr<Variant>& value) {
    return value ? value : Variant::FromNull();
}

}  // namespace

EventData::EventData(const VariantMap& map) : map_(map) {
    for (auto& entry : map_) {
        entry.second = NullIfEmpty(entry.second);
    }
}

EventData::EventData(const std::map<std::string, std::string>& map) {
    for (const auto& entry : map) {
        map_.emplace_hint(map_.end(), entry.first, Variant::FromString(entry.second));
    }
}

EventData& EventData::PutString(const std::string& key, const std::string& value) {
    return PutVariant(key, Variant::FromString(value));
}

EventData& EventData::PutInteger(const std::string& key, int32_t value) {
    return PutVariant(key, Variant::FromInteger(value));
}

EventData& EventData::PutLong(const std::string& key, int64_t value) {
    return PutVariant(key, Variant::FromLong(value));
}

EventData& EventData::PutDouble(const std::string& key, double value) {
    return PutVariant(key, Variant::FromDouble(value));
}

EventData& EventData::PutBoolean(const std::string& key, bool value) {
    return PutVariant(key, Variant::FromBoolean(value));
}

EventData& EventData::PutVariant(const std::string& key, const std::shared_ptr<Variant>& value) {
    map_[key] = NullIfEmpty(value);
    return *this;
}

EventData& EventData::PutVariantVector(const std::string& key,
                                       const std::vector<std::shared_ptr<Variant>>& value) {
    return PutVariant(key, Variant::FromVariantVector(value));
}

EventData& EventData::PutStringMap(const std::string& key, const std::map<std::string, std::string>& value) {
    return PutVariant(key, Variant::FromStringMap(value));
}

EventData& EventData::PutVariantMap(const std::string& key, const VariantMap& value) {
    return PutVariant(key, Variant::FromVariantMap(value));
}

template <class Value, class Getter>
bool EventData::GetWith(const std::string& key, Value& value, Getter getter) const {
    auto entry = map_.find(key);
    return entry != map_.end() && ((*entry->second).*getter)(value);
}

bool EventData::GetVariant(const std::string& key, std::shared_ptr<Variant>& value) const {
    value.reset();
    auto entry = map_.find(key);
    if (entry == map_.end()) {
        return false;
    }
    value = entry->second;
    return true;
}

bool EventData::GetString(const std::string& key, std::string& value) const {
    return GetWith(key, value, &Variant::GetString);
}

bool EventData::GetInteger(const std::string& key, int32_t& value) const {
    return GetWith(key, value, &Variant::GetInteger);
}

bool EventData::GetLong(const std::string& key, int64_t& value) const {
    return GetWith(key, value, &Variant::GetLong);
}

bool EventData::GetDouble(const std::string& key, double& value) const {
    return GetWith(key, value, &Variant::GetDouble);
}

bool EventData::GetBoolean(const std::string& key, bool& value) const {
    return GetWith(key, value, &Variant::GetBoolean);
}

bool EventData::GetVariantVector(const std::string& key, std::vector<std::shared_ptr<Variant>>& value) const {
    return GetWith(key, value, &Variant::GetVariantVector);
}

bool EventData::GetStringMap(const std::string& key, std::map<std::string, std::string>& value) const {
    return GetWith(key, value, &Variant::GetStringMap);
}

bool EventData::GetVariantMap(const std::string& key, VariantMap& value) const {
    return GetWith(key, value, &Variant::GetVariantMap);
}

std::string EventData::OptString(const std::string& key, const std::string& fallback) const {
    std::string value;
    return GetString(key, value) ? value : fallback;
}

int32_t EventData::OptInteger(const std::string& key, int32_t fallback) const {
    int32_t value = 0;
    return GetInteger(key, value) ? value : fallback;
}

int64_t EventData::OptLong(const std::string& key, int64_t fallback) const {
    int64_t value = 0;
    return GetLong(key, value) ? value : fallback;
}

double EventData::OptDouble(const std::string& key, double fallback) const {
    double value = 0.0;
    return GetDouble(key, value) ? value : fallback;
}

bool EventData::OptBoolean(const std::string& key, bool fallback) const {
    bool value = false;
    return GetBoolean(key, value) ? value : fallback;
}

Expected<VariantKind, SdkError> EventData::GetKind(const std::string& key) const {
    auto entry = map_.find(key);
    if (entry == map_.end()) {
        return SdkError(NO_SUCH_KEY_ERROR_CODE, "The specified key was not found.", CurrentDebugInfo());
    }
    return entry->second->GetKind();
}

bool EventData::ContainsKey(const std::string& key) const { return map_.count(key) != 0; }

bool EventData::IsEmpty() const { return map_.empty(); }

size_t EventData::Size() const { return map_.size(); }

std::shared_ptr<EventData> EventData::Copy() const {
    auto copy = std::make_shared<EventData>();
    copy->map_ = AsMapCopy();
    return copy;
}

EventData::VariantMap EventData::AsMapCopy() const {
    VariantMap copy;
    for (const auto& entry : map_) {
        copy.emplace_hint(copy.end(), entry.first, entry.second->Copy());
    }
    return copy;
}

void EventData::Merge(const std::shared_ptr<const EventData>& other) {
    if (!other || other->IsEmpty()) {
        return;
    }
    map_ = CollectionUtils::AddDataToMap(map_, other->map_);
}

std::string EventData::PrettyString(int indent) const {
    return CollectionUtils::GetPrettyString(map_, indent);
}

std::string EventData::ToStringImpl(const ToStringOptions& options) const {
    if (options.pretty) {
        return StringUtils::FormatString(options, "%s", map_);
    }
    return StringUtils::FormatString(options, "{ class: \"EventData\", map: %s, super: %q}", map_,
                                     Object::ToStringImpl(options));
}

}  // namespace NuvraMobile
