#include "services/system/AppFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

struct Settings {
    Mutex mutex;
    std::string bundleDirectory NVR_GUARDED_BY(mutex);
    std::string cacheDirectory NVR_GUARDED_BY(mutex);
};

Settings& GetSettings() {
    static auto* settings = new Settings();  // never destroyed: read by threads that outlive main
    return *settings;
}

std::filesystem::path ExecutablePath() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof(buffer), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "";
}

std::string Read(const std::string Settings::*field) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    return settings.*field;
}

void Write(std::string Settings::*field, const std::string& value) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    settings.*field = value;
}

}  // namespace

void AppFolders::SetBundleDirectory(const std::string& path) { Write(&Settings::bundleDirectory, path); }

std::string AppFolders::GetBundleDirectory() {
    std::string bundle = Read(&Settings::bundleDirectory);
    return bundle.empty() ? ExecutablePath().parent_path().string() : bundle;
}

void AppFolders::SetCacheDirectory(const std::string& path) { Write(&Settings::cacheDirectory, path); }

std::string AppFolders::GetCacheDirectory() {
    std::string cache = Read(&Settings::cacheDirectory);
    if (!cache.empty()) {
        return cache;
    }
    std::string cacheHome = GetUserCacheHome();
    std::string executable = ExecutablePath().filename().string();
    if (cacheHome.empty() || executable.empty()) {
        return "";
    }
    return (std::filesystem::path(cacheHome) / executable).string();
}

std::string AppFolders::GetUserCacheHome() {
    if (const char* cacheHome = std::getenv("XDG_CACHE_HOME"); cacheHome != nullptr && cacheHome[0] == '/') {
        return cacheHome;
    }
    std::string home = HomeDirectory();
    return home.empty() ? "" : (std::filesystem::path(home) / ".cache").string();
}

}  // namespace NuvraMobile
