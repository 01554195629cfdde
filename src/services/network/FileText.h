#pragma once

#include <optional>
#include <string>

namespace NuvraMobile {

/**
 * The whole content of a regular file, or empty with the reason in `failure` (a missing file, a folder,
 * a read error). Never throws. Any thread may call.
 */
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& failure);

}  // namespace NuvraMobile
