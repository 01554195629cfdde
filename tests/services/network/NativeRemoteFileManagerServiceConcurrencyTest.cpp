#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/filesystem/NativeFileSystemService.h"
#include "services/network/DownloadCache.h"
#include "services/network/NativeNetworkService.h"
#include "services/network/NativeRemoteFileManagerService.h"
#include "services/network/NetworkTestSettings.h"
#include "services/threading/NativeThreadingService.h"
#include "support/CapturingLoggingService.h"
#include "support/FakeSystemInfoService.h"
#include "support/LoopbackHttpsServer.h"

namespace NuvraMobile {
namespace {

namespace fs = std::filesystem;

constexpr const char* LAST_MODIFIED = "Thu, 01 Jan 1970 00:01:40 GMT";
constexpr const char* ENTITY_TAG = "\"ab\"";

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::string ErrorOf(const RemoteFileResult& result) {
    return result.HasError() ? result.Error().GetCode() + ": " + result.Error().GetMessage() : "no error";
}

/**
 * A remote file manager over the real network service, caching in a temporary folder, against a loopback
 * server whose answer to "/file" the test sets in turn.
 */
class RemoteFileManagerTest : public testing::Test {
protected:
    RemoteFileManagerTest() {
        std::string pattern = (fs::temp_directory_path() / "remote-files-XXXXXX").string();
        cacheDir_ = mkdtemp(pattern.data());
        FakeSystemInfoService::Answers answers;
        answers.applicationCacheDir = cacheDir_;
        systemInfo_ = std::make_shared<FakeSystemInfoService>(answers);
        NetworkTestSettings::SetTrustedCertificateAuthority(server_.CertificateAuthorityPem());
        network_ = CreateNativeNetworkService(systemInfo_);
        manager_ = CreateNativeRemoteFileManagerService(network_, CreateNativeFileSystemService(),
                                                        systemInfo_, CreateNativeThreadingService());
        server_.Handle("/file", [this](const LoopbackRequest&) {
            std::lock_guard<std::mutex> lock(mutex_);
            return answer_;
        });
        url_ = server_.Url("/file");
    }

    ~RemoteFileManagerTest() override {
        manager_->Dispose(1000);
        network_->Dispose(0);
        NetworkTestSettings::SetTrustedCertificateAuthority("");
        fs::remove_all(cacheDir_);
    }

    void Answer(int status, std::vector<std::pair<std::string, std::string>> headers, std::string body) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = LoopbackResponse{status, std::move(headers), std::move(body)};
    }

    std::string CachePath(const std::string& folder, const std::string& extension) const {
        return cacheDir_ + "/nvbdownloadcache/" + folder + "/" + DownloadCache::GetDigestForUrl(url_) + "." +
               extension;
    }

    /** Caches "first" under the name of LAST_MODIFIED and ENTITY_TAG. */
    std::string CacheFirstCopy() {
        Answer(200, {{"Last-Modified", LAST_MODIFIED}, {"ETag", ENTITY_TAG}}, "first");
        RemoteFileResult result = manager_->GetFileSync("config", url_);
        return result.HasValue() ? result.ConstValue()->ToUri() : "";
    }

    LoopbackRequest LastRequest() const { return server_.Requests().back(); }

    LoopbackHttpsServer server_;
    std::string cacheDir_;
    std::shared_ptr<FakeSystemInfoService> systemInfo_;
    std::shared_ptr<NetworkServiceInterface> network_;
    std::shared_ptr<RemoteFileManagerServiceInterface> manager_;
    std::string url_;
    std::mutex mutex_;
    LoopbackResponse answer_;  // guarded by mutex_
};

TEST_F(RemoteFileManagerTest, FirstDownloadStoresTheBodyUnderTheNameOfItsDateAndEntityTag) {
    std::string path = CacheFirstCopy();
    EXPECT_EQ(CachePath("config", "100_22616222"), path);
    EXPECT_EQ("first", ReadFile(path));
    EXPECT_FALSE(LastRequest().HasHeader("If-Modified-Since"));
    EXPECT_FALSE(LastRequest().HasHeader("If-None-Match"));
    EXPECT_EQ("first",
              manager_->GetFileFromCache("config", url_, false).ConstValue()->ReadJsonStringFromFile());
}

TEST_F(RemoteFileManagerTest, SecondDownloadIsConditionalAndKeepsTheFileWhenNotModified) {
    std::string path = CacheFirstCopy();
    Answer(304, {}, "");
    RemoteFileResult result = manager_->GetFileSync("config", url_);
    ASSERT_TRUE(result.HasValue()) << ErrorOf(result);
    EXPECT_EQ(path, result.ConstValue()->ToUri());
    EXPECT_EQ("first", result.ConstValue()->ReadJsonStringFromFile());
    EXPECT_EQ(LAST_MODIFIED, LastRequest().Header("If-Modified-Since"));
    EXPECT_EQ(ENTITY_TAG, LastRequest().Header("If-None-Match"));
}

TEST_F(RemoteFileManagerTest, AnswersOtherThanOkUseTheCachedCopyExceptNotFound) {
    struct Case {
        int status;
        std::string withCopy;     // the result's text, or its error
        std::string withoutCopy;  // the error
    };
    const Case cases[] = {
        {304, "first", "remotefilemanager.request_failed: 304"},
        {500, "first", "remotefilemanager.request_failed: 500"},
        {416, "first", "remotefilemanager.request_failed: 416"},
        {404, "remotefilemanager.request_failed: 404", "remotefilemanager.request_failed: 404"},
    };
    for (const Case& c : cases) {
        fs::remove_all(cacheDir_ + "/nvbdownloadcache");
        Answer(c.status, {}, "error page");
        EXPECT_EQ(c.withoutCopy, ErrorOf(manager_->GetFileSync("config", url_))) << c.status;
        std::string path = CacheFirstCopy();
        Answer(c.status, {}, "error page");
        RemoteFileResult result = manager_->GetFileSync("config", url_);
        EXPECT_EQ(c.withCopy,
                  result.HasValue() ? result.ConstValue()->ReadJsonStringFromFile() : ErrorOf(result))
            << c.status;
        EXPECT_EQ("first", ReadFile(path)) << c.status;
    }
}

TEST_F(RemoteFileManagerTest, ANewVersionReplacesTheOldCopy) {
    std::string old = CacheFirstCopy();
    Answer(200, {{"Last-Modified", "Thu, 01 Jan 1970 00:03:20 GMT"}}, "second");
    RemoteFileResult result = manager_->GetFileSync("config", url_);
    ASSERT_TRUE(result.HasValue()) << ErrorOf(result);
    EXPECT_EQ(CachePath("config", "200_"), result.ConstValue()->ToUri());
    EXPECT_EQ("second", result.ConstValue()->ReadJsonStringFromFile());
    EXPECT_FALSE(fs::exists(old));

    // Without an entity tag the next request sends only the date.
    Answer(304, {}, "");
    ASSERT_TRUE(manager_->GetFileSync("config", url_).HasValue());
    EXPECT_EQ("Thu, 01 Jan 1970 00:03:20 GMT", LastRequest().Header("If-Modified-Since"));
    EXPECT_FALSE(LastRequest().HasHeader("If-None-Match"));
}

TEST_F(RemoteFileManagerTest, AFailedWriteKeepsAndReturnsTheOldCopy) {
    std::string old = CacheFirstCopy();
    // Files of this process may not grow beyond 1 KiB: writing the new, larger copy fails.
    signal(SIGXFSZ, SIG_IGN);
    rlimit original{};
    getrlimit(RLIMIT_FSIZE, &original);
    rlimit small = original;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    Answer(200, {{"Last-Modified", "Thu, 01 Jan 1970 00:03:20 GMT"}}, std::string(4096, 'x'));
    RemoteFileResult result = manager_->GetFileSync("config", url_);
    setrlimit(RLIMIT_FSIZE, &original);
    ASSERT_TRUE(result.HasValue()) << ErrorOf(result);
    EXPECT_EQ(old, result.ConstValue()->ToUri());
    EXPECT_EQ("first", result.ConstValue()->ReadJsonStringFromFile());
    EXPECT_EQ(std::vector<std::string>{fs::path(old).filename().string()},
              DownloadCache::GetFolderContents(cacheDir_ + "/nvbdownloadcache/config"));
}

TEST_F(RemoteFileManagerTest, WithoutANetworkTheCachedCopyComesOnlyFromTheCache) {
    CacheFirstCopy();
    network_->Dispose(0);
    EXPECT_EQ("std.logic_error.invalid_argument: Invalid connection interface",
              ErrorOf(manager_->GetFileSync("config", url_)));
    RemoteFileResult cached = manager_->GetFileFromCache("config", url_, true);
    ASSERT_TRUE(cached.HasValue());
    EXPECT_EQ("first", cached.ConstValue()->ReadJsonStringFromFile());
    EXPECT_EQ("remotefilemanager.cache_failed: URL not cached",
              ErrorOf(manager_->GetFileFromCache("configRules", url_, true)));
}

TEST_F(RemoteFileManagerTest, BadUrlsAreRefused) {
    ScopedCapturingLog log(LoggingMode::Debug);
    const std::string refused[] = {"not a url",
                                   "http://127.0.0.1:" + std::to_string(server_.Port()) + "/file"};
    for (const std::string& url : refused) {
        EXPECT_EQ("std.logic_error.invalid_argument: Invalid url",
                  ErrorOf(manager_->GetFileSync("config", url)));
    }
    EXPECT_TRUE(
        log.Service().Contains("GetFileCommon failed with error code (std.logic_error.invalid_argument)"));
    EXPECT_EQ(0u, server_.RequestCount());
}

TEST_F(RemoteFileManagerTest, CallerConditionalHeadersGoOutOnlyUntilTheCacheHasItsOwn) {
    Answer(200, {{"ETag", ENTITY_TAG}}, "first");
    ASSERT_TRUE(
        manager_->GetFileSyncWithProperties("config", url_, {{"If-None-Match", "\"mine\""}, {"X-Extra", "1"}})
            .HasValue());
    EXPECT_EQ("\"mine\"", LastRequest().Header("If-None-Match"));
    EXPECT_EQ("1", LastRequest().Header("X-Extra"));
    ASSERT_TRUE(
        manager_->GetFileSyncWithProperties("config", url_, {{"If-None-Match", "\"mine\""}}).HasValue());
    EXPECT_EQ(ENTITY_TAG, LastRequest().Header("If-None-Match"));
}

TEST_F(RemoteFileManagerTest, AsynchronousDownloadAnswersOnAnotherThread) {
    Answer(200, {{"Last-Modified", LAST_MODIFIED}, {"ETag", ENTITY_TAG}}, "async");
    std::promise<std::pair<RemoteFileResult, std::thread::id>> answered;
    manager_->GetFileAsync("configRules", url_, [&answered](const RemoteFileResult& result) {
        answered.set_value({result, std::this_thread::get_id()});
    });
    auto [result, thread] = answered.get_future().get();
    ASSERT_TRUE(result.HasValue()) << ErrorOf(result);
    EXPECT_EQ(CachePath("configRules", "100_22616222"), result.ConstValue()->ToUri());
    EXPECT_NE(std::this_thread::get_id(), thread);

    std::promise<RemoteFileResult> refused;
    manager_->GetFileAsync("configRules", "not a url",
                           [&refused](const RemoteFileResult& result) { refused.set_value(result); });
    EXPECT_EQ("std.logic_error.invalid_argument: Invalid url", ErrorOf(refused.get_future().get()));
}

TEST_F(RemoteFileManagerTest, CleaningAFolderKeepsOnlyTheListedUrls) {
    CacheFirstCopy();
    std::string other = server_.Url("/other");
    server_.Handle("/other", [](const LoopbackRequest&) { return LoopbackResponse{200, {}, "other"}; });
    ASSERT_TRUE(manager_->GetFileSync("config", other).HasValue());
    ASSERT_TRUE(manager_->GetFileSync("configRules", other).HasValue());
    manager_->DeleteCachedDataNotInList("config", {url_});
    EXPECT_EQ(std::vector<std::string>{fs::path(CachePath("config", "100_22616222")).filename().string()},
              DownloadCache::GetFolderContents(cacheDir_ + "/nvbdownloadcache/config"));
    EXPECT_TRUE(manager_->GetFileFromCache("configRules", other, true).HasValue());
}

TEST_F(RemoteFileManagerTest, AFileIsReadOnceAndKeptForTheLifeOfTheResult) {
    std::string path = CacheFirstCopy();
    RemoteFileResult first = manager_->GetFileFromCache("config", url_, true);
    EXPECT_EQ("first", first.ConstValue()->ReadJsonStringFromFile());
    fs::remove(path);
    EXPECT_EQ("first", first.ConstValue()->ReadJsonStringFromFile());

    RemoteFileResult gone = manager_->GetFileSync("configRules", url_);
    fs::remove(gone.ConstValue()->ToUri());
    EXPECT_EQ("", gone.ConstValue()->ReadJsonStringFromFile());
    std::ofstream(gone.ConstValue()->ToUri()) << "back";
    EXPECT_EQ("", gone.ConstValue()->ReadJsonStringFromFile());
}

TEST(RemoteFileManagerCreationTest, AMissingServiceGivesNoManagerAndOnlyATraceLine) {
    ScopedCapturingLog log(LoggingMode::Debug);
    auto systemInfo = std::make_shared<FakeSystemInfoService>();
    auto network = CreateNativeNetworkService(systemInfo);
    auto fileSystem = CreateNativeFileSystemService();
    auto threading = CreateNativeThreadingService();
    EXPECT_EQ(nullptr, CreateNativeRemoteFileManagerService(nullptr, fileSystem, systemInfo, threading));
    EXPECT_EQ(nullptr, CreateNativeRemoteFileManagerService(network, nullptr, systemInfo, threading));
    EXPECT_EQ(nullptr, CreateNativeRemoteFileManagerService(network, fileSystem, nullptr, threading));
    EXPECT_EQ(nullptr, CreateNativeRemoteFileManagerService(network, fileSystem, systemInfo, nullptr));
    for (const CapturingLoggingService::Line& line : log.Service().GetLines()) {
        EXPECT_NE("SdkError", line.tag) << line.message;
        EXPECT_NE(DownloadCache::LOG_TAG, line.tag) << line.message;
    }
    network->Dispose(0);
}

}  // namespace
}  // namespace NuvraMobile
