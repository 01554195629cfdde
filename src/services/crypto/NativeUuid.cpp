#include "services/crypto/NativeUuid.h"

#include <uuid/uuid.h>

#include <cstring>

namespace NuvraMobile {

NativeUuid::NativeUuid() { uuid_generate_random(bytes_.data()); }

std::string NativeUuid::GetString() const {
    char text[37];
    uuid_unparse_upper(bytes_.data(), text);
    return text;
}

void NativeUuid::GetBytes(std::uint8_t* bytes) const { std::memcpy(bytes, bytes_.data(), bytes_.size()); }

}  // namespace NuvraMobile
