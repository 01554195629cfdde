#include "core/values/CollectionUtils.h"

#include <algorithm>

namespace NuvraMobile {
namespace CollectionUtils {
namespace {

using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;
using VariantVector = std::vector<std::shared_ptr<Variant>>;

bool IsContainer(const Variant& value) {
    return value.GetKind() == VariantKind::VARIANT_VECTOR || value.GetKind() == VariantKind::VARIANT_MAP;
}

// The vector under the key: empty when the key is absent, false when the value is not a vector.
bool ExistingVector(const VariantMap& base, const std::string& key, VariantVector& out) {
    const auto found = base.find(key);
    return found == base.end() || (found->second && found->second->GetVariantVector(out));
}

bool ExistingMap(const VariantMap& base, const std::string& key, VariantMap& out) {
    const auto found = base.find(key);
    return found == base.end() || (found->second && found->second->GetVariantMap(out));
}

bool EndsWithForEachSuffix(const std::string& key) {
    const std::string suffix = SUFFIX_FOR_EACH_OBJECT;
    return key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Every map element of the vector under the plain key merged with the additions.
void MergeIntoEachObject(const VariantMap& base, const std::string& key, const VariantMap& additions,
                         VariantMap& result) {
    const std::string plainKey =
        key.substr(0, key.size() - std::char_traits<char>::length(SUFFIX_FOR_EACH_OBJECT));
    VariantVector elements;
    if (!ExistingVector(base, plainKey, elements)) {
        return;
    }
    for (std::shared_ptr<Variant>& element : elements) {
        VariantMap elementMap;
        if (element->GetVariantMap(elementMap)) {
            element = Variant::FromVariantMap(AddDataToMap(elementMap, additions));
        }
    }
    result[plainKey] = Variant::FromVariantVector(std::move(elements));
}

// An empty nested container reads "[ ]" or "{ }" as a map value, but nothing as a vector element.
std::string ValueText(const std::shared_ptr<Variant>& value, int indent, bool asMapValue);

template <typename Collection, typename WriteItem>
std::string PrettyString(const Collection& collection, int indent, const char* open, const char* close,
                         WriteItem writeItem) {
    if (collection.empty()) {
        return std::string();
    }
    std::string text = open;
    bool first = true;
    for (const auto& item : collection) {
        if (!first) text += ',';
        first = false;
        text += '\n';
        text += GetWhitespace(4 * indent);
        writeItem(text, item);
    }
    text += '\n';
    text += GetWhitespace(4 * (indent - 1));
    text += close;
    return text;
}

std::string ValueText(const std::shared_ptr<Variant>& value, int indent, bool asMapValue) {
    if (!value) {
        return "null";
    }
    std::string text;
    switch (value->GetKind()) {
        case VariantKind::VARIANT_NULL:
            return "null";
        case VariantKind::VARIANT_STRING:
            value->GetString(text);
            return "\"" + text + "\"";
        case VariantKind::VARIANT_VECTOR: {
            VariantVector elements;
            value->GetVariantVector(elements);
            return elements.empty() && asMapValue ? "[ ]" : GetPrettyString(elements, indent + 1);
        }
        case VariantKind::VARIANT_MAP: {
            VariantMap entries;
            value->GetVariantMap(entries);
            return entries.empty() && asMapValue ? "{ }" : GetPrettyString(entries, indent + 1);
        }
        default:
            value->ConvertToString(text);
            return text;
    }
}

}  // namespace

VariantMap AddDataToMap(const VariantMap& base, const VariantMap& additions) {
    VariantMap result = base;
    for (const auto& [key, value] : additions) {
        if (!value) {
            continue;
        }
        switch (value->GetKind()) {
            case VariantKind::VARIANT_NULL:
                break;
            case VariantKind::VARIANT_VECTOR: {
                VariantVector existing;
                VariantVector added;
                if (ExistingVector(base, key, existing) && value->GetVariantVector(added)) {
                    result[key] = Variant::FromVariantVector(AddDataToVector(existing, added));
                }
                break;
            }
            case VariantKind::VARIANT_MAP: {
                VariantMap added;
                value->GetVariantMap(added);
                if (EndsWithForEachSuffix(key)) {
                    MergeIntoEachObject(base, key, added, result);
                } else {
                    VariantMap existing;
                    if (ExistingMap(base, key, existing)) {
                        result[key] = Variant::FromVariantMap(AddDataToMap(existing, added));
                    }
                }
                break;
            }
            default:
                if (base.count(key) == 0) {
                    result[key] = value;
                }
                break;
        }
    }
    return result;
}

VariantVector AddDataToVector(const VariantVector& base, const VariantVector& additions) {
    VariantVector result = base;
    for (const std::shared_ptr<Variant>& element : additions) {
        if (!element || element->GetKind() == VariantKind::VARIANT_NULL) {
            continue;
        }
        const bool alreadyInBase =
            !IsContainer(*element) &&
            std::any_of(base.begin(), base.end(),
                        [&](const std::shared_ptr<Variant>& existing) { return IsEqual(existing, element); });
        if (!alreadyInBase) {
            result.push_back(element);
        }
    }
    return result;
}

std::string GetPrettyString(const VariantMap& map, int indent) {
    return PrettyString(map, indent, "{", "}",
                        [indent](std::string& text, const VariantMap::value_type& entry) {
                            text += "\"" + entry.first + "\" : " + ValueText(entry.second, indent, true);
                        });
}

std::string GetPrettyString(const VariantVector& vector, int indent) {
    return PrettyString(vector, indent, "[", "]",
                        [indent](std::string& text, const std::shared_ptr<Variant>& element) {
                            text += ValueText(element, indent, false);
                        });
}

std::string GetWhitespace(int count) {
    return count < 1 ? std::string() : std::string(static_cast<size_t>(count), ' ');
}

}  // namespace CollectionUtils
}  // namespace NuvraMobile
