#pragma once

#include <cstdint>

#include "core/values/Object.h"
#include "platformShim/DisplayInformationInterface.h"

namespace NuvraMobile {

/**
 * The main screen's size, measured once at construction. A Linux host has no main screen, so width and
 * height are 0; the density is never measured (-1). Immutable: any thread may read it.
 */
class NativeDisplayInformation : public Object, public virtual DisplayInformationInterface {
public:
    NativeDisplayInformation() = default;

    std::int32_t GetWidthPixels() const override;
    std::int32_t GetHeightPixels() const override;
    std::int32_t GetDensityDpi() const override;

private:
    const std::int32_t widthPixels_ = 0;
    const std::int32_t heightPixels_ = 0;
    const std::int32_t densityDpi_ = -1;
};

}  // namespace NuvraMobile
