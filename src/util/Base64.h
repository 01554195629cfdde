#pragma once

#include <optional>
#include <string>

namespace NuvraMobile {

/** Bytes to Base64 with the standard alphabet and padding, no line breaks. */
std::string EncodeBase64(const std::string& bytes);

/**
 * Base64 with the standard alphabet to bytes. Strict: whole groups of four characters, padding only at
 * the end of the last group, nothing outside the alphabet; anything else gives no value.
 */
std::optional<std::string> DecodeBase64(const std::string& text);

/**
 * As DecodeBase64 after dropping every character outside the alphabet and the padding (line breaks,
 * spaces, anything else), as text embedded in a program may carry.
 */
std::optional<std::string> DecodeBase64IgnoringUnknown(const std::string& text);

}  // namespace NuvraMobile
