#pragma once

#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Base64 with the standard alphabet and padding; undecodable input gives the empty string. */
class EncodingServiceInterface : public virtual ObjectInterface {
public:
    virtual std::string Base64Decode(const std::string& text) = 0;
    virtual std::string Base64Encode(const std::string& bytes) = 0;
};

}  // namespace NuvraMobile
