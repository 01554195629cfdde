#include "services/network/RequestHeaders.h"

#include <strings.h>

#include <algorithm>
#include <utility>

#include "core/values/SdkError.h"

namespace NuvraMobile {

namespace {

constexpr const char* USER_AGENT = "User-Agent";

bool IsValidName(const std::string& name) {
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7F || c == ':';
    });
}

bool IsValidValue(const std::string& value) {
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

void Set(std::vector<std::pair<std::string, std::string>>& fields, const std::string& name,
         const std::string& value) {
    if (!IsValidName(name) || !IsValidValue(value)) {
        Throw(SdkError("std.logic_error.invalid_argument", "Invalid header", CurrentDebugInfo()));
    }
    auto sameName = [&name](const auto& field) { return strcasecmp(field.first.c_str(), name.c_str()) == 0; };
    auto found = std::find_if(fields.begin(), fields.end(), sameName);
    if (found != fields.end()) {
        found->second = value;
    } else {
        fields.emplace_back(name, value);
    }
}

}  // namespace

std::vector<std::string> BuildRequestHeaderLines(const std::string& defaultUserAgent,
                                                 const std::map<std::string, std::string>& headers) {
    std::vector<std::pair<std::string, std::string>> fields;
    Set(fields, USER_AGENT, defaultUserAgent);
    for (const auto& [name, value] : headers) {
        Set(fields, name, value);
    }
    std::vector<std::string> lines;
    for (const auto& [name, value] : fields) {
        if (!value.empty()) {
            lines.push_back(name + ": " + value);
        }
    }
    return lines;
}

}  // namespace NuvraMobile
