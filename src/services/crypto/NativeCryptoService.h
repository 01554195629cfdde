#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/CryptoServiceInterface.h"

namespace NuvraMobile {

/**
 * Sets up the crypto and TLS library for the process without the clean-up it would otherwise run at exit:
 * the SDK's threads may be inside it until the process ends (after an exit from an SDK callback they go on
 * while the app's exit handlers run), and the process ends anyway. Whoever sets the library up first decides,
 * so the SDK calls this before its own first use of it; later calls do nothing. Any thread.
 */
void InitializeCryptoLibrary();

/** Random UUIDs and SHA-256 digests. Holds no state; safe to call from any thread. */
class NativeCryptoService : public Object, public virtual CryptoServiceInterface {
public:
    NativeCryptoService();
    std::shared_ptr<UuidInterface> GetRandomUuid() override;
    std::string GetSha256Hash(const std::string& text) override;
};

std::shared_ptr<CryptoServiceInterface> CreateNativeCryptoService();

}  // namespace NuvraMobile
