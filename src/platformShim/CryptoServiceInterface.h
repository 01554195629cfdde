#pragma once

#include <memory>
#include <string>

#include "core/values/ObjectInterface.h"
#include "platformShim/UuidInterface.h"

namespace NuvraMobile {

/** Random UUIDs and SHA-256 digests. */
class CryptoServiceInterface : public virtual ObjectInterface {
public:
    /** A new random UUID on every call. */
    virtual std::shared_ptr<UuidInterface> GetRandomUuid() = 0;
    /** The SHA-256 digest of the text's bytes as 64 lower-case hexadecimal digits. */
    virtual std::string GetSha256Hash(const std::string& text) = 0;
};

}  // namespace NuvraMobile
