#include "services/json/JsonTreeReader.h"

#include <simdjson.h>

#include <cstdint>
#include <limits>

#include "core/values/VariantKinds.h"
#include "platformShim/JsonArraySerializer.h"
#include "platformShim/JsonConstants.h"
#include "platformShim/JsonObjectSerializer.h"
#include "platformShim/JsonType.h"
#include "services/json/TreeArena.h"
#include "util/Log.h"

namespace NuvraMobile {
namespace {

namespace dom = simdjson::dom;

// A parser keeps buffers sized for the largest text it has read; beyond this they are let go.
constexpr size_t KEPT_PARSER_CAPACITY = 4 * 1024 * 1024;

// Builds every value of the tree in one arena.
class TreeBuilder {
public:
    TreeBuilder(JsonShape shape, size_t textLength) : shape_(shape), arena_(textLength) {}

    bool Object(dom::object object, size_t depth, std::map<std::string, std::shared_ptr<Variant>>& members) {
        if (depth >= JsonConstants::MAX_NESTING_DEPTH) {
            return false;
        }
        for (const dom::key_value_pair field : object) {
            std::shared_ptr<Variant> value;
            if (!Value(field.value, depth + 1, true, value)) {
                return false;
            }
            if (value) {
                members.insert_or_assign(std::string(field.key), std::move(value));
            }
        }
        return true;
    }

    bool Array(dom::array array, size_t depth, std::vector<std::shared_ptr<Variant>>& elements) {
        if (depth >= JsonConstants::MAX_NESTING_DEPTH) {
            return false;
        }
        elements.reserve(array.size());
        for (const dom::element element : array) {
            std::shared_ptr<Variant> value;
            if (!Value(element, depth + 1, false, value)) {
                return false;
            }
            if (value) {
                elements.push_back(std::move(value));
            }
        }
        return true;
    }

private:
    bool Value(dom::element element, size_t depth, bool inObject, std::shared_ptr<Variant>& value) {
        switch (element.type()) {
            case dom::element_type::OBJECT: {
                std::map<std::string, std::shared_ptr<Variant>> members;
                if (!Object(element.get_object().value_unsafe(), depth, members)) {
                    return false;
                }
                value = Make<VariantMapVariant>(std::move(members));
                return true;
            }
            case dom::element_type::ARRAY: {
                std::vector<std::shared_ptr<Variant>> elements;
                if (!Array(element.get_array().value_unsafe(), depth, elements)) {
                    return false;
                }
                value = Make<VectorVariant>(std::move(elements));
                return true;
            }
            case dom::element_type::STRING:
                value = Make<StringVariant>(std::string(element.get_string().value_unsafe()));
                return true;
            case dom::element_type::INT64:
                value = Number(element.get_int64().value_unsafe());
                return true;
            case dom::element_type::UINT64: {
                // Beyond the signed range, as the long kind's own range check reports it.
                const uint64_t number = element.get_uint64().value_unsafe();
                const auto largest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
                value = Number(static_cast<int64_t>(number < largest ? number : largest));
                return true;
            }
            case dom::element_type::DOUBLE:
                value = Make<DoubleVariant>(element.get_double().value_unsafe());
                return true;
            case dom::element_type::BOOL:
                value = Make<BooleanVariant>(element.get_bool().value_unsafe());
                return true;
            case dom::element_type::NULL_VALUE:
                value = KeepsNull(shape_, inObject) ? Make<NullVariant>() : nullptr;
                return true;
        }
        return false;
    }

    template <typename Kind, typename... Arguments>
    std::shared_ptr<Variant> Make(Arguments&&... arguments) {
        return std::allocate_shared<Kind>(TreeAllocator<Kind>(arena_), std::forward<Arguments>(arguments)...);
    }

    std::shared_ptr<Variant> Number(int64_t value) {
        return ReadsAsDouble(value, shape_) ? Make<DoubleVariant>(static_cast<double>(value))
                                            : Make<LongVariant>(value);
    }

    const JsonShape shape_;
    TreeArena arena_;
};

// Each thread reuses one parser and one padded copy of the text (the parser reads a few bytes past the
// end); both grow to the largest text read and are let go beyond KEPT_PARSER_CAPACITY. Reusing the copy
// matters: a fresh large block per text makes the allocator sweep every small block freed since.
template <typename Read>
bool WithParser(const std::string& text, Read read) {
    thread_local dom::parser parser;
    thread_local std::string padded;
    padded.reserve(text.size() + simdjson::SIMDJSON_PADDING);
    padded.assign(text);
    dom::element root;
    const bool parsed = parser.parse(padded.data(), padded.size(), false).get(root) == simdjson::SUCCESS &&
                        read(root);
    if (parser.capacity() > KEPT_PARSER_CAPACITY) {
        parser = dom::parser();
        std::string().swap(padded);
    }
    return parsed;
}

}  // namespace

void JsonTreeReader::BuildLibraryStatics() {
    dom::parser parser;
    [[maybe_unused]] const auto parsed = parser.parse(simdjson::padded_string(std::string_view("{}")));
}

bool JsonTreeReader::ReadObject(const std::string& text, JsonShape shape,
                                std::map<std::string, std::shared_ptr<Variant>>& members) {
    return WithParser(text, [&](dom::element root) {
        return root.type() == dom::element_type::OBJECT &&
               TreeBuilder(shape, text.size()).Object(root.get_object().value_unsafe(), 0, members);
    });
}

bool JsonTreeReader::ReadArray(const std::string& text, JsonShape shape,
                               std::vector<std::shared_ptr<Variant>>& elements) {
    return WithParser(text, [&](dom::element root) {
        return root.type() == dom::element_type::ARRAY &&
               TreeBuilder(shape, text.size()).Array(root.get_array().value_unsafe(), 0, elements);
    });
}

bool ReadsAsDouble(int64_t value, JsonShape shape) {
    const bool holdsExactly = value >= -LongVariant::MAX_VALUE && value <= LongVariant::MAX_VALUE;
    return shape == JsonShape::Values && holdsExactly;
}

std::shared_ptr<Variant> JsonNumber(int64_t value, JsonShape shape) {
    return ReadsAsDouble(value, shape) ? Variant::FromDouble(static_cast<double>(value)) : Variant::FromLong(value);
}

std::shared_ptr<Variant> JsonNumber(double value, JsonShape) { return Variant::FromDouble(value); }

bool KeepsNull(JsonShape shape, bool inObject) {
    if (shape == JsonShape::Document) {
        return true;
    }
    Log::Warning(inObject ? JsonObjectSerializer::LOG_TAG : JsonArraySerializer::LOG_TAG,
                 "Unrecognized json type %d", static_cast<int32_t>(JsonType::JSON_NULL));
    return false;
}

}  // namespace NuvraMobile
