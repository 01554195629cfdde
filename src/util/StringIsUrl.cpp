// StringUtils::StringIsUrl, scanned by hand in one pass so that texts of any length get an answer
// without deep recursion.
#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

#include "util/StringUtils.h"

namespace NuvraMobile::StringUtils {

namespace {

constexpr std::size_t MAX_URL_LENGTH = 64 * 1024;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Lower-case letters, digits and the bytes of non-ASCII characters (from 0xa1).
bool IsLabelCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || IsDigit(c) || byte >= 0xa1;
}

bool IsHostCharacter(char c) { return IsLabelCharacter(c) || c == '-' || c == '.'; }

std::size_t SkipScheme(std::string_view url) {
    for (const std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (url.substr(0, scheme.size()) == scheme) {
            return scheme.size();
        }
    }
    return std::string_view::npos;
}

// Labels joined by dots, each beginning and ending with a label character; one final dot is allowed.
bool IsHostName(std::string_view host) {
    if (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    if (host.empty()) {
        return false;
    }
    std::size_t labelStart = 0;
    while (true) {
        const std::size_t dot = std::min(host.find('.', labelStart), host.size());
        const std::string_view label = host.substr(labelStart, dot - labelStart);
        if (label.empty() || !IsLabelCharacter(label.front()) || !IsLabelCharacter(label.back())) {
            return false;
        }
        if (dot == host.size()) {
            return true;
        }
        labelStart = dot + 1;
    }
}

// Dotted-quad hosts in 10/8, 169.254/16, 192.168/16 and 172.16/12 name machines of a private network.
bool IsPrivateDottedQuad(std::string_view host) {
    if (!host.empty() && host.back() == '.') {
        host.remove_suffix(1);
    }
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (parts.size() < 5) {
        const std::size_t dot = std::min(host.find('.', start), host.size());
        parts.push_back(host.substr(start, dot - start));
        if (dot == host.size()) {
            break;
        }
        start = dot + 1;
    }
    if (parts.size() != 4) {
        return false;
    }
    for (const std::string_view part : parts) {
        if (part.empty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), IsDigit)) {
            return false;
        }
    }
    const std::string_view first = parts[0];
    const std::string_view second = parts[1];
    const bool secondIn16To31 =
        second.size() == 2 && ((second[0] == '1' && second[1] >= '6') || second[0] == '2' ||
                               (second[0] == '3' && second[1] <= '1'));
    return first == "10" || (first == "169" && second == "254") || (first == "192" && second == "168") ||
           (first == "172" && secondIn16To31);
}

// The part after any user information: host, optional port of 2 to 5 digits, then nothing or a
// path, query or fragment.
bool IsHostPortAndRest(std::string_view text) {
    std::size_t index = 0;
    while (index < text.size() && IsHostCharacter(text[index])) {
        ++index;
    }
    const std::string_view host = text.substr(0, index);
    if (!IsHostName(host) || IsPrivateDottedQuad(host)) {
        return false;
    }
    if (index < text.size() && text[index] == ':') {
        const std::size_t portStart = ++index;
        while (index < text.size() && IsDigit(text[index])) {
            ++index;
        }
        const std::size_t portLength = index - portStart;
        if (portLength < 2 || portLength > 5) {
            return false;
        }
    }
    return index == text.size() || text[index] == '/' || text[index] == '?' || text[index] == '#';
}

}  // namespace

bool StringIsUrl(const std::string& text) {
    if (text.size() > MAX_URL_LENGTH || std::any_of(text.begin(), text.end(), IsWhitespace)) {
        return false;
    }
    const std::string_view url(text);
    const std::size_t authorityStart = SkipScheme(url);
    if (authorityStart == std::string_view::npos) {
        return false;
    }
    const std::string_view authority = url.substr(authorityStart);
    if (IsHostPortAndRest(authority)) {
        return true;
    }
    // User information ends at some "@" after at least one character; any of them may be the one.
    for (std::size_t at = authority.find('@', 1); at != std::string_view::npos;
         at = authority.find('@', at + 1)) {
        if (IsHostPortAndRest(authority.substr(at + 1))) {
            return true;
        }
    }
    return false;
}

}  // namespace NuvraMobile::StringUtils
