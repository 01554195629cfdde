#include "services/url/NativeUrlService.h"

#include <cstring>
#include <optional>

#include "util/Log.h"
#include "util/UrlEncoder.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "NativeUrlService";

struct UrlParts {
    std::string scheme;
    std::string host;
    std::string path;
    std::string query;
};

bool IsAlpha(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z');
}

bool IsDigit(char character) { return character >= '0' && character <= '9'; }

bool IsHexDigit(char character) {
    return IsDigit(character) || (character >= 'a' && character <= 'f') ||
           (character >= 'A' && character <= 'F');
}

// The NUL byte belongs to no set: strchr would find the terminator.
bool IsOneOf(const char* set, char character) {
    return character != '\0' && std::strchr(set, character) != nullptr;
}

bool IsUnreserved(char character) {
    return IsAlpha(character) || IsDigit(character) || IsOneOf("-._~", character);
}

bool IsSubDelimiter(char character) { return IsOneOf("!$&'()*+,;=", character); }

// Every character is unreserved, a sub-delimiter, one of `extra`, or part of a "%" and two hex digits.
bool IsMadeOf(const std::string& text, const char* extra) {
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (character == '%') {
            if (index + 2 >= text.size() || !IsHexDigit(text[index + 1]) || !IsHexDigit(text[index + 2])) {
                return false;
            }
            index += 2;
        } else if (!(IsUnreserved(character) || IsSubDelimiter(character) || IsOneOf(extra, character))) {
            return false;
        }
    }
    return true;
}

bool IsValidScheme(const std::string& scheme) {
    if (scheme.empty() || !IsAlpha(scheme[0])) {
        return false;
    }
    for (const char character : scheme) {
        if (!(IsAlpha(character) || IsDigit(character) || IsOneOf("+-.", character))) {
            return false;
        }
    }
    return true;
}

// authority = [ userinfo "@" ] host [ ":" port ]; the host is returned without IPv6 brackets.
std::optional<std::string> ParseHost(const std::string& authority) {
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos && !IsMadeOf(authority.substr(0, at), ":")) {
        return std::nullopt;
    }
    std::string hostAndPort = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string host;
    std::string port;
    if (!hostAndPort.empty() && hostAndPort[0] == '[') {
        const std::size_t close = hostAndPort.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        host = hostAndPort.substr(1, close - 1);
        if (host.empty() || !IsMadeOf(host, ":")) {
            return std::nullopt;
        }
        const std::string rest = hostAndPort.substr(close + 1);
        if (!rest.empty() && rest[0] != ':') {
            return std::nullopt;
        }
        port = rest.empty() ? "" : rest.substr(1);
    } else {
        const std::size_t colon = hostAndPort.rfind(':');
        host = hostAndPort.substr(0, colon);
        port = colon == std::string::npos ? "" : hostAndPort.substr(colon + 1);
        if (!IsMadeOf(host, "")) {
            return std::nullopt;
        }
    }
    for (const char character : port) {
        if (!IsDigit(character)) {
            return std::nullopt;
        }
    }
    return host;
}

std::optional<UrlParts> ParseUrl(const std::string& url) {
    if (url.empty()) {
        return std::nullopt;
    }
    UrlParts parts;
    std::string rest = url;
    const std::size_t fragmentStart = rest.find('#');
    if (fragmentStart != std::string::npos) {
        if (!IsMadeOf(rest.substr(fragmentStart + 1), ":@/?")) {
            return std::nullopt;
        }
        rest.erase(fragmentStart);
    }
    const std::size_t queryStart = rest.find('?');
    if (queryStart != std::string::npos) {
        parts.query = rest.substr(queryStart + 1);
        if (!IsMadeOf(parts.query, ":@/?")) {
            return std::nullopt;
        }
        rest.erase(queryStart);
    }
    const std::size_t colon = rest.find(':');
    if (colon != std::string::npos && rest.find('/') > colon) {
        // A colon in the first segment ends a scheme; a relative path may not hold one there.
        parts.scheme = rest.substr(0, colon);
        if (!IsValidScheme(parts.scheme)) {
            return std::nullopt;
        }
        rest.erase(0, colon + 1);
    }
    if (rest.rfind("//", 0) == 0) {
        const std::size_t pathStart = rest.find('/', 2);
        const auto host = ParseHost(rest.substr(2, pathStart - 2));
        if (!host.has_value()) {
            return std::nullopt;
        }
        parts.host = *host;
        rest = pathStart == std::string::npos ? "" : rest.substr(pathStart);
    }
    if (!IsMadeOf(rest, ":@/")) {
        return std::nullopt;
    }
    parts.path = UrlEncoder::Decode(rest);
    return parts;
}

// Runs `part` on the parsed URL, or logs `failure` and answers the empty string.
template <typename Part>
std::string UrlPart(const std::string& url, const char* failure, Part part) {
    const auto parts = ParseUrl(url);
    if (!parts.has_value()) {
        Log::Debug(LOG_TAG, failure, url);
        return "";
    }
    return part(*parts);
}

}  // namespace

std::string NativeUrlService::GetQuery(const std::string& url) {
    return UrlPart(url, "Provided URL (%s) is invalid, couldn't extract query params",
                   [](const UrlParts& parts) { return parts.query; });
}

std::string NativeUrlService::GetPath(const std::string& url) {
    return UrlPart(url, "Provided URL (%s) is invalid, couldn't extract url path",
                   [](const UrlParts& parts) { return parts.path; });
}

std::string NativeUrlService::GetScheme(const std::string& url) {
    return UrlPart(url, "Provided URL (%s) is invalid, couldn't extract scheme",
                   [](const UrlParts& parts) { return parts.scheme; });
}

std::string NativeUrlService::GetHost(const std::string& url) {
    return UrlPart(url, "Provided URL (%s) is invalid, couldn't extract host",
                   [](const UrlParts& parts) { return parts.host; });
}

std::shared_ptr<URLServiceInterface> CreateNativeUrlService() { return std::make_shared<NativeUrlService>(); }

}  // namespace NuvraMobile
