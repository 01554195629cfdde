#include "services/json/JsonText.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

#include "platformShim/JsonConstants.h"
#include "services/json/JsonTextWriter.h"

namespace NuvraMobile {
namespace JsonText {
namespace {

using Json = nlohmann::json;

constexpr char OBJECT_WRITE_ERROR_PREFIX[] = "Failed to convert JSON Object into a string:";
constexpr char ARRAY_WRITE_ERROR_PREFIX[] = "Failed to convert JSON array into a string:";
constexpr char TOO_DEEP[] = "nesting deeper than 256 levels";

[[noreturn]] void ThrowSerializationError(const std::string& message) {
    Throw(SdkError(JsonConstants::SERIALIZATION_ERROR, message, CurrentDebugInfo()));
}

// Builds the Variant tree straight from the strict parser's events, without an intermediate document.
// It reads what the fast reader leaves (a byte-order mark, integers beyond 64 bits) and says why a text
// is refused.
class VariantBuilder {
public:
    VariantBuilder(bool wantObject, JsonShape shape) : wantObject_(wantObject), shape_(shape) {
        frames_.reserve(32);
    }

    bool null() {
        const bool inObject = !frames_.empty() && frames_.back().isObject;
        return Add(KeepsNull(shape_, inObject) ? Variant::FromNull() : nullptr);
    }
    bool boolean(bool value) { return Add(Variant::FromBoolean(value)); }
    bool number_integer(int64_t value) { return Add(JsonNumber(value, shape_)); }
    bool number_unsigned(uint64_t value) {
        // Beyond the signed range the value is out of the long kind's range anyway, which FromLong reports.
        const uint64_t largest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
        return Add(JsonNumber(static_cast<int64_t>(std::min(value, largest)), shape_));
    }
    bool number_float(double value, const std::string&) { return Add(JsonNumber(value, shape_)); }
    bool string(std::string& value) { return Add(Variant::FromString(std::move(value))); }
    bool binary(Json::binary_t&) { return Refuse("binary values are not JSON"); }
    bool key(std::string& key) {
        frames_.back().key = std::move(key);
        return true;
    }
    bool start_object(size_t) { return Open(true); }
    bool start_array(size_t) { return Open(false); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool parse_error(size_t, const std::string&, const nlohmann::detail::exception& error) {
        return Refuse(error.what());
    }

    const std::string& Error() const { return error_; }
    std::map<std::string, std::shared_ptr<Variant>>& Members() { return result_.members; }
    std::vector<std::shared_ptr<Variant>>& Elements() { return result_.elements; }

private:
    struct Frame {
        bool isObject = false;
        std::string key;
        std::map<std::string, std::shared_ptr<Variant>> members;
        std::vector<std::shared_ptr<Variant>> elements;
    };

    bool Refuse(std::string error) {
        error_ = std::move(error);
        return false;
    }

    bool Add(std::shared_ptr<Variant> value) {
        if (frames_.empty()) {
            return Refuse(wantObject_ ? "the top level is not an object" : "the top level is not an array");
        }
        if (!value) {
            return true;  // a null the shape leaves out
        }
        Frame& frame = frames_.back();
        if (frame.isObject) {
            frame.members.insert_or_assign(std::move(frame.key), std::move(value));
        } else {
            frame.elements.push_back(std::move(value));
        }
        return true;
    }

    bool Open(bool isObject) {
        if (frames_.empty() && isObject != wantObject_) {
            return Refuse(wantObject_ ? "the top level is not an object" : "the top level is not an array");
        }
        if (frames_.size() >= JsonConstants::MAX_NESTING_DEPTH) {
            return Refuse(TOO_DEEP);
        }
        frames_.emplace_back();
        frames_.back().isObject = isObject;
        return true;
    }

    bool Close() {
        Frame frame = std::move(frames_.back());
        frames_.pop_back();
        if (frames_.empty()) {
            result_ = std::move(frame);
            return true;
        }
        return Add(frame.isObject ? Variant::FromVariantMap(std::move(frame.members))
                                  : Variant::FromVariantVector(std::move(frame.elements)));
    }

    const bool wantObject_;
    const JsonShape shape_;
    std::vector<Frame> frames_;
    Frame result_;
    std::string error_;
};

// Checked before either reader sees the text, so both refuse the same texts: a NUL byte is not JSON, and
// a reader that stopped at it would accept whatever follows.
void RefuseUnreadableText(const std::string& text) {
    if (text.size() > JsonConstants::MAX_TEXT_LENGTH) {
        ThrowSerializationError(JsonConstants::PARSE_ERROR_PREFIX + std::string("(a text of ") +
                                std::to_string(text.size()) + " bytes)" + JsonConstants::PARSE_ERROR_SEPARATOR +
                                "texts over 16 MiB are refused");
    }
    if (const size_t nul = text.find('\0'); nul != std::string::npos) {
        ThrowSerializationError(JsonConstants::PARSE_ERROR_PREFIX + text.substr(0, nul) +
                                JsonConstants::PARSE_ERROR_SEPARATOR + "a NUL byte at offset " +
                                std::to_string(nul));
    }
}

void Parse(const std::string& text, VariantBuilder& builder) {
    if (!Json::sax_parse(text, &builder, Json::input_format_t::json, true)) {
        ThrowSerializationError(JsonConstants::PARSE_ERROR_PREFIX + text +
                                JsonConstants::PARSE_ERROR_SEPARATOR + builder.Error());
    }
}

template <typename Write>
std::string WriteText(const char* errorPrefix, Write write) {
    try {
        return write();
    } catch (const std::exception& error) {
        ThrowSerializationError(errorPrefix + std::string(error.what()));
    }
}

}  // namespace

std::map<std::string, std::shared_ptr<Variant>> ParseObject(const std::string& text, JsonShape shape) {
    RefuseUnreadableText(text);
    std::map<std::string, std::shared_ptr<Variant>> members;
    if (JsonTreeReader::ReadObject(text, shape, members)) {
        return members;
    }
    VariantBuilder builder(true, shape);
    Parse(text, builder);
    return std::move(builder.Members());
}

std::vector<std::shared_ptr<Variant>> ParseArray(const std::string& text, JsonShape shape) {
    RefuseUnreadableText(text);
    std::vector<std::shared_ptr<Variant>> elements;
    if (JsonTreeReader::ReadArray(text, shape, elements)) {
        return elements;
    }
    VariantBuilder builder(false, shape);
    Parse(text, builder);
    return std::move(builder.Elements());
}

std::string WriteObject(const std::map<std::string, std::shared_ptr<Variant>>& members) {
    return WriteText(OBJECT_WRITE_ERROR_PREFIX, [&] { return JsonTextWriter::WriteObject(members); });
}

std::string WriteArray(const std::vector<std::shared_ptr<Variant>>& elements) {
    return WriteText(ARRAY_WRITE_ERROR_PREFIX, [&] { return JsonTextWriter::WriteArray(elements); });
}

}  // namespace JsonText
}  // namespace NuvraMobile
