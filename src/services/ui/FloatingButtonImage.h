#pragma once

#include <string>

namespace NuvraMobile {

/** The floating button's image: PNG data of 150 x 150 pixels with an alpha channel. */
std::string FloatingButtonImageData();

/** Base64 text to bytes, skipping every character outside the alphabet (line breaks, spaces...). */
std::string DecodeBase64IgnoringUnknown(const std::string& text);

}  // namespace NuvraMobile
