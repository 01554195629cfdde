#include "core/values/Variant.h"

#include "core/values/VariantKinds.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

std::shared_ptr<Variant> Variant::FromNull() { return std::make_shared<NullVariant>(); }

std::shared_ptr<Variant> Variant::FromString(std::string value) {
    return std::make_shared<StringVariant>(std::move(value));
}

std::shared_ptr<Variant> Variant::FromInteger(int32_t value) {
    return std::make_shared<IntegerVariant>(value);
}

std::shared_ptr<Variant> Variant::FromLong(int64_t value) { return std::make_shared<LongVariant>(value); }

std::shared_ptr<Variant> Variant::FromDouble(double value) { return std::make_shared<DoubleVariant>(value); }

std::shared_ptr<Variant> Variant::FromBoolean(bool value) { return std::make_shared<BooleanVariant>(value); }

std::shared_ptr<Variant> Variant::FromVariantVector(std::vector<std::shared_ptr<Variant>> elements) {
    return std::make_shared<VectorVariant>(std::move(elements));
}

std::shared_ptr<Variant> Variant::FromVariantMap(std::map<std::string, std::shared_ptr<Variant>> entries) {
    return std::make_shared<VariantMapVariant>(std::move(entries));
}

std::shared_ptr<Variant> Variant::FromStringVector(const std::vector<std::string>& values) {
    std::vector<std::shared_ptr<Variant>> elements;
    elements.reserve(values.size());
    for (const std::string& value : values) {
        elements.push_back(FromString(value));
    }
    return FromVariantVector(std::move(elements));
}

std::shared_ptr<Variant> Variant::FromStringMap(const std::map<std::string, std::string>& values) {
    std::map<std::string, std::shared_ptr<Variant>> entries;
    for (const auto& [key, value] : values) {
        entries.emplace_hint(entries.end(), key, FromString(value));
    }
    return FromVariantMap(std::move(entries));
}

bool Variant::IsNumericKind(VariantKind kind) {
    return kind == VariantKind::VARIANT_INTEGER || kind == VariantKind::VARIANT_LONG ||
           kind == VariantKind::VARIANT_DOUBLE;
}

bool Variant::GetString(std::string&) const { return false; }

const std::string* Variant::PeekString() const { return nullptr; }

bool Variant::GetInteger(int32_t&) const { return false; }

bool Variant::GetLong(int64_t&) const { return false; }

bool Variant::GetDouble(double&) const { return false; }

bool Variant::GetBoolean(bool&) const { return false; }

bool Variant::GetVariantVector(std::vector<std::shared_ptr<Variant>>&) const { return false; }

bool Variant::GetVariantMap(std::map<std::string, std::shared_ptr<Variant>>&) const { return false; }

bool Variant::ConvertToDouble(double&) const { return false; }

bool Variant::ConvertToString(std::string&) const { return false; }

bool Variant::GetStringMap(std::map<std::string, std::string>& out) const {
    std::map<std::string, std::shared_ptr<Variant>> entries;
    if (!GetVariantMap(entries)) {
        return false;
    }
    out.clear();
    for (const auto& [key, value] : entries) {
        std::string text;
        if (value->ConvertToString(text)) {
            out.emplace_hint(out.end(), key, std::move(text));
        }
    }
    return true;
}

std::string Variant::ToStringImpl(const ToStringOptions& options) const {
    return StringUtils::FormatString(options, "{ class: \"Variant\",  super: %q }",
                                     Object::ToStringImpl(options));
}

}  // namespace NuvraMobile
