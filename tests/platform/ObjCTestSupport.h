#pragma once

#include <functional>

namespace NuvraMobile {

/** True when `work` throws a C++ exception; an Objective-C++ frame cannot catch one on this runtime. */
bool ThrowsCppException(const std::function<void()>& work);

}  // namespace NuvraMobile
