#pragma once

#include <string>

namespace NuvraMobile {

/**
 * The folders that the host program names for the app, process-wide: the app bundle folder (the
 * properties file "Info.properties" with one "key=value" per line, and the packaged asset files) and
 * the cache folder. Unset, the bundle is the folder of the executable and the cache a folder named after
 * the executable under $XDG_CACHE_HOME (else ~/.cache). Any thread may call; set them before the core
 * starts.
 */
class AppFolders {
public:
    static constexpr const char* PROPERTIES_FILE_NAME = "Info.properties";

    /** The empty path restores the default. */
    static void SetBundleDirectory(const std::string& path);
    static std::string GetBundleDirectory();

    /** The empty path restores the default. */
    static void SetCacheDirectory(const std::string& path);
    static std::string GetCacheDirectory();

    /** $XDG_CACHE_HOME, else ~/.cache; empty when neither is known. */
    static std::string GetUserCacheHome();
};

}  // namespace NuvraMobile
