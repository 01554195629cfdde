#pragma once

#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Asks the system to open a URL outside the app. Any thread may call. */
class UrlOpenerInterface : public virtual ObjectInterface {
public:
    /** False when the system could not open it. */
    virtual bool Open(const std::string& url) = 0;
};

}  // namespace NuvraMobile
