#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/EncodingServiceInterface.h"

namespace NuvraMobile {

/**
 * Base64 (standard alphabet, padded, no line breaks) between UTF-8 text and its encoding. Input that is
 * not valid Base64, or that is or decodes to text that is not valid UTF-8, gives the empty string. Text
 * ends at its first NUL character both ways. Holds no state; safe to call from any thread.
 */
class NativeEncodingService : public Object, public virtual EncodingServiceInterface {
public:
    std::string Base64Decode(const std::string& text) override;
    std::string Base64Encode(const std::string& bytes) override;
};

std::shared_ptr<EncodingServiceInterface> CreateNativeEncodingService();

}  // namespace NuvraMobile
