#include "services/crypto/NativeCryptoService.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "services/crypto/NativeUuid.h"

namespace NuvraMobile {

void InitializeCryptoLibrary() { OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr); }

NativeCryptoService::NativeCryptoService() { InitializeCryptoLibrary(); }

std::shared_ptr<UuidInterface> NativeCryptoService::GetRandomUuid() { return std::make_shared<NativeUuid>(); }

std::string NativeCryptoService::GetSha256Hash(const std::string& text) {
    static const char* HEX_DIGITS = "0123456789abcdef";
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &digestLength, EVP_sha256(), nullptr) != 1) {
        return "";
    }
    std::string hex;
    hex.reserve(2 * digestLength);
    for (unsigned int index = 0; index < digestLength; ++index) {
        hex.push_back(HEX_DIGITS[digest[index] >> 4]);
        hex.push_back(HEX_DIGITS[digest[index] & 0x0F]);
    }
    return hex;
}

std::shared_ptr<CryptoServiceInterface> CreateNativeCryptoService() {
    return std::make_shared<NativeCryptoService>();
}

}  // namespace NuvraMobile
