#include "services/json/JsonTextWriter.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

#include "core/values/VariantKinds.h"
#include "platformShim/JsonConstants.h"
#include "util/Utf8.h"

namespace NuvraMobile {
namespace {

void ThrowIfTooDeep(size_t depth) {
    if (depth > JsonConstants::MAX_NESTING_DEPTH) {
        throw std::length_error("nesting deeper than 256 levels");
    }
}

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

void AppendEscape(unsigned char c, std::string& out) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default: {
            static const char hex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(escape, sizeof(escape));
        }
    }
}

/** True when the shortest form of a double has no point or exponent, so it would read as an integer. */
bool LooksIntegral(const char* begin, const char* end) {
    for (const char* c = begin; c != end; ++c) {
        if (*c == '.' || *c == 'e') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string JsonTextWriter::WriteObject(const std::map<std::string, std::shared_ptr<Variant>>& members) {
    JsonTextWriter writer;
    writer.Object(members, 1);
    return std::move(writer.out_);
}

std::string JsonTextWriter::WriteArray(const std::vector<std::shared_ptr<Variant>>& elements) {
    JsonTextWriter writer;
    writer.Array(elements, 1);
    return std::move(writer.out_);
}

void JsonTextWriter::Object(const std::map<std::string, std::shared_ptr<Variant>>& members, size_t depth) {
    ThrowIfTooDeep(depth);
    out_ += '{';
    bool first = true;
    for (const auto& [key, value] : members) {
        const size_t mark = out_.size();
        if (!first) {
            out_ += ',';
        }
        if (Member(key, value.get(), depth)) {
            first = false;
        } else {
            out_.resize(mark);  // a member without a JSON value is left out
        }
    }
    out_ += '}';
}

bool JsonTextWriter::Member(const std::string& key, const Variant* value, size_t depth) {
    if (!Text(key)) {
        return false;
    }
    out_ += ':';
    return Value(value, depth);
}

void JsonTextWriter::Array(const std::vector<std::shared_ptr<Variant>>& elements, size_t depth) {
    ThrowIfTooDeep(depth);
    out_ += '[';
    for (size_t index = 0; index < elements.size(); ++index) {
        if (index > 0) {
            out_ += ',';
        }
        if (!Value(elements[index].get(), depth)) {
            out_ += "null";
        }
    }
    out_ += ']';
}

bool JsonTextWriter::Value(const Variant* value, size_t depth) {
    if (value == nullptr) {
        return false;
    }
    switch (value->GetKind()) {
        case VariantKind::VARIANT_STRING:
            return Text(*value->PeekString());
        case VariantKind::VARIANT_INTEGER:
        case VariantKind::VARIANT_LONG: {
            int64_t number = 0;
            value->GetLong(number);
            Integer(number);
            return true;
        }
        case VariantKind::VARIANT_DOUBLE: {
            double number = 0.0;
            value->GetDouble(number);
            Double(number);
            return true;
        }
        case VariantKind::VARIANT_BOOLEAN: {
            bool boolean = false;
            value->GetBoolean(boolean);
            out_ += boolean ? "true" : "false";
            return true;
        }
        // The kinds' classes are final, so a container kind is always one of these two.
        case VariantKind::VARIANT_VECTOR:
            Array(static_cast<const VectorVariant*>(value)->GetElements(), depth + 1);
            return true;
        case VariantKind::VARIANT_MAP:
            Object(static_cast<const VariantMapVariant*>(value)->GetEntries(), depth + 1);
            return true;
        default:
            return false;
    }
}

bool JsonTextWriter::Text(const std::string& text) {
    if (!IsValidUtf8(text)) {
        return false;
    }
    out_ += '"';
    size_t plainStart = 0;
    for (size_t index = 0; index < text.size(); ++index) {
        const auto c = static_cast<unsigned char>(text[index]);
        if (NeedsEscape(c)) {
            out_.append(text, plainStart, index - plainStart);
            AppendEscape(c, out_);
            plainStart = index + 1;
        }
    }
    out_.append(text, plainStart, std::string::npos);
    out_ += '"';
    return true;
}

void JsonTextWriter::Integer(int64_t number) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), number);
    out_.append(buffer, result.ptr);
}

void JsonTextWriter::Double(double number) {
    if (!std::isfinite(number)) {
        out_ += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), number);
    out_.append(buffer, result.ptr);
    if (LooksIntegral(buffer, result.ptr)) {
        out_ += ".0";
    }
}

}  // namespace NuvraMobile
