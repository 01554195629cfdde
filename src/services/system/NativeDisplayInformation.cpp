#include "services/system/NativeDisplayInformation.h"

namespace NuvraMobile {

std::int32_t NativeDisplayInformation::GetWidthPixels() const { return widthPixels_; }

std::int32_t NativeDisplayInformation::GetHeightPixels() const { return heightPixels_; }

std::int32_t NativeDisplayInformation::GetDensityDpi() const { return densityDpi_; }

}  // namespace NuvraMobile
