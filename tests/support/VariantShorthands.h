#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Variant.h"

namespace NuvraMobile {

// Short names for the values that tests build their tables and data from.
inline std::shared_ptr<Variant> Text(const std::string& text) { return Variant::FromString(text); }
inline std::shared_ptr<Variant> Int(int32_t number) { return Variant::FromInteger(number); }

}  // namespace NuvraMobile
