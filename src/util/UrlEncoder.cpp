#include "util/UrlEncoder.h"

#include <array>

namespace NuvraMobile {
namespace UrlEncoder {
namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

constexpr bool IsUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

// The replacement text of every byte: the byte itself when unreserved, else its escape.
struct EncodingTables {
    std::array<bool, 256> unreserved{};
    std::array<std::string, 256> replacement{};

    EncodingTables() {
        for (int byte = 0; byte < 256; ++byte) {
            unreserved[byte] = IsUnreserved(static_cast<unsigned char>(byte));
            replacement[byte] = unreserved[byte]
                                    ? std::string(1, static_cast<char>(byte))
                                    : std::string{'%', HEX_DIGITS[byte >> 4], HEX_DIGITS[byte & 0xF]};
        }
    }
};

const EncodingTables& Tables() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static const auto* tables = new EncodingTables();
    return *tables;
}

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

}  // namespace

std::string Encode(const std::string& text) {
    const EncodingTables& tables = Tables();
    size_t prefix = 0;
    while (prefix < text.size() && tables.unreserved[static_cast<unsigned char>(text[prefix])]) {
        ++prefix;
    }
    if (prefix == text.size()) {
        return text;
    }
    std::string encoded;
    encoded.reserve(text.size() * 3);
    encoded.append(text, 0, prefix);
    for (size_t i = prefix; i < text.size(); ++i) {
        encoded += tables.replacement[static_cast<unsigned char>(text[i])];
    }
    return encoded;
}

std::string Decode(const std::string& text) {
    std::string decoded;
    decoded.reserve(text.size());
    const size_t length = text.size();
    size_t i = 0;
    while (i < length) {
        if (text[i] == '%' && i + 2 < length) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        decoded += text[i];
        ++i;
    }
    return decoded;
}

}  // namespace UrlEncoder
}  // namespace NuvraMobile
