#pragma once

#include <cstdint>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** One immutable UUID. */
class UuidInterface : public virtual ObjectInterface {
public:
    /** The 36-character text form: hexadecimal groups of 8, 4, 4, 4 and 12 digits joined by hyphens. */
    virtual std::string GetString() const = 0;
    /** Copies the 16 bytes of the UUID into `bytes`, which must hold 16 bytes. */
    virtual void GetBytes(std::uint8_t* bytes) const = 0;
};

}  // namespace NuvraMobile
