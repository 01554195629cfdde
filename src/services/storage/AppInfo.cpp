#include "services/storage/AppInfo.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

#include "services/storage/KeyValueStore.h"
#include "util/Mutex.h"

namespace NuvraMobile {

namespace {

constexpr const char* STORE_FILE_STEM = "NuvraDefaults";
constexpr const char* STORE_FILE_EXTENSION = ".sqlite";
constexpr const char* GROUP_INFIX = ".group.";

struct Settings {
    Mutex mutex;
    std::string appGroup NVR_GUARDED_BY(mutex);
    std::string dataDirectory NVR_GUARDED_BY(mutex);
};

Settings& GetSettings() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static auto* settings = new Settings();
    return *settings;
}

std::string ExecutableName() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("NuvraMobileApp") : executable.filename().string();
}

std::string DefaultDataDirectory() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (dataHome != nullptr && std::filesystem::path(dataHome).is_absolute()) {
        base = dataHome;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        base = std::filesystem::path(home) / ".local" / "share";
    }
    return (base / ExecutableName()).string();
}

// Group names become part of a file name: every byte outside letters, digits, ".", "-" and "_" is
// written as "%" and two hexadecimal digits, so no name can reach another folder.
std::string EscapeForFileName(const std::string& name) {
    static const char* HEX_DIGITS = "0123456789ABCDEF";
    std::string escaped;
    for (const char character : name) {
        const auto byte = static_cast<unsigned char>(character);
        const bool isPlain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                             (byte >= '0' && byte <= '9') || character == '.' || character == '-' ||
                             character == '_';
        if (isPlain) {
            escaped.push_back(character);
        } else {
            escaped.push_back('%');
            escaped.push_back(HEX_DIGITS[byte >> 4]);
            escaped.push_back(HEX_DIGITS[byte & 0x0F]);
        }
    }
    return escaped;
}

std::shared_ptr<KeyValueStore> InMemoryFallback() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static const auto* fallback = new std::shared_ptr<KeyValueStore>(KeyValueStore::OpenInMemory());
    return *fallback;
}

// The folders in which no store file could be opened. The in-memory store stands in for them for the
// rest of the process, so the values stay in one place and the failure is said once.
struct FoldersInMemory {
    Mutex mutex;
    std::set<std::string> folders NVR_GUARDED_BY(mutex);
};

FoldersInMemory& GetFoldersInMemory() {
    // Never destroyed: the SDK's threads may still use it while the process exits.
    static auto* foldersInMemory = new FoldersInMemory();
    return *foldersInMemory;
}

}  // namespace

void AppInfo::SetAppGroup(const std::string& appGroup) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    settings.appGroup = appGroup;
}

std::string AppInfo::GetAppGroup() {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    return settings.appGroup;
}

void AppInfo::SetDataDirectory(const std::string& path) {
    Settings& settings = GetSettings();
    MutexLock lock(settings.mutex);
    settings.dataDirectory = path;
}

std::string AppInfo::GetDataDirectory() {
    {
        Settings& settings = GetSettings();
        MutexLock lock(settings.mutex);
        if (!settings.dataDirectory.empty()) {
            return settings.dataDirectory;
        }
    }
    return DefaultDataDirectory();
}

std::string AppInfo::StoreFileName(const std::string& appGroup) {
    if (appGroup.empty()) {
        return std::string(STORE_FILE_STEM) + STORE_FILE_EXTENSION;
    }
    return std::string(STORE_FILE_STEM) + GROUP_INFIX + EscapeForFileName(appGroup) + STORE_FILE_EXTENSION;
}

std::shared_ptr<KeyValueStore> AppInfo::GetUserDefaults() {
    const std::filesystem::path folder = GetDataDirectory();
    FoldersInMemory& inMemory = GetFoldersInMemory();
    MutexLock lock(inMemory.mutex);
    if (inMemory.folders.count(folder.string()) != 0) {
        return InMemoryFallback();
    }
    const std::string appGroup = GetAppGroup();
    if (!appGroup.empty()) {
        if (auto groupStore = KeyValueStore::Open((folder / StoreFileName(appGroup)).string())) {
            return groupStore;
        }
    }
    if (auto appStore = KeyValueStore::Open((folder / StoreFileName("")).string())) {
        return appStore;
    }
    KeyValueStore::ReportValuesKeptInMemory(folder.string());
    inMemory.folders.insert(folder.string());
    return InMemoryFallback();
}

}  // namespace NuvraMobile
