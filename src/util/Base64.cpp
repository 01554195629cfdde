#include "util/Base64.h"

#include <array>
#include <cstdint>

namespace NuvraMobile {

namespace {

constexpr const char* ALPHABET = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char PADDING = '=';
constexpr int INVALID = -1;

std::array<int, 256> MakeDecodeTable() {
    std::array<int, 256> table{};
    table.fill(INVALID);
    for (int value = 0; value < 64; ++value) {
        table[static_cast<unsigned char>(ALPHABET[value])] = value;
    }
    return table;
}

const std::array<int, 256>& DecodeTable() {
    static const std::array<int, 256> table = MakeDecodeTable();
    return table;
}

}  // namespace

std::optional<std::string> DecodeBase64(const std::string& text) {
    const std::array<int, 256>& DECODE_TABLE = DecodeTable();
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == PADDING) {
        ++padding;
    }
    const std::size_t dataLength = text.size() - padding;
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (std::size_t index = 0; index < dataLength; ++index) {
        const int value = DECODE_TABLE[static_cast<unsigned char>(text[index])];
        if (value == INVALID) {
            return std::nullopt;
        }
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
        }
    }
    return bytes;
}

std::optional<std::string> DecodeBase64IgnoringUnknown(const std::string& text) {
    std::string known;
    known.reserve(text.size());
    for (const char character : text) {
        if (character == PADDING || DecodeTable()[static_cast<unsigned char>(character)] != INVALID) {
            known.push_back(character);
        }
    }
    return DecodeBase64(known);
}

std::string EncodeBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t index = 0;
    for (; index + 2 < bytes.size(); index += 3) {
        const std::uint32_t group = (static_cast<unsigned char>(bytes[index]) << 16) |
                                    (static_cast<unsigned char>(bytes[index + 1]) << 8) |
                                    static_cast<unsigned char>(bytes[index + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            text.push_back(ALPHABET[(group >> shift) & 0x3F]);
        }
    }
    const std::size_t rest = bytes.size() - index;
    if (rest > 0) {
        std::uint32_t group = static_cast<unsigned char>(bytes[index]) << 16;
        if (rest == 2) {
            group |= static_cast<unsigned char>(bytes[index + 1]) << 8;
        }
        text.push_back(ALPHABET[(group >> 18) & 0x3F]);
        text.push_back(ALPHABET[(group >> 12) & 0x3F]);
        text.push_back(rest == 2 ? ALPHABET[(group >> 6) & 0x3F] : PADDING);
        text.push_back(PADDING);
    }
    return text;
}

}  // namespace NuvraMobile
