#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/CryptoServiceInterface.h"

namespace NuvraMobile {

/** Random UUIDs and SHA-256 digests. Holds no state; safe to call from any thread. */
class NativeCryptoService : public Object, public virtual CryptoServiceInterface {
public:
    std::shared_ptr<UuidInterface> GetRandomUuid() override;
    std::string GetSha256Hash(const std::string& text) override;
};

std::shared_ptr<CryptoServiceInterface> CreateNativeCryptoService();

}  // namespace NuvraMobile
