#pragma once

#include <map>
#include <string>

namespace NuvraMobile {
namespace UrlUtil {

/**
 * The name=value pairs of a query text, split at "&" and at the first "="; pieces with an empty name
 * or value are skipped and a later name replaces an earlier one. Nothing is decoded or trimmed.
 * Stateless; callable from any thread.
 */
std::map<std::string, std::string> ExtractQueryParameters(const std::string& query);

}  // namespace UrlUtil
}  // namespace NuvraMobile
