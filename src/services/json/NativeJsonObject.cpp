#include "services/json/NativeJsonObject.h"

#include "services/json/JsonText.h"
#include "services/json/NativeJsonValues.h"

namespace NuvraMobile {

using namespace NativeJsonValues;

NativeJsonObject::NativeJsonObject(const std::string& text) : NativeJsonObject(JsonText::ParseObject(text)) {}

NativeJsonObject::NativeJsonObject(const std::map<std::string, std::string>& members)
    : NativeJsonObject(std::map<std::string, std::shared_ptr<Variant>>()) {
    for (const auto& [key, value] : members) {
        owned_->emplace_hint(owned_->end(), key, Variant::FromString(value));
    }
}

NativeJsonObject::NativeJsonObject(std::map<std::string, std::shared_ptr<Variant>> members)
    : members_(), owned_(std::make_shared<Members>(std::move(members))) {
    members_ = owned_;
}

NativeJsonObject::NativeJsonObject(
    std::shared_ptr<const std::map<std::string, std::shared_ptr<Variant>>> members)
    : members_(std::move(members)) {}

NativeJsonObject::Members& NativeJsonObject::MutableMembers() {
    if (!owned_) {
        owned_ = std::make_shared<Members>(*members_);
        members_ = owned_;
    }
    return *owned_;
}

const std::shared_ptr<Variant>& NativeJsonObject::At(const std::string& key) const {
    const auto found = members_->find(key);
    if (found == members_->end()) {
        Fail(JsonConstants::KEY_NOT_FOUND, key);
    }
    return found->second;
}

std::shared_ptr<Variant> NativeJsonObject::FindOfType(const std::string& key, JsonType type) const {
    const auto found = members_->find(key);
    return found != members_->end() && IsOfType(found->second, type) ? found->second : nullptr;
}

JsonType NativeJsonObject::GetType(const std::string& key) const { return TypeOf(At(key), key); }

std::shared_ptr<JsonObject> NativeJsonObject::GetJsonObject(const std::string& key) const {
    return ToJsonObject(At(key), key);
}

std::shared_ptr<JsonArray> NativeJsonObject::GetJsonArray(const std::string& key) const {
    return ToJsonArray(At(key), key);
}

int32_t NativeJsonObject::GetInt(const std::string& key) const { return ToNumber<int32_t>(At(key), key); }

int64_t NativeJsonObject::GetLong(const std::string& key) const { return ToNumber<int64_t>(At(key), key); }

double NativeJsonObject::GetDouble(const std::string& key) const { return ToNumber<double>(At(key), key); }

std::string NativeJsonObject::GetString(const std::string& key) const {
    return NativeJsonValues::ToString(At(key), key);
}

bool NativeJsonObject::GetBoolean(const std::string& key) const { return ToBoolean(At(key), key); }

std::shared_ptr<JsonObject> NativeJsonObject::Put(const std::string& key, std::shared_ptr<Variant> value) {
    if (value) {
        MutableMembers().insert_or_assign(key, std::move(value));
    }
    return ObjectToSharedPtr<JsonObject>(*this);
}

std::shared_ptr<JsonObject> NativeJsonObject::PutJsonObject(const std::string& key,
                                                            const std::shared_ptr<JsonObject>& value) {
    return Put(key, FromJsonObject(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutJsonArray(const std::string& key,
                                                           const std::shared_ptr<JsonArray>& value) {
    return Put(key, FromJsonArray(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutInt(const std::string& key, int32_t value) {
    return Put(key, Variant::FromInteger(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutLong(const std::string& key, int64_t value) {
    return Put(key, Variant::FromLong(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutDouble(const std::string& key, double value) {
    return Put(key, Variant::FromDouble(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutString(const std::string& key, const std::string& value) {
    return Put(key, Variant::FromString(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::PutBoolean(const std::string& key, bool value) {
    return Put(key, Variant::FromBoolean(value));
}

std::shared_ptr<JsonObject> NativeJsonObject::OptJsonObject(const std::string& key) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_OBJECT);
    return value ? AsJsonObject(value) : nullptr;
}

std::shared_ptr<JsonArray> NativeJsonObject::OptJsonArray(const std::string& key) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_ARRAY);
    return value ? AsJsonArray(value) : nullptr;
}

int32_t NativeJsonObject::OptInt(const std::string& key, int32_t fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_NUMBER);
    return value ? ToNumber<int32_t>(value, key) : fallback;
}

int64_t NativeJsonObject::OptLong(const std::string& key, int64_t fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_NUMBER);
    return value ? ToNumber<int64_t>(value, key) : fallback;
}

double NativeJsonObject::OptDouble(const std::string& key, double fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_NUMBER);
    return value ? ToNumber<double>(value, key) : fallback;
}

std::string NativeJsonObject::OptString(const std::string& key, const std::string& fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_STRING);
    return value ? NativeJsonValues::ToString(value, key) : fallback;
}

bool NativeJsonObject::OptBoolean(const std::string& key, bool fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(key, JsonType::JSON_BOOLEAN);
    return value ? ToBoolean(value, key) : fallback;
}

void NativeJsonObject::Keys(std::vector<std::string>& out) const {
    for (const auto& member : *members_) {
        out.push_back(member.first);
    }
}

uint64_t NativeJsonObject::Length() const { return members_->size(); }

void NativeJsonObject::Remove(const std::string& key) { MutableMembers().erase(key); }

std::string NativeJsonObject::ToString() const { return JsonText::WriteObject(*members_); }

bool NativeJsonObject::Contains(const std::string& key) const { return members_->count(key) != 0; }

}  // namespace NuvraMobile
