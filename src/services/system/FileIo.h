#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace NuvraMobile {

/**
 * The whole content of a regular file, or empty with the reason in `failure` (a missing file, a folder,
 * a read error). Never throws. Any thread may call.
 */
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& failure);

/** Writes all the bytes to the open file descriptor, resuming after interruptions; false on an error. */
bool WriteAll(int fileDescriptor, std::string_view bytes);

}  // namespace NuvraMobile
