#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/CryptoServiceInterface.h"
#include "platformShim/UuidInterface.h"
#include "services/crypto/NativeCryptoService.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {

/** A UUID of fixed bytes. */
class FixedUuid : public Object, public virtual UuidInterface {
public:
    explicit FixedUuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}
    std::string GetString() const override { return "fixed"; }
    void GetBytes(std::uint8_t* bytes) const override { std::memcpy(bytes, bytes_.data(), bytes_.size()); }

private:
    const std::array<std::uint8_t, 16> bytes_;
};

/** The native digest, with UUIDs of the bytes the test sets. Set before sharing between threads. */
class FixedUuidCryptoService : public Object, public virtual CryptoServiceInterface {
public:
    std::array<std::uint8_t, 16> bytes{};

    std::shared_ptr<UuidInterface> GetRandomUuid() override { return std::make_shared<FixedUuid>(bytes); }
    std::string GetSha256Hash(const std::string& text) override { return native_->GetSha256Hash(text); }

private:
    const std::shared_ptr<CryptoServiceInterface> native_ = CreateNativeCryptoService();
};

}  // namespace NuvraMobile
