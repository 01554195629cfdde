#include "services/system/NativeSystemInfoService.h"

#include <pthread.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

#include "core/values/SdkError.h"
#include "services/storage/AppInfo.h"
#include "services/storage/ExtensionVersionManager.h"
#include "services/system/AppFolders.h"
#include "services/system/FileIo.h"
#include "services/system/NativeDisplayInformation.h"
#include "services/system/StackTrace.h"
#include "util/Log.h"
#include "util/Mutex.h"
#include "util/StringUtils.h"
#include "util/Utf8.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "SystemInfoService";
constexpr const char* CANONICAL_PLATFORM_NAME = "ios";
constexpr const char* UNKNOWN = "Unknown";
constexpr size_t MAX_THREAD_NAME_BYTES = 15;

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

/** "key=value" lines; blank lines and lines starting with "#" are skipped. */
std::map<std::string, std::string> ReadKeyValueFile(const std::string& path) {
    std::map<std::string, std::string> entries;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::string trimmed = Trim(line);
        size_t equals = trimmed.find('=');
        if (trimmed.empty() || trimmed[0] == '#' || equals == std::string::npos) {
            continue;
        }
        entries[Trim(trimmed.substr(0, equals))] = Trim(trimmed.substr(equals + 1));
    }
    return entries;
}

std::string BundleProperty(const std::string& bundleDirectory, const std::string& key) {
    std::string path = (std::filesystem::path(bundleDirectory) / AppFolders::PROPERTIES_FILE_NAME).string();
    std::map<std::string, std::string> properties = ReadKeyValueFile(path);
    auto found = properties.find(key);
    return found != properties.end() ? found->second : "";
}

/** A field of /etc/os-release, its quotes removed; empty when absent. */
std::string OsReleaseField(const std::string& key) {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::map<std::string, std::string> fields = ReadKeyValueFile(path);
        if (fields.empty()) {
            continue;
        }
        std::string value = fields[key];
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return value;
    }
    return "";
}

utsname Uname() {
    utsname names{};
    if (uname(&names) != 0) {
        std::memset(&names, 0, sizeof(names));
    }
    return names;
}

std::string ReadOperatingSystemName() {
    std::string name = OsReleaseField("NAME");
    return name.empty() ? Uname().sysname : name;
}

std::string ReadOperatingSystemVersion() {
    std::string version = OsReleaseField("VERSION_ID");
    return version.empty() ? Uname().release : version;
}

/** LC_ALL, else LANG; empty when neither is set. */
std::string LocaleSetting() {
    for (const char* variable : {"LC_ALL", "LANG"}) {
        if (const char* value = std::getenv(variable); value != nullptr && value[0] != '\0') {
            return value;
        }
    }
    return "";
}

std::locale ActiveLocale() {
    std::string setting = LocaleSetting();
    if (setting.empty()) {
        return std::locale::classic();
    }
    try {
        return std::locale(setting);
    } catch (const std::exception&) {
        return std::locale::classic();
    }
}

/**
 * The locale identifier without encoding or modifier ("en_US" of "en_US.UTF-8"); empty for the C and POSIX
 * locales and for names that are not made of letters, digits, "_" and "-", which have no place in a header.
 */
std::string LocaleIdentifier(const std::string& localeName) {
    std::string identifier = localeName.substr(0, localeName.find_first_of(".@"));
    bool wellFormed = std::all_of(identifier.begin(), identifier.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    });
    return !wellFormed || identifier == "C" || identifier == "POSIX" ? "" : identifier;
}

}  // namespace

NativeSystemInfoService::NativeSystemInfoService() : reachability_(Reachability::ForInternetConnection()) {}

std::locale NativeSystemInfoService::GetActiveLocale() const { return ActiveLocale(); }

std::string NativeSystemInfoService::GetApplicationBaseDir() const {
    return AppFolders::GetBundleDirectory();
}

std::string NativeSystemInfoService::GetApplicationCacheDir() const {
    std::string appGroup = AppInfo::GetAppGroup();
    std::string path;
    std::string cacheHome = AppFolders::GetUserCacheHome();
    if (!appGroup.empty() && !cacheHome.empty()) {
        path = (std::filesystem::path(cacheHome) / appGroup).string();
    } else {
        path = AppFolders::GetCacheDirectory();
    }
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
    }
    return path;
}

std::string NativeSystemInfoService::GetApplicationName() const {
    std::string name = GetProperty("CFBundleName");
    if (name.empty()) {
        name = GetProperty("CFBundleDisplayName");
    }
    if (name.empty()) {
        Log::Error(LOG_TAG, "Failed to get application name (CFBundleName, CFBundleDisplayName are nil)");
    }
    return name;
}

std::string NativeSystemInfoService::GetApplicationVersion() const { return GetProperty("CFBundleVersion"); }

std::string NativeSystemInfoService::GetApplicationVersionCode() const {
    return GetProperty("CFBundleShortVersionString");
}

std::string NativeSystemInfoService::GetAsset(const std::string& fileName) const {
    if (fileName.empty()) {
        Log::Debug(LOG_TAG, "Failed to get asset (file name was empty)");
        return "";
    }
    // Assets are the files of the bundle folder itself: a name never reaches outside it.
    if (fileName.find('/') != std::string::npos || fileName == "." || fileName == "..") {
        Log::Warning(LOG_TAG, "Call to GetAsset failed to read file '%s': %s", "",
                     "no such resource in the bundle");
        return "";
    }
    const std::string folder = AppFolders::GetBundleDirectory();
    std::string path = (std::filesystem::path(folder) / fileName).string();
    std::string failure;
    std::string content = ReadWholeFile(path, failure).value_or("");
    if (failure.empty() && !IsValidUtf8(content)) {
        failure = "the file is not UTF-8 text";
    }
    if (!failure.empty()) {
        ReportIfBundleIsMissing(folder);
        Log::Warning(LOG_TAG, "Call to GetAsset failed to read file '%s': %s", path, failure);
        return "";
    }
    return content;
}

std::string NativeSystemInfoService::GetDeviceBuildId() const {
    // The version text reads "Version <os version> (Build <kernel release>)"; the build id is its last word
    // without the closing parenthesis.
    std::string versionText =
        "Version " + ReadOperatingSystemVersion() + " (Build " + std::string(Uname().release) + ")";
    std::string lastWord = versionText.substr(versionText.rfind(' ') + 1);
    return lastWord.empty() ? "" : lastWord.substr(0, lastWord.size() - 1);
}

std::string NativeSystemInfoService::GetDeviceName() const { return Uname().machine; }

std::shared_ptr<DisplayInformationInterface> NativeSystemInfoService::GetDisplayInformation() const {
    return std::make_shared<NativeDisplayInformation>();
}

std::string NativeSystemInfoService::GetMobileCarrierName() const { return UNKNOWN; }

ConnectionStatus NativeSystemInfoService::GetNetworkConnectionStatus() const {
    switch (reachability_->GetStatus()) {
        case Reachability::Status::REACHABLE:
            return ConnectionStatus::CONNECTED;
        case Reachability::Status::NOT_REACHABLE:
            return ConnectionStatus::DISCONNECTED;
        default:
            return ConnectionStatus::UNKNOWN;
    }
}

std::string NativeSystemInfoService::GetOperatingSystemName() const {
    return Cached(&CachedTexts::operatingSystemName, ReadOperatingSystemName);
}

std::string NativeSystemInfoService::GetCanonicalPlatformName() const { return CANONICAL_PLATFORM_NAME; }

std::string NativeSystemInfoService::GetCurrentStackTrace() const { return CurrentStackTrace(); }

std::string NativeSystemInfoService::GetOperatingSystemVersion() const {
    return Cached(&CachedTexts::operatingSystemVersion, ReadOperatingSystemVersion);
}

std::string NativeSystemInfoService::GetProperty(const std::string& name) const {
    const std::string folder = AppFolders::GetBundleDirectory();
    std::string value = BundleProperty(folder, name);
    if (value.empty()) {
        ReportIfBundleIsMissing(folder);
    }
    return value;
}

std::string NativeSystemInfoService::GetRunMode() const {
    return Cached(&CachedTexts::runMode, [] {
        std::error_code error;
        std::string executable = std::filesystem::read_symlink("/proc/self/exe", error).string();
        return executable.find(".appex/") != std::string::npos ? "Extension" : "Application";
    });
}

std::string NativeSystemInfoService::GetSdkVersion() const {
    return ExtensionVersionManager::GetSdkVersion();
}

std::string NativeSystemInfoService::GetDefaultUserAgent() const {
    return Cached(&CachedTexts::defaultUserAgent, [this] {
        std::string model = Uname().sysname;
        std::string osVersion = StringUtils::Replace(ReadOperatingSystemVersion(), ".", "_");
        std::string locale = GetActiveLocaleName();
        return StringUtils::FormatString("Mozilla/5.0 (%s; CPU OS %s like Mac OS X; %s)", model, osVersion,
                                         locale.empty() ? std::string(UNKNOWN) : locale);
    });
}

void NativeSystemInfoService::SetCurrentThreadName(const std::string& name) const {
    if (name.empty()) {
        return;
    }
    pthread_setname_np(pthread_self(), name.substr(0, MAX_THREAD_NAME_BYTES).c_str());
}

void NativeSystemInfoService::RegisterOneTimeNetworkConnectionStatusListener(
    const std::string& name, const std::function<void()>& listener) const {
    std::shared_ptr<Reachability> observer = Reachability::ForInternetConnection();
    Log::Trace(LOG_TAG, "Registering listener %s", name);
    bool watching = observer && observer->SetCallback([name, listener] {
        Log::Trace(LOG_TAG, "Invoking listener %s", name);
        if (listener) {
            TrySwallow(listener);
        }
    });
    if (!watching) {
        Throw(SdkError("general.unexpected", "A platform error occurred while registering the listener.",
                       CurrentDebugInfo()));
    }
}

std::string NativeSystemInfoService::GetApplicationBundleId() const {
    std::string bundleId = GetProperty("CFBundleIdentifier");
    if (bundleId.empty()) {
        Log::Warning(LOG_TAG, "Failed to get application bundle id (CFBundleIdentifier is nil)");
    }
    return bundleId;
}

DeviceType NativeSystemInfoService::GetDeviceType() const { return DeviceType::PHONE; }

DisplayOrientation NativeSystemInfoService::GetCurrentOrientation() const {
    return DisplayOrientation::UNKNOWN;
}

std::string NativeSystemInfoService::GetActiveLocaleName() const { return LocaleIdentifier(LocaleSetting()); }

// Asked only after a read found nothing, so a bundle that is there costs no look at its folder.
void NativeSystemInfoService::ReportIfBundleIsMissing(const std::string& folder) const {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error) && IsFirstReportOfMissingBundle(folder)) {
        Log::Error(LOG_TAG,
                   "The app bundle folder '%s' does not exist or is not a folder: the app's properties (%s) and "
                   "packaged files such as the configuration (NVBMobileConfig.json) cannot be read",
                   folder, AppFolders::PROPERTIES_FILE_NAME);
    }
}

bool NativeSystemInfoService::IsFirstReportOfMissingBundle(const std::string& folder) const {
    MutexLock lock(mutex_);
    return reportedMissingBundles_.insert(folder).second;
}

std::string NativeSystemInfoService::Cached(std::optional<std::string> CachedTexts::*text,
                                            const std::function<std::string()>& compute) const {
    MutexLock lock(mutex_);
    std::optional<std::string>& value = cached_.*text;
    if (!value.has_value()) {
        value = compute();
    }
    return *value;
}

std::shared_ptr<SystemInfoServiceInterface> CreateNativeSystemInfoService() {
    return std::make_shared<NativeSystemInfoService>();
}

}  // namespace NuvraMobile
