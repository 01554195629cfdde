#include "util/NetworkConnectionUtil.h"

#include <algorithm>
#include <regex>

namespace NuvraMobile {
namespace {

constexpr char DEFAULT_LOCALE_STRING[] = "en-US";

// Language, optional extended language, optional script, optional region, optional rest (an encoding).
const std::regex& LocalePattern() {
    // Never destroyed: a network thread may still read it while the process exits.
    static const auto* pattern = new std::regex(
        "^([a-zA-Z]{2,3})(?:(?:-|_)[a-zA-Z]{3})?(?:(?:-|_)[a-zA-Z]{4})?(?:(?:-|_)([a-zA-Z]{2}|[0-9]{3}))?"
        "(?:(?:\\.|-|_).*)?$");
    return *pattern;
}

}  // namespace

const std::vector<int32_t> NetworkConnectionUtil::RECOVERABLE_NETWORK_ERROR_CODES = {
    HttpConnectionConstants::HTTP_CLIENT_TIMEOUT, HttpConnectionConstants::HTTP_GATEWAY_TIMEOUT,
    HttpConnectionConstants::HTTP_UNAVAILABLE};

bool NetworkConnectionUtil::IsRecoverableNetworkError(int32_t statusCode) {
    return std::find(RECOVERABLE_NETWORK_ERROR_CODES.begin(), RECOVERABLE_NETWORK_ERROR_CODES.end(),
                     statusCode) != RECOVERABLE_NETWORK_ERROR_CODES.end();
}

std::map<std::string, std::string> NetworkConnectionUtil::GetHeaders(const std::string& localeName,
                                                                     const std::string& contentType) {
    std::map<std::string, std::string> headers;
    if (!localeName.empty()) {
        headers[HttpConnectionHeaderConstants::HTTP_HEADER_KEY_ACCEPT_LANGUAGE] = GetLocaleString(localeName);
    }
    headers[HttpConnectionHeaderConstants::HTTP_HEADER_KEY_CONTENT_TYPE] =
        contentType.empty() ? HttpConnectionHeaderConstants::HTTP_HEADER_CONTENT_TYPE_WWW_FORM_URLENCODED
                            : contentType;
    return headers;
}

std::string NetworkConnectionUtil::GetLocaleString(const std::string& localeName) {
    std::smatch match;
    if (!std::regex_match(localeName, match, LocalePattern())) {
        return DEFAULT_LOCALE_STRING;
    }
    const std::string region = match[2].str();
    return region.empty() ? match[1].str() : match[1].str() + "-" + region;
}

std::string NetworkConnectionUtil::GetLocaleString(const std::locale& locale) {
    return GetLocaleString(locale.name());
}

}  // namespace NuvraMobile
