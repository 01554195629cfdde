#include "core/values/VariantKinds.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

#include "util/Log.h"
#include "util/StringUtils.h"

namespace NuvraMobile {
namespace {

constexpr const char* STRING_LOG_TAG = "StringVariant";
constexpr const char* LONG_LOG_TAG = "LongVariant";
constexpr const char* DOUBLE_LOG_TAG = "DoubleVariant";

bool FitsInInteger(int64_t value) {
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

// Six decimals as "%f" writes them, whatever the process locale.
std::string FixedSixDecimals(double value) {
    char text[400];  // the largest double has 309 integer digits
    const std::to_chars_result result =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
}

bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A leading number as std::stod reads it (white space skipped, trailing characters ignored, hexadecimal
// with "0x"), whatever the process locale. Returns false when no number starts the text or it overflows.
bool ParseLeadingDouble(const std::string& text, double& out) {
    const char* cursor = text.data();
    const char* const end = text.data() + text.size();
    while (cursor != end && IsCSpace(*cursor)) ++cursor;
    bool negative = false;
    if (cursor != end && (*cursor == '+' || *cursor == '-')) {
        negative = *cursor == '-';
        ++cursor;
    }
    std::chars_format format = std::chars_format::general;
    if (end - cursor > 2 && cursor[0] == '0' && (cursor[1] == 'x' || cursor[1] == 'X') &&
        std::isxdigit(static_cast<unsigned char>(cursor[2]))) {
        format = std::chars_format::hex;
        cursor += 2;
    }
    if (cursor == end || *cursor == '+' || *cursor == '-') {
        return false;
    }
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(cursor, end, value, format);
    if (result.ec != std::errc()) {
        return false;
    }
    out = negative ? -value : value;
    return true;
}

template <typename Kind>
const Kind* SameKind(const ObjectInterface& other) {
    return dynamic_cast<const Kind*>(&other);
}

// Equality of the scalar kinds: the same class holding an equal value.
template <typename Kind, typename Value>
bool SameValue(const ObjectInterface& other, const Value Kind::*member, const Value& value) {
    const Kind* same = SameKind<Kind>(other);
    return same != nullptr && same->*member == value;
}

// "{ class: "<name>",  value: <value>, super: <the Variant description> }", or the value alone when pretty.
template <typename Value>
std::string Describe(const Variant& variant, const char* className, const Value& value,
                     const ToStringOptions& options) {
    if (options.pretty) {
        return StringUtils::FormatString(options, "%s", value);
    }
    return StringUtils::FormatString(options, "{ class: \"%q\",  value: %s, super: %q }", className, value,
                                     variant.Variant::ToStringImpl(options));
}

std::shared_ptr<Variant> NullIfEmpty(std::shared_ptr<Variant> value) {
    return value ? std::move(value) : Variant::FromNull();
}

}  // namespace

// ---- NullVariant

VariantKind NullVariant::GetKind() const { return VariantKind::VARIANT_NULL; }

std::shared_ptr<Variant> NullVariant::Copy() const { return FromNull(); }

bool NullVariant::Equals(const ObjectInterface& other) const {
    return SameKind<NullVariant>(other) != nullptr;
}

std::string NullVariant::ToStringImpl(const ToStringOptions& options) const {
    return StringUtils::FormatString(options, "{ class: \"NullVariant\",  super: %q }",
                                     Variant::ToStringImpl(options));
}

// ---- StringVariant

StringVariant::StringVariant(std::string value) : value_(std::move(value)) {}

VariantKind StringVariant::GetKind() const { return VariantKind::VARIANT_STRING; }

bool StringVariant::GetString(std::string& out) const {
    out = value_;
    return true;
}

bool StringVariant::GetBoolean(bool& out) const {
    const std::string lower = StringUtils::ToLower(value_);
    if (lower == "true" || lower == "1") {
        out = true;
        return true;
    }
    out = false;
    return lower == "false" || lower == "0";
}

std::shared_ptr<Variant> StringVariant::Copy() const { return FromString(value_); }

bool StringVariant::ConvertToDouble(double& out) const {
    if (ParseLeadingDouble(value_, out)) {
        return true;
    }
    Log::Debug(STRING_LOG_TAG, "Cannot convert %s to double, %s", value_,
               "no number at the start of the text");
    out = 0.0;
    return false;
}

bool StringVariant::ConvertToString(std::string& out) const {
    out = value_;
    return true;
}

bool StringVariant::Equals(const ObjectInterface& other) const {
    return SameValue(other, &StringVariant::value_, value_);
}

std::string StringVariant::ToStringImpl(const ToStringOptions& options) const {
    const std::string quoted = StringUtils::Quotify(value_, options.maxStringLength);
    if (options.pretty) {
        return quoted;
    }
    return StringUtils::FormatString(options, "{ class: \"StringVariant\",  value: %q, super: %q }", quoted,
                                     Variant::ToStringImpl(options));
}

// ---- IntegerVariant

IntegerVariant::IntegerVariant(int32_t value) : value_(value) {}

VariantKind IntegerVariant::GetKind() const { return VariantKind::VARIANT_INTEGER; }

bool IntegerVariant::GetInteger(int32_t& out) const {
    out = value_;
    return true;
}

bool IntegerVariant::GetLong(int64_t& out) const {
    out = value_;
    return true;
}

bool IntegerVariant::GetDouble(double& out) const {
    out = value_;
    return true;
}

bool IntegerVariant::GetBoolean(bool& out) const {
    out = value_ != 0;
    return true;
}

std::shared_ptr<Variant> IntegerVariant::Copy() const { return FromInteger(value_); }

bool IntegerVariant::ConvertToString(std::string& out) const {
    out = std::to_string(value_);
    return true;
}

bool IntegerVariant::Equals(const ObjectInterface& other) const {
    return SameValue(other, &IntegerVariant::value_, value_);
}

std::string IntegerVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "IntegerVariant", value_, options);
}

// ---- LongVariant

LongVariant::LongVariant(int64_t value) : value_(value) {
    if (value < -MAX_VALUE || value > MAX_VALUE) {
        Log::Error(LONG_LOG_TAG, "%s is outside the bounds of a double and may cause interop problems",
                   value);
        Throw(SdkError("std.logic_error.out_of_range", "Integer cannot be stored accurately in a double",
                       CurrentDebugInfo()));
    }
}

VariantKind LongVariant::GetKind() const { return VariantKind::VARIANT_LONG; }

bool LongVariant::GetInteger(int32_t& out) const {
    if (!FitsInInteger(value_)) {
        Log::Error(LONG_LOG_TAG, "%s is outside the bounds of a 32-bit integer", value_);
        out = 0;
        return false;
    }
    out = static_cast<int32_t>(value_);
    return true;
}

bool LongVariant::GetLong(int64_t& out) const {
    out = value_;
    return true;
}

bool LongVariant::GetDouble(double& out) const {
    out = static_cast<double>(value_);  // exact: the value never exceeds 2^53 - 1
    return true;
}

bool LongVariant::GetBoolean(bool& out) const {
    out = value_ != 0;
    return true;
}

std::shared_ptr<Variant> LongVariant::Copy() const { return FromLong(value_); }

bool LongVariant::ConvertToString(std::string& out) const {
    out = std::to_string(value_);
    return true;
}

bool LongVariant::Equals(const ObjectInterface& other) const {
    return SameValue(other, &LongVariant::value_, value_);
}

std::string LongVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "LongVariant", value_, options);
}

// ---- DoubleVariant

DoubleVariant::DoubleVariant(double value) : value_(value) {}

VariantKind DoubleVariant::GetKind() const { return VariantKind::VARIANT_DOUBLE; }

bool DoubleVariant::GetInteger(int32_t& out) const {
    const long rounded = std::lrint(value_);
    if (std::isnan(value_) || !FitsInInteger(rounded)) {
        Log::Error(DOUBLE_LOG_TAG, "Rounded value %s is outside the bounds of a 32-bit integer", rounded);
        out = 0;
        return false;
    }
    out = static_cast<int32_t>(rounded);
    return true;
}

bool DoubleVariant::GetLong(int64_t& out) const {
    out = std::lrint(value_);
    return true;
}

bool DoubleVariant::GetDouble(double& out) const {
    out = value_;
    return true;
}

bool DoubleVariant::GetBoolean(bool& out) const {
    out = value_ != 0;
    return true;
}

std::shared_ptr<Variant> DoubleVariant::Copy() const { return FromDouble(value_); }

bool DoubleVariant::ConvertToString(std::string& out) const {
    out = FixedSixDecimals(value_);
    return true;
}

bool DoubleVariant::Equals(const ObjectInterface& other) const {
    return SameValue(other, &DoubleVariant::value_, value_);
}

std::string DoubleVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "DoubleVariant", value_, options);
}

// ---- BooleanVariant

BooleanVariant::BooleanVariant(bool value) : value_(value) {}

VariantKind BooleanVariant::GetKind() const { return VariantKind::VARIANT_BOOLEAN; }

bool BooleanVariant::GetBoolean(bool& out) const {
    out = value_;
    return true;
}

std::shared_ptr<Variant> BooleanVariant::Copy() const { return FromBoolean(value_); }

bool BooleanVariant::ConvertToDouble(double& out) const {
    out = value_ ? 1.0 : 0.0;
    return true;
}

bool BooleanVariant::ConvertToString(std::string& out) const {
    out = value_ ? "1" : "0";
    return true;
}

bool BooleanVariant::Equals(const ObjectInterface& other) const {
    return SameValue(other, &BooleanVariant::value_, value_);
}

std::string BooleanVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "BooleanVariant", value_, options);
}

// ---- VectorVariant

namespace {
std::vector<std::shared_ptr<Variant>> WithoutEmptyPointers(std::vector<std::shared_ptr<Variant>> elements) {
    for (std::shared_ptr<Variant>& element : elements) {
        element = NullIfEmpty(std::move(element));
    }
    return elements;
}

std::map<std::string, std::shared_ptr<Variant>> WithoutEmptyPointers(
    std::map<std::string, std::shared_ptr<Variant>> entries) {
    for (auto& entry : entries) {
        entry.second = NullIfEmpty(std::move(entry.second));
    }
    return entries;
}
}  // namespace

VectorVariant::VectorVariant(std::vector<std::shared_ptr<Variant>> elements)
    : elements_(WithoutEmptyPointers(std::move(elements))) {}

VariantKind VectorVariant::GetKind() const { return VariantKind::VARIANT_VECTOR; }

bool VectorVariant::GetVariantVector(std::vector<std::shared_ptr<Variant>>& out) const {
    out = elements_;
    return true;
}

std::shared_ptr<Variant> VectorVariant::Copy() const { return FromVariantVector(elements_); }

bool VectorVariant::Equals(const ObjectInterface& other) const {
    const VectorVariant* vector = SameKind<VectorVariant>(other);
    if (vector == nullptr || vector->elements_.size() != elements_.size()) {
        return false;
    }
    for (size_t i = 0; i < elements_.size(); ++i) {
        if (!IsEqual(elements_[i], vector->elements_[i])) {
            return false;
        }
    }
    return true;
}

std::string VectorVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "VectorVariant", elements_, options);
}

// ---- VariantMapVariant

VariantMapVariant::VariantMapVariant(std::map<std::string, std::shared_ptr<Variant>> entries)
    : entries_(WithoutEmptyPointers(std::move(entries))) {}

VariantKind VariantMapVariant::GetKind() const { return VariantKind::VARIANT_MAP; }

bool VariantMapVariant::GetVariantMap(std::map<std::string, std::shared_ptr<Variant>>& out) const {
    out = entries_;
    return true;
}

std::shared_ptr<Variant> VariantMapVariant::Copy() const { return FromVariantMap(entries_); }

bool VariantMapVariant::Equals(const ObjectInterface& other) const {
    const VariantMapVariant* map = SameKind<VariantMapVariant>(other);
    if (map == nullptr || map->entries_.size() != entries_.size()) {
        return false;
    }
    for (const auto& [key, value] : entries_) {
        const auto found = map->entries_.find(key);
        if (found == map->entries_.end() || !IsEqual(value, found->second)) {
            return false;
        }
    }
    return true;
}

std::string VariantMapVariant::ToStringImpl(const ToStringOptions& options) const {
    return Describe(*this, "VariantMapVariant", entries_, options);
}

}  // namespace NuvraMobile
