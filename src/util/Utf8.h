#pragma once

#include <string_view>

namespace NuvraMobile {

/** True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF). */
bool IsValidUtf8(std::string_view bytes);

}  // namespace NuvraMobile
