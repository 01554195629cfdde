#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace NuvraMobile {

/** Two upper-case hexadecimal digits per byte, in byte order; no bytes give the empty string. */
std::string BinToHex(const unsigned char* bytes, std::size_t length);

/**
 * The bytes of hexadecimal text: the characters before the first NUL, at most `maxLength` of them, read
 * two at a time (an odd last character is ignored; fewer than two characters give no bytes). Each pair
 * gives the low 8 bits of its leading hexadecimal digits. Throws std::invalid_argument for a pair that
 * does not begin with a hexadecimal digit.
 */
std::vector<unsigned char> HexToBin(const char* text, std::size_t maxLength);

}  // namespace NuvraMobile
