#include "services/json/NativeJsonArray.h"

#include "services/json/JsonText.h"
#include "services/json/NativeJsonValues.h"

namespace NuvraMobile {

using namespace NativeJsonValues;

NativeJsonArray::NativeJsonArray(const std::string& text) : NativeJsonArray(JsonText::ParseArray(text)) {}

NativeJsonArray::NativeJsonArray(std::vector<std::shared_ptr<Variant>> elements)
    : elements_(), owned_(std::make_shared<Elements>(std::move(elements))) {
    elements_ = owned_;
}

NativeJsonArray::NativeJsonArray(std::shared_ptr<const std::vector<std::shared_ptr<Variant>>> elements)
    : elements_(std::move(elements)) {}

NativeJsonArray::Elements& NativeJsonArray::MutableElements() {
    if (!owned_) {
        owned_ = std::make_shared<Elements>(*elements_);
        elements_ = owned_;
    }
    return *owned_;
}

const std::shared_ptr<Variant>& NativeJsonArray::At(uint32_t index) const {
    if (index >= elements_->size()) {
        Fail(JsonConstants::INDEX_NOT_FOUND, index);
    }
    return (*elements_)[index];
}

std::shared_ptr<Variant> NativeJsonArray::FindOfType(uint32_t index, JsonType type) const {
    return index < elements_->size() && IsOfType((*elements_)[index], type) ? (*elements_)[index] : nullptr;
}

JsonType NativeJsonArray::GetType(uint32_t index) const { return TypeOf(At(index), index); }

void NativeJsonArray::NullPadToIndex(uint32_t index) {
    if (elements_->size() <= index) {
        MutableElements().resize(static_cast<size_t>(index) + 1);
    }
}

std::shared_ptr<JsonArray> NativeJsonArray::Append(std::shared_ptr<Variant> value) {
    if (value) {
        MutableElements().push_back(std::move(value));
    }
    return ObjectToSharedPtr<JsonArray>(*this);
}

template <typename Build>
std::shared_ptr<JsonArray> NativeJsonArray::PutAt(uint32_t index, Build build) {
    NullPadToIndex(index);
    std::shared_ptr<Variant> value = build();
    if (value) {
        MutableElements()[index] = std::move(value);
    }
    return ObjectToSharedPtr<JsonArray>(*this);
}

std::shared_ptr<JsonArray> NativeJsonArray::PutJsonObject(const std::shared_ptr<JsonObject>& value) {
    return Append(FromJsonObject(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutJsonObject(uint32_t index,
                                                          const std::shared_ptr<JsonObject>& value) {
    return PutAt(index, [&] { return FromJsonObject(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutJsonArray(const std::shared_ptr<JsonArray>& value) {
    return Append(FromJsonArray(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutJsonArray(uint32_t index,
                                                         const std::shared_ptr<JsonArray>& value) {
    return PutAt(index, [&] { return FromJsonArray(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutInt(int32_t value) {
    return Append(Variant::FromInteger(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutInt(uint32_t index, int32_t value) {
    return PutAt(index, [&] { return Variant::FromInteger(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutLong(int64_t value) {
    return Append(Variant::FromLong(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutLong(uint32_t index, int64_t value) {
    return PutAt(index, [&] { return Variant::FromLong(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutDouble(double value) {
    return Append(Variant::FromDouble(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutDouble(uint32_t index, double value) {
    return PutAt(index, [&] { return Variant::FromDouble(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutString(const std::string& value) {
    return Append(Variant::FromString(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutString(uint32_t index, const std::string& value) {
    return PutAt(index, [&] { return Variant::FromString(value); });
}

std::shared_ptr<JsonArray> NativeJsonArray::PutBoolean(bool value) {
    return Append(Variant::FromBoolean(value));
}

std::shared_ptr<JsonArray> NativeJsonArray::PutBoolean(uint32_t index, bool value) {
    return PutAt(index, [&] { return Variant::FromBoolean(value); });
}

std::shared_ptr<JsonObject> NativeJsonArray::GetJsonObject(uint32_t index) const {
    return ToJsonObject(At(index), index);
}

std::shared_ptr<JsonArray> NativeJsonArray::GetJsonArray(uint32_t index) const {
    return ToJsonArray(At(index), index);
}

int32_t NativeJsonArray::GetInt(uint32_t index) const { return ToNumber<int32_t>(At(index), index); }

int64_t NativeJsonArray::GetLong(uint32_t index) const { return ToNumber<int64_t>(At(index), index); }

double NativeJsonArray::GetDouble(uint32_t index) const { return ToNumber<double>(At(index), index); }

std::string NativeJsonArray::GetString(uint32_t index) const {
    return NativeJsonValues::ToString(At(index), index);
}

bool NativeJsonArray::GetBoolean(uint32_t index) const { return ToBoolean(At(index), index); }

std::shared_ptr<JsonObject> NativeJsonArray::OptJsonObject(uint32_t index) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_OBJECT);
    return value ? AsJsonObject(value) : nullptr;
}

std::shared_ptr<JsonArray> NativeJsonArray::OptJsonArray(uint32_t index) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_ARRAY);
    return value ? AsJsonArray(value) : nullptr;
}

int32_t NativeJsonArray::OptInt(uint32_t index, int32_t fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_NUMBER);
    return value ? ToNumber<int32_t>(value, index) : fallback;
}

int64_t NativeJsonArray::OptLong(uint32_t index, int64_t fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_NUMBER);
    return value ? ToNumber<int64_t>(value, index) : fallback;
}

double NativeJsonArray::OptDouble(uint32_t index, double fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_NUMBER);
    return value ? ToNumber<double>(value, index) : fallback;
}

std::string NativeJsonArray::OptString(uint32_t index, const std::string& fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_STRING);
    return value ? NativeJsonValues::ToString(value, index) : fallback;
}

bool NativeJsonArray::OptBoolean(uint32_t index, bool fallback) const {
    const std::shared_ptr<Variant> value = FindOfType(index, JsonType::JSON_BOOLEAN);
    return value ? ToBoolean(value, index) : fallback;
}

uint64_t NativeJsonArray::Length() const { return elements_->size(); }

std::string NativeJsonArray::ToString() const { return JsonText::WriteArray(*elements_); }

}  // namespace NuvraMobile
