#pragma once

#include <string>

namespace NuvraMobile {

/** The floating button's image: PNG data of 150 x 150 pixels with an alpha channel. */
std::string FloatingButtonImageData();

}  // namespace NuvraMobile
