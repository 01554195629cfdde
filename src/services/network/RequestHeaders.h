#pragma once

#include <map>
#include <string>
#include <vector>

namespace NuvraMobile {

/**
 * The header lines ("Name: value") of one request, in sending order: "User-Agent" with the default
 * value first, then the caller's fields in ascending key order. A field replaces an earlier one of the
 * same name (case ignored) in its place, and a field whose final value is empty is not sent.
 * Throws SdkError "std.logic_error.invalid_argument" "Invalid header" for a name that is empty or holds
 * a colon, blank or control character, or a value holding CR, LF or NUL: such a field would split into
 * header lines the caller never wrote. Pure function.
 */
std::vector<std::string> BuildRequestHeaderLines(const std::string& defaultUserAgent,
                                                 const std::map<std::string, std::string>& headers);

}  // namespace NuvraMobile
