#include "services/encoding/NativeEncodingService.h"

#include "util/Base64.h"
#include "util/Utf8.h"

namespace NuvraMobile {

namespace {

std::string UpToFirstNul(const std::string& text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::string NativeEncodingService::Base64Decode(const std::string& text) {
    const auto bytes = DecodeBase64(text);
    if (!bytes.has_value() || !IsValidUtf8(*bytes)) {
        return "";
    }
    return UpToFirstNul(*bytes);
}

std::string NativeEncodingService::Base64Encode(const std::string& bytes) {
    const std::string text = UpToFirstNul(bytes);
    return IsValidUtf8(text) ? EncodeBase64(text) : "";
}

std::shared_ptr<EncodingServiceInterface> CreateNativeEncodingService() {
    return std::make_shared<NativeEncodingService>();
}

}  // namespace NuvraMobile
