#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "configuration/ConfigurationDownloader.h"
#include "core/SdkError.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"

namespace NuvraMobile {
namespace {

constexpr const char* kUrl = "https://config.nuvra.com/app.json";

class ConfigurationDownloaderTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedRemoteFileManager> files_ = std::make_shared<ScriptedRemoteFileManager>();
    ConfigurationDownloader downloader_{files_, kUrl, CreateNativeJsonUtilityService()};
    ScopedCapturingLog log_;
};

TEST_F(ConfigurationDownloaderTest, SuccessfulDownloadKeepsOnlyThisUrlInTheCache) {
    files_->download = R"({"a": 1})";
    EXPECT_EQ(R"({"a": 1})", downloader_.DownloadConfig());
    EXPECT_EQ(std::vector<std::string>{std::string("download config ") + kUrl}, files_->requests);
    ASSERT_EQ(1u, files_->deletions.size());
    EXPECT_EQ("config", files_->deletions[0].first);
    EXPECT_EQ(std::deque<std::string>{kUrl}, files_->deletions[0].second);
}

TEST_F(ConfigurationDownloaderTest, FailedDownloadLeavesTheCacheAlone) {
    files_->downloadFails = true;
    EXPECT_EQ("", downloader_.DownloadConfig());
    EXPECT_TRUE(files_->deletions.empty());
    EXPECT_TRUE(log_.Service().Contains(std::string("Failed to download config from ") + kUrl));
}

TEST_F(ConfigurationDownloaderTest, EmptyDownloadYieldsNothing) {
    EXPECT_EQ("", downloader_.DownloadConfig());
}

TEST_F(ConfigurationDownloaderTest, BodyThatIsNotAJsonObjectIsAFailureAndLeavesTheCache) {
    for (const char* body : {"<html>maintenance</html>", "[1, 2]", "\"text\""}) {
        SCOPED_TRACE(body);
        files_->deletions.clear();
        files_->download = body;
        EXPECT_EQ("", downloader_.DownloadConfig());
        ASSERT_EQ(1u, files_->deletions.size());
        EXPECT_TRUE(files_->deletions[0].second.empty());
    }
}

TEST_F(ConfigurationDownloaderTest, CachedCopyOrNothing) {
    EXPECT_EQ("", downloader_.LoadCachedConfig());
    EXPECT_TRUE(log_.Service().Contains(std::string("Failed to find cacheed config at ") + kUrl));
    files_->cached = true;
    files_->cachedText = R"({"b": 2})";
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
