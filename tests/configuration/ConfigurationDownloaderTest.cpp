#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "configuration/ConfigurationDownloader.h"
#include "core/values/SdkError.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "services/network/NativeRemoteFileManagerService.h"
#include "services/threading/NativeThreadingService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeSystemInfoService.h"
#include "support/FaultInjectingFileSystemService.h"
#include "support/FileSystemTestFolder.h"
#include "support/RulesBundleFakes.h"
#include "support/ScriptedNetworkService.h"

namespace NuvraMobile {
namespace {

constexpr const char* kUrl = "https://config.nuvra.com/app.json";

class ConfigurationDownloaderTest : public ::testing::Test {
protected:
    std::shared_ptr<FixedRemoteFileManager> files_ = std::make_shared<FixedRemoteFileManager>();
    ConfigurationDownloader downloader_{files_, kUrl, CreateNativeJsonUtilityService()};
    ScopedCapturingLog log_;
};

TEST_F(ConfigurationDownloaderTest, SuccessfulDownloadKeepsOnlyThisUrlInTheCache) {
    files_->download = FixedRemoteFileManager::FileWith(R"({"a": 1})");
    EXPECT_EQ(R"({"a": 1})", downloader_.DownloadConfig());
    EXPECT_EQ((std::vector<std::string>{std::string("cache config ") + kUrl,
                                        std::string("download config ") + kUrl}),
              files_->requests);
    ASSERT_EQ(1u, files_->deletions.size());
    EXPECT_EQ("config", files_->deletions[0].first);
    EXPECT_EQ(std::deque<std::string>{kUrl}, files_->deletions[0].second);
}

// A file fetched for an app id after the app asked for another must not remove that other's cached copy,
// which its next offline launch reads.
TEST_F(ConfigurationDownloaderTest, ADownloadNoLongerAskedForKeepsTheOtherCopies) {
    files_->download = FixedRemoteFileManager::FileWith(R"({"a": 1})");
    for (const bool latest : {false, true}) {
        SCOPED_TRACE(latest ? "the latest" : "no longer asked for");
        files_->deletions.clear();
        EXPECT_EQ(R"({"a": 1})", downloader_.DownloadConfig([latest] { return latest; }));
        EXPECT_EQ(latest ? 1u : 0u, files_->deletions.size());
    }
}

TEST_F(ConfigurationDownloaderTest, FailedDownloadLeavesTheCacheAlone) {
    EXPECT_EQ("", downloader_.DownloadConfig());
    EXPECT_TRUE(files_->deletions.empty());
    EXPECT_TRUE(log_.Service().Contains(std::string("Failed to download config from ") + kUrl));
}

TEST_F(ConfigurationDownloaderTest, EmptyDownloadYieldsNothing) {
    files_->download = FixedRemoteFileManager::FileWith("");
    EXPECT_EQ("", downloader_.DownloadConfig());
}

TEST_F(ConfigurationDownloaderTest, BodyThatIsNotAJsonObjectIsAFailureAndLeavesTheCache) {
    for (const char* body : {"<html>maintenance</html>", "[1, 2]", "\"text\""}) {
        SCOPED_TRACE(body);
        files_->download = FixedRemoteFileManager::FileWith(body);
        EXPECT_EQ("", downloader_.DownloadConfig());
        EXPECT_TRUE(files_->deletions.empty());
        EXPECT_TRUE(log_.Service().Contains(std::string("Refused the config downloaded from ") + kUrl));
    }
}

struct RefusedBody {
    const char* name;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

std::ostream& operator<<(std::ostream& stream, const RefusedBody& refused) { return stream << refused.name; }

/** The downloader over the real download cache, fed by a scripted server. */
class ConfigurationDownloadCacheTest : public testing::Test {
protected:
    // The cache folder is set before the remote-file manager below reads it.
    static std::shared_ptr<FakeSystemInfoService> SystemInfoCachingIn(const std::string& folder) {
        auto systemInfo = std::make_shared<FakeSystemInfoService>();
        systemInfo->Update(
            [&](FakeSystemInfoService::Answers& answers) { answers.applicationCacheDir = folder; });
        return systemInfo;
    }

    FileSystemTestFolder cache_;
    std::shared_ptr<FakeSystemInfoService> systemInfo_ = SystemInfoCachingIn(cache_.Path());
    std::shared_ptr<ScriptedNetworkService> network_ = std::make_shared<ScriptedNetworkService>();
    std::shared_ptr<FaultInjectingFileSystemService> fileSystem_ =
        std::make_shared<FaultInjectingFileSystemService>(CreateNativeFileSystemService());
    std::shared_ptr<ThreadingServiceInterface> threading_ = CreateNativeThreadingService();
    std::shared_ptr<RemoteFileManagerServiceInterface> remoteFiles_ =
        CreateNativeRemoteFileManagerService(network_, fileSystem_, systemInfo_, threading_);
    ConfigurationDownloader downloader_{remoteFiles_, kUrl, CreateNativeJsonUtilityService(), fileSystem_};
    ScopedCapturingLog log_{LoggingMode::Warning};
};

class ConfigurationRefusedBodyTest : public ConfigurationDownloadCacheTest,
                                     public testing::WithParamInterface<RefusedBody> {};

TEST_P(ConfigurationRefusedBodyTest, LeavesTheCachedConfigurationInPlace) {
    network_->ThenAnswer(200, R"({"a": 1})", {{"ETag", "\"v1\""}})
        .ThenAnswer(200, GetParam().body, GetParam().headers)
        .ThenAnswer(200, R"({"b": 2})");
    ASSERT_EQ(R"({"a": 1})", downloader_.DownloadConfig());

    EXPECT_EQ("", downloader_.DownloadConfig());
    EXPECT_EQ(R"({"a": 1})", downloader_.LoadCachedConfig());
    EXPECT_TRUE(log_.Service().Contains(std::string("Refused the config downloaded from ") + kUrl + ": its " +
                                        std::to_string(GetParam().body.size()) + " bytes"));

    EXPECT_EQ(R"({"b": 2})", downloader_.DownloadConfig());
    EXPECT_EQ(R"({"b": 2})", downloader_.LoadCachedConfig());
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ConfigurationRefusedBodyTest,
    testing::Values(RefusedBody{"HtmlPage", "<html>maintenance</html>", {{"Content-Type", "text/html"}}},
                    RefusedBody{
                        "HtmlPageWithItsOwnEntityTag", "<html>maintenance</html>", {{"ETag", "\"v2\""}}},
                    RefusedBody{"NotUtf8", "{\"a\": \"\xff\xfe\"}", {}}, RefusedBody{"Empty", "", {}}),
    testing::PrintToStringParamName());

TEST_F(ConfigurationDownloadCacheTest, APreviousCopyThatCannotBeWrittenWholeIsNotLeftHalfWritten) {
    network_->ThenAnswer(200, R"({"a": 1, "padding": "0123456789"})").ThenAnswer(200, "<html></html>");
    ASSERT_FALSE(downloader_.DownloadConfig().empty());
    fileSystem_->FailWritesAfter(10);

    EXPECT_EQ("", downloader_.DownloadConfig());
    EXPECT_EQ("", downloader_.LoadCachedConfig());
    EXPECT_TRUE(log_.Service().Contains("Could not put the cached config of"));
}

TEST_F(ConfigurationDownloaderTest, CachedCopyOrNothing) {
    EXPECT_EQ("", downloader_.LoadCachedConfig());
    EXPECT_TRUE(log_.Service().Contains(std::string("Failed to find cacheed config at ") + kUrl));
    files_->cached = FixedRemoteFileManager::FileWith(R"({"b": 2})");
    EXPECT_EQ(R"({"b": 2})", downloader_.LoadCachedConfig());
}

TEST_F(ConfigurationDownloaderTest, MissingRemoteFileManagerIsRefused) {
    try {
        ConfigurationDownloader(nullptr, kUrl);
        ADD_FAILURE() << "no error";
    } catch (const SdkError& error) {
        EXPECT_EQ("platform_services.missing_service", error.GetCode());
        EXPECT_EQ("RemoteFileManagerService is not available.", error.GetMessage());
    }
}

TEST_F(ConfigurationDownloaderTest, DescribesItsUrl) {
    EXPECT_NE(std::string::npos, downloader_.ToString().find(std::string("url: \"") + kUrl + "\""));
}

}  // namespace
}  // namespace NuvraMobile
