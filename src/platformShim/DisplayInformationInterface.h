#pragma once

#include <cstdint>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Size and density of the main screen. Callable from any thread. */
class DisplayInformationInterface : public virtual ObjectInterface {
public:
    virtual std::int32_t GetWidthPixels() const = 0;
    virtual std::int32_t GetHeightPixels() const = 0;
    virtual std::int32_t GetDensityDpi() const = 0;
};

}  // namespace NuvraMobile
