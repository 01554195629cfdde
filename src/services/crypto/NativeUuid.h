#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/values/Object.h"
#include "platformShim/UuidInterface.h"

namespace NuvraMobile {

/** A random (version 4) UUID fixed at construction; its text is upper case. Immutable, any thread. */
class NativeUuid : public Object, public virtual UuidInterface {
public:
    NativeUuid();

    std::string GetString() const override;
    void GetBytes(std::uint8_t* bytes) const override;

private:
    std::array<std::uint8_t, 16> bytes_;
};

}  // namespace NuvraMobile
