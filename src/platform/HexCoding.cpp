#include "platform/HexCoding.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

namespace NuvraMobile {

std::string BinToHex(const unsigned char* bytes, std::size_t length) {
    static const char* HEX_DIGITS = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        hex.push_back(HEX_DIGITS[bytes[i] >> 4]);
        hex.push_back(HEX_DIGITS[bytes[i] & 0x0F]);
    }
    return hex;
}

std::vector<unsigned char> HexToBin(const char* text, std::size_t maxLength) {
    std::vector<unsigned char> bytes;
    if (text == nullptr || maxLength == 0) {
        return bytes;
    }
    const std::size_t length = strnlen(text, maxLength);
    bytes.reserve(length / 2);
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        // std::stoul alone would also take leading blanks and signs; a pair must start with a digit.
        if (std::isxdigit(static_cast<unsigned char>(text[i])) == 0) {
            throw std::invalid_argument("HexToBin: not a hexadecimal pair");
        }
        bytes.push_back(static_cast<unsigned char>(std::stoul(std::string(text + i, 2), nullptr, 16) & 0xFF));
    }
    return bytes;
}

}  // namespace NuvraMobile
