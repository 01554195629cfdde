#pragma once

#include <cstdint>

#include "core/Object.h"

namespace NuvraMobile {

// Size and density of the device's display. Any thread.
class DisplayInformationInterface : public virtual ObjectInterface {
public:
    virtual int32_t GetWidthPixels() const = 0;
    virtual int32_t GetHeightPixels() const = 0;
    virtual int32_t GetDensityDpi() const = 0;
};

}  // namespace NuvraMobile
