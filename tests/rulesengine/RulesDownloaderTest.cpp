#include <gtest/gtest.h>

#include <filesystem>

#include "core/values/Object.h"
#include "core/values/SdkError.h"
#include "platformShim/CompressedFileServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "rulesengine/RulesDownloader.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakePlatformServices.h"
#include "support/FileSystemTestFolder.h"
#include "support/RulesBundleFakes.h"

namespace NuvraMobile {
namespace {

class RulesDownloaderTest : public testing::Test {
protected:
    /** Every service the downloader needs. */
    std::shared_ptr<FakePlatformServices> FullServices() {
        auto services = std::make_shared<FakePlatformServices>();
        services->remoteFileManagerService = remoteFiles_;
        services->cryptoService = CreateNativeCryptoService();
        services->fileSystemService = CreateNativeFileSystemService();
        services->compressedFileService = extractor_;
        return services;
    }

    /** Runs one download of URL and answers the directory the callback received. */
    std::string Download() {
        std::string directory = "not called";
        std::string url;
        RulesDownloader downloader(services_, "configRules",
                                   [&](const std::string& dir, const std::string& u) {
                                       directory = dir;
                                       url = u;
                                   });
        downloader.StartDownload(URL);
        EXPECT_EQ(url, URL);
        EXPECT_EQ(remoteFiles_->requests.back(), std::string("download configRules ") + URL);
        return directory;
    }

    static constexpr const char* URL = "https://rules.example.com/bundle.zip";
    FileSystemTestFolder scratch_;
    std::string bundle_ = scratch_.PathOf("bundle");
    std::shared_ptr<FixedRemoteFileManager> remoteFiles_ = std::make_shared<FixedRemoteFileManager>();
    std::shared_ptr<ScriptedExtractor> extractor_ = std::make_shared<ScriptedExtractor>();
    std::shared_ptr<FakePlatformServices> services_ = FullServices();
};

TEST_F(RulesDownloaderTest, UnpacksTheDownloadNextToItAndDeletesIt) {
    WriteFileBytes(bundle_, "zip bytes");
    remoteFiles_->download = FixedRemoteFileManager::FileAt(bundle_);

    EXPECT_EQ(Download(), bundle_ + "_dir");
    EXPECT_FALSE(std::filesystem::exists(bundle_));
    EXPECT_EQ(ReadFileBytes(bundle_ + "_dir/rules.json"), "{\"rules\": []}");
}

TEST_F(RulesDownloaderTest, ANewBundleReplacesWhatWasUnpackedBefore) {
    std::filesystem::create_directories(bundle_ + "_dir");
    WriteFileBytes(bundle_ + "_dir/stale.json", "old");
    WriteFileBytes(bundle_, "zip bytes");
    remoteFiles_->download = FixedRemoteFileManager::FileAt(bundle_);

    EXPECT_EQ(Download(), bundle_ + "_dir");
    EXPECT_FALSE(std::filesystem::exists(bundle_ + "_dir/stale.json"));
}

TEST_F(RulesDownloaderTest, AFailedExtractionLeavesNoDirectoryBehind) {
    for (const auto outcome : {ScriptedExtractor::Outcome::THROW, ScriptedExtractor::Outcome::REFUSE}) {
        ScopedCapturingLog log(LoggingMode::Warning);
        extractor_->outcome = outcome;
        WriteFileBytes(bundle_, "zip bytes");
        remoteFiles_->download = FixedRemoteFileManager::FileAt(bundle_);

        EXPECT_EQ(Download(), "");
        EXPECT_FALSE(std::filesystem::exists(bundle_)) << "the download is deleted whatever the outcome";
        EXPECT_FALSE(std::filesystem::exists(bundle_ + "_dir"));
        EXPECT_TRUE(log.Service().Contains("Failed to extract zip file " + bundle_));
    }
}

TEST_F(RulesDownloaderTest, ARefusedBundleLeavesTheRulesUnpackedBeforeInPlace) {
    for (const auto outcome : {ScriptedExtractor::Outcome::THROW, ScriptedExtractor::Outcome::REFUSE}) {
        std::filesystem::create_directories(bundle_ + "_dir");
        WriteFileBytes(bundle_ + "_dir/rules.json", "good rules");
        extractor_->outcome = outcome;
        extractor_->rulesJson = "half of a damaged bundle";
        WriteFileBytes(bundle_, "damaged zip bytes");
        remoteFiles_->download = FixedRemoteFileManager::FileAt(bundle_);

        EXPECT_EQ(Download(), "");
        EXPECT_EQ(ReadFileBytes(bundle_ + "_dir/rules.json"), "good rules");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.Path()),
                                std::filesystem::directory_iterator()),
                  1)
            << "nothing but the rules in force is left";
    }
}

TEST_F(RulesDownloaderTest, ADownloadedDirectoryIsUsedAsItIs) {
    std::filesystem::create_directories(bundle_);
    remoteFiles_->download = FixedRemoteFileManager::FileAt(bundle_);

    EXPECT_EQ(Download(), bundle_);
    EXPECT_EQ(extractor_->calls, 0);
    EXPECT_TRUE(std::filesystem::is_directory(bundle_));
}

TEST_F(RulesDownloaderTest, AFailedDownloadReportsNoDirectory) {
    ScopedCapturingLog log(LoggingMode::Warning);
    remoteFiles_->download = SdkError("remotefilemanager.request_failed", "offline", DebugInfo());

    EXPECT_EQ(Download(), "");
    EXPECT_TRUE(log.Service().Contains(std::string("Error downloading Rules from '") + URL + "': offline"));
}

TEST_F(RulesDownloaderTest, RefusesToBeBuiltWithoutItsServices) {
    const struct {
        void (*remove)(FakePlatformServices&);
        const char* message;
    } cases[] = {
        {[](FakePlatformServices& s) { s.remoteFileManagerService = nullptr; },
         "RemoteFileManagerService is not available"},
        {[](FakePlatformServices& s) { s.cryptoService = nullptr; }, "CryptoService is not available"},
        {[](FakePlatformServices& s) { s.fileSystemService = nullptr; }, "FileSystemService is not available"},
        {[](FakePlatformServices& s) { s.compressedFileService = nullptr; },
         "CompressedFileService is not available"},
    };
    for (const auto& testCase : cases) {
        auto services = FullServices();
        testCase.remove(*services);
        try {
            RulesDownloader(services, "configRules", nullptr);
            ADD_FAILURE() << testCase.message;
        } catch (const SdkError& error) {
            EXPECT_EQ(error.GetCode(), "platform_services.missing_service");
            EXPECT_EQ(error.GetMessage(), testCase.message);
        }
    }
    EXPECT_THROW(RulesDownloader(nullptr, "configRules", nullptr), SdkError);
}

}  // namespace
}  // namespace NuvraMobile
