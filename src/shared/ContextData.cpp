#include "shared/ContextData.h"

#include <array>

#include "util/UrlEncoder.h"

namespace NuvraMobile {
namespace {

// The bytes allowed in keys: ".", 0-9, A-Z, a-z and "_".
constexpr std::array<bool, 256> MakeCharacterMask() {
    std::array<bool, 256> mask{};
    for (int byte = 0; byte < 256; ++byte) {
        mask[byte] = byte == '.' || byte == '_' || (byte >= '0' && byte <= '9') ||
                     (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    }
    return mask;
}

constexpr std::array<bool, 256> CONTEXTDATA_CHARACTER_MASK = MakeCharacterMask();

constexpr char WRAPPER_START[] = "&c.";
constexpr char WRAPPER_END[] = "&.c";
constexpr size_t WRAPPER_LENGTH = 3;

// The text between an outer "&c." at the very start and "&.c" at the very end, else the whole text.
// (The two markers cannot overlap, so a wrapped text has at least six bytes.)
std::string Unwrap(const std::string& text) {
    if (text.size() >= WRAPPER_LENGTH && text.find(WRAPPER_START) == 0 &&
        text.rfind(WRAPPER_END) == text.size() - WRAPPER_LENGTH) {
        return text.substr(WRAPPER_LENGTH, text.size() - 2 * WRAPPER_LENGTH);
    }
    return text;
}

bool EndsWith(const std::string& text, char last) { return !text.empty() && text.back() == last; }

}  // namespace

std::string ContextData::CleanKey(const std::string& key) {
    std::string cleaned;
    cleaned.reserve(key.size());
    for (char byte : key) {
        if (!CONTEXTDATA_CHARACTER_MASK[static_cast<unsigned char>(byte)]) continue;
        if (byte == '.' && EndsWith(cleaned, '.')) continue;
        cleaned += byte;
    }
    if (!cleaned.empty() && cleaned.front() == '.') {
        cleaned.erase(0, 1);
    }
    if (EndsWith(cleaned, '.')) {
        cleaned.pop_back();
    }
    return cleaned;
}

std::map<std::string, std::string> ContextData::CleanDictionaryKeys(
    const std::map<std::string, std::string>& map) {
    std::map<std::string, std::string> cleaned;
    for (const auto& [key, value] : map) {
        std::string cleanKey = CleanKey(key);
        if (!cleanKey.empty()) {
            cleaned[std::move(cleanKey)] = value;
        }
    }
    return cleaned;
}

std::string ContextData::EncodeContextData(const std::map<std::string, std::string>& map) {
    std::map<std::string, ContextData> tree;
    for (const auto& [key, value] : CleanDictionaryKeys(map)) {
        EncodeValueIntoMap(value, tree, Split(key, '.'), 0);
    }
    return SerializeToURLFormat(tree);
}

std::map<std::string, std::string> ContextData::DecodeContextData(const std::string& text) {
    std::map<std::string, std::string> decoded;
    std::vector<std::string> openPrefixes;
    for (const std::string& part : Split(Unwrap(text), '&')) {
        if (EndsWith(part, '.') && part.find('=') == std::string::npos) {
            openPrefixes.push_back(part);
        } else if (part.front() == '.' && !openPrefixes.empty()) {
            openPrefixes.pop_back();
        } else {
            const std::vector<std::string> keyAndValue = Split(part, '=');
            if (keyAndValue.size() == 2) {
                decoded[Flatten(openPrefixes, keyAndValue[0])] = UrlEncoder::Decode(keyAndValue[1]);
            }
        }
    }
    return decoded;
}

std::vector<std::string> ContextData::Split(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(delimiter, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            pieces.emplace_back(text, start, end - start);
        }
        start = end + 1;
    }
    return pieces;
}

std::string ContextData::Flatten(const std::vector<std::string>& prefixes, const std::string& key) {
    std::string flat;
    for (const std::string& prefix : prefixes) {
        flat += prefix;
    }
    return flat + key;
}

void ContextData::EncodeValueIntoMap(const std::string& value, std::map<std::string, ContextData>& nodes,
                                     const std::vector<std::string>& segments, size_t index) {
    if (index >= segments.size() || segments[index].empty()) {
        return;
    }
    ContextData& node = nodes[segments[index]];
    if (index + 1 == segments.size()) {
        node.value = value;
    } else {
        EncodeValueIntoMap(value, node.data, segments, index + 1);
    }
}

std::string ContextData::SerializeToURLFormat(const std::map<std::string, ContextData>& nodes) {
    std::string text;
    for (const auto& [segment, node] : nodes) {
        if (!node.value.empty()) {
            text += '&';
            text += segment;
            text += '=';
            text += UrlEncoder::Encode(node.value);
        }
        if (!node.data.empty()) {
            text += '&';
            text += segment;
            text += '.';
            text += SerializeToURLFormat(node.data);
            text += "&.";
            text += segment;
        }
    }
    return text;
}

}  // namespace NuvraMobile
