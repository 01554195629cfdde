#include <gtest/gtest.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "services/storage/AppInfo.h"
#include "services/system/AppFolders.h"
#include "services/system/NativeSystemInfoService.h"
#include "services/system/Reachability.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

utsname Uname() {
    utsname names{};
    uname(&names);
    return names;
}

/** A system-info service over a bundle folder and a cache home in a temporary folder. */
class NativeSystemInfoServiceTest : public testing::Test {
protected:
    NativeSystemInfoServiceTest() {
        std::string pattern = (fs::temp_directory_path() / "system-info-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        fs::create_directories(root_ / "bundle");
        AppFolders::SetBundleDirectory((root_ / "bundle").string());
        setenv("XDG_CACHE_HOME", (root_ / "cache").c_str(), 1);
        unsetenv("LC_ALL");
    }

    ~NativeSystemInfoServiceTest() override {
        AppFolders::SetBundleDirectory("");
        AppFolders::SetCacheDirectory("");
        AppInfo::SetAppGroup("");
        fs::remove_all(root_);
    }

    void WriteBundleFile(const std::string& name, const std::string& content) {
        std::ofstream(root_ / "bundle" / name, std::ios::binary) << content;
    }

    fs::path root_;
    std::shared_ptr<SystemInfoServiceInterface> service_ = CreateNativeSystemInfoService();
};

TEST_F(NativeSystemInfoServiceTest, DeviceFactsComeFromThisMachineAndWireConstantsStayFixed) {
    EXPECT_EQ("ios", service_->GetCanonicalPlatformName());
    EXPECT_EQ("Unknown", service_->GetMobileCarrierName());
    EXPECT_EQ(DeviceType::PHONE, service_->GetDeviceType());
    EXPECT_EQ(DisplayOrientation::UNKNOWN, service_->GetCurrentOrientation());
    EXPECT_EQ(Uname().machine, service_->GetDeviceName());
    EXPECT_EQ(Uname().release, service_->GetDeviceBuildId());
    EXPECT_FALSE(service_->GetOperatingSystemName().empty());
    EXPECT_FALSE(service_->GetOperatingSystemVersion().empty());
    EXPECT_EQ("Application", service_->GetRunMode());
    EXPECT_EQ("2.3.5", service_->GetSdkVersion());
    auto display = service_->GetDisplayInformation();
    ASSERT_NE(nullptr, display);
    EXPECT_EQ(0, display->GetWidthPixels());
    EXPECT_EQ(0, display->GetHeightPixels());
    EXPECT_EQ(-1, display->GetDensityDpi());
}

TEST_F(NativeSystemInfoServiceTest, BundlePropertiesComeFromTheBundleFolder) {
    WriteBundleFile("Info.properties",
                    "# the app\n"
                    "CFBundleName =\n"
                    "CFBundleDisplayName = Shop\n"
                    "CFBundleVersion=42\n"
                    "CFBundleShortVersionString=1.2.3\n"
                    "NVBMobileAppID=launch-id=with-equals\n");
    ScopedCapturingLog log(LoggingMode::Trace);
    EXPECT_EQ("Shop", service_->GetApplicationName());
    EXPECT_EQ("42", service_->GetApplicationVersion());
    EXPECT_EQ("1.2.3", service_->GetApplicationVersionCode());
    EXPECT_EQ("launch-id=with-equals", service_->GetProperty("NVBMobileAppID"));
    EXPECT_EQ("", service_->GetProperty("Absent"));
    EXPECT_TRUE(log.Service().GetLines().empty());
    EXPECT_EQ((root_ / "bundle").string(), service_->GetApplicationBaseDir());

    EXPECT_EQ("", service_->GetApplicationBundleId());
    EXPECT_EQ(std::vector<std::string>{"Failed to get application bundle id (CFBundleIdentifier is nil)"},
              log.Service().GetMessages());
}

TEST_F(NativeSystemInfoServiceTest, AnAppWithoutANameLogsAnError) {
    ScopedCapturingLog log(LoggingMode::Error);
    EXPECT_EQ("", service_->GetApplicationName());
    EXPECT_EQ(
        std::vector<std::string>{
            "Failed to get application name (CFBundleName, CFBundleDisplayName are nil)"},
        log.Service().GetMessages());
}

TEST_F(NativeSystemInfoServiceTest, ABundleFolderThatIsNotThereIsReportedOnceWithItsPath) {
    std::ofstream(root_ / "a-file") << "not a folder";
    for (const fs::path& bundle : {root_ / "absent", root_ / "a-file"}) {
        AppFolders::SetBundleDirectory(bundle.string());
        ScopedCapturingLog log(LoggingMode::Error);
        service_->GetApplicationName();
        service_->GetApplicationName();
        service_->GetAsset("NVBMobileConfig.json");
        service_->GetProperty("NVBMobileAppID");
        const std::vector<std::string> expected = {
            "The app bundle folder '" + bundle.string() +
                "' does not exist or is not a folder: the app's properties (Info.properties) and packaged "
                "files such as the configuration (NVBMobileConfig.json) cannot be read",
            "Failed to get application name (CFBundleName, CFBundleDisplayName are nil)",
            "Failed to get application name (CFBundleName, CFBundleDisplayName are nil)",
        };
        EXPECT_EQ(expected, log.Service().GetMessages()) << bundle;
    }
}

TEST_F(NativeSystemInfoServiceTest, AssetsAreTheBundleFilesAsText) {
    WriteBundleFile("NVBMobileConfig.json", "{\"global.privacy\":\"optedin\"}");
    WriteBundleFile("binary.dat", std::string("\xff\xfe", 2));
    fs::create_directories(root_ / "outside");
    std::ofstream(root_ / "outside" / "secret.txt") << "secret";
    struct Case {
        std::string name;
        std::string text;
        std::string logged;
    };
    const Case cases[] = {
        {"NVBMobileConfig.json", "{\"global.privacy\":\"optedin\"}", ""},
        {"", "", "Failed to get asset (file name was empty)"},
        {"missing.json", "",
         "Call to GetAsset failed to read file '" + (root_ / "bundle" / "missing.json").string()},
        {"binary.dat", "",
         "Call to GetAsset failed to read file '" + (root_ / "bundle" / "binary.dat").string()},
        {"../outside/secret.txt", "", "Call to GetAsset failed to read file ''"},
    };
    for (const Case& c : cases) {
        ScopedCapturingLog log(LoggingMode::Trace);
        EXPECT_EQ(c.text, service_->GetAsset(c.name)) << c.name;
        std::vector<std::string> messages = log.Service().GetMessages();
        if (c.logged.empty()) {
            EXPECT_TRUE(messages.empty()) << c.name;
        } else {
            ASSERT_EQ(1u, messages.size()) << c.name;
            EXPECT_EQ(0u, messages[0].find(c.logged)) << messages[0];
        }
    }
}

TEST_F(NativeSystemInfoServiceTest, LocaleFallsBackToCWhenTheNamedOneIsNotInstalled) {
    setenv("LANG", "xx_BOGUS.UTF-8", 1);
    EXPECT_EQ("C", service_->GetActiveLocale().name());
    EXPECT_EQ("xx_BOGUS", service_->GetActiveLocaleName());
    setenv("LC_ALL", "C.UTF-8", 1);
    EXPECT_EQ("", service_->GetActiveLocaleName());
    unsetenv("LC_ALL");
    setenv("LANG", "en_US\r\nX: y", 1);
    EXPECT_EQ("", service_->GetActiveLocaleName());
    unsetenv("LANG");
    EXPECT_EQ("C", service_->GetActiveLocale().name());
    EXPECT_EQ("", service_->GetActiveLocaleName());
}

TEST_F(NativeSystemInfoServiceTest, UserAgentKeepsTheWireFormatAndIsComputedOnce) {
    setenv("LANG", "de_AT.UTF-8", 1);
    std::string version = service_->GetOperatingSystemVersion();
    std::replace(version.begin(), version.end(), '.', '_');
    std::string agent = service_->GetDefaultUserAgent();
    EXPECT_EQ(
        std::string("Mozilla/5.0 (") + Uname().sysname + "; CPU OS " + version + " like Mac OS X; de_AT)",
        agent);
    setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(agent, service_->GetDefaultUserAgent());

    unsetenv("LANG");
    std::string fresh = CreateNativeSystemInfoService()->GetDefaultUserAgent();
    EXPECT_EQ("; Unknown)", fresh.substr(fresh.size() - 10));
}

TEST_F(NativeSystemInfoServiceTest, ThreadNamesAreCutTo15Bytes) {
    char name[32] = {};
    service_->SetCurrentThreadName("worker-thread-number-1");
    pthread_getname_np(pthread_self(), name, sizeof(name));
    EXPECT_EQ("worker-thread-n", std::string(name));
    service_->SetCurrentThreadName("");
    pthread_getname_np(pthread_self(), name, sizeof(name));
    EXPECT_EQ("worker-thread-n", std::string(name));
}

TEST_F(NativeSystemInfoServiceTest, CacheFolderFollowsTheAppGroupAndTheHostSetting) {
    std::string executable = fs::read_symlink("/proc/self/exe").filename().string();
    std::string perApp = (root_ / "cache" / executable).string();
    EXPECT_EQ(perApp, service_->GetApplicationCacheDir());
    EXPECT_TRUE(fs::is_directory(perApp));

    AppInfo::SetAppGroup("group.com.example.shared");
    EXPECT_EQ((root_ / "cache" / "group.com.example.shared").string(), service_->GetApplicationCacheDir());
    AppInfo::SetAppGroup("");

    AppFolders::SetCacheDirectory((root_ / "host" / "cache").string());
    EXPECT_EQ((root_ / "host" / "cache").string(), service_->GetApplicationCacheDir());
    EXPECT_TRUE(fs::is_directory(root_ / "host" / "cache"));
}

TEST_F(NativeSystemInfoServiceTest, NetworkStatusFollowsReachability) {
    struct Case {
        Reachability::Status reachability;
        ConnectionStatus status;
    };
    const Case cases[] = {
        {Reachability::Status::REACHABLE, ConnectionStatus::CONNECTED},
        {Reachability::Status::NOT_REACHABLE, ConnectionStatus::DISCONNECTED},
        {Reachability::Status::UNKNOWN, ConnectionStatus::UNKNOWN},
    };
    for (const Case& c : cases) {
        Reachability::SetStatusForTesting(c.reachability);
        EXPECT_EQ(c.status, service_->GetNetworkConnectionStatus());
    }
    Reachability::ClearStatusForTesting();
}

}  // namespace
}  // namespace NuvraMobile
