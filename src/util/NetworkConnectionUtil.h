#pragma once

#include <cstdint>
#include <locale>
#include <map>
#include <string>
#include <vector>

#include "util/HttpConnectionConstants.h"

namespace NuvraMobile {

/**
 * What the modules share when they send requests: which HTTP statuses deserve a retry, the standard
 * headers and the "Accept-Language" text of a locale. Stateless; callable from any thread.
 */
class NetworkConnectionUtil {
public:
    static const std::vector<int32_t> RECOVERABLE_NETWORK_ERROR_CODES;

    /** True for 408, 504 and 503. */
    static bool IsRecoverableNetworkError(int32_t statusCode);

    /**
     * "Accept-Language" from the locale name when it is not empty, and "Content-Type" with the content
     * type, or "application/x-www-form-urlencoded" when that is empty.
     */
    static std::map<std::string, std::string> GetHeaders(const std::string& localeName,
                                                         const std::string& contentType);

    /** The language, "-" and region of a locale name (en_US.UTF-8 gives en-US); "en-US" when unreadable. */
    static std::string GetLocaleString(const std::string& localeName);

    static std::string GetLocaleString(const std::locale& locale);
};

}  // namespace NuvraMobile
