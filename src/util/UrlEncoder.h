#pragma once

#include <string>

namespace NuvraMobile {
namespace UrlEncoder {

/**
 * Percent-encodes every byte except A-Z, a-z, 0-9 and "-._~" as "%" plus two upper-case hexadecimal
 * digits (one escape per byte of a multi-byte character). Stateless; callable from any thread.
 */
std::string Encode(const std::string& text);

/**
 * Turns every "%" followed by two hexadecimal digits into that byte; anything else, "+" and broken
 * escapes included, is copied unchanged. Stateless; callable from any thread.
 */
std::string Decode(const std::string& text);

}  // namespace UrlEncoder
}  // namespace NuvraMobile
