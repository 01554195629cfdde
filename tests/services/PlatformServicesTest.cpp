#include <gtest/gtest.h>

#include <vector>

#include "platformShim/NetworkServiceInterface.h"
#include "services/PlatformServices.h"
#include "support/ConfigurationTestSupport.h"
#include "support/RulesBundleFakes.h"

namespace NuvraMobile {
namespace {

/** A network service that only answers Dispose, as the test says, and records the order of calls. */
class DisposeRecordingNetwork : public Object, public virtual NetworkServiceInterface {
public:
    DisposeRecordingNetwork(bool result, std::vector<std::string>& calls) : result_(result), calls_(calls) {}
    std::shared_ptr<HttpConnectionInterface> ConnectUrl(const std::string&, HttpCommandType,
                                                        const std::string&,
                                                        const std::map<std::string, std::string>&,
                                                        std::int64_t, std::int64_t) override {
        return nullptr;
    }
    void ConnectUrlAsync(const std::string&, HttpCommandType, const std::string&,
                         const std::map<std::string, std::string>&, std::int64_t, std::int64_t,
                         const Callback&) override {}
    bool Dispose(std::int64_t) override {
        calls_.push_back("network");
        return result_;
    }

private:
    bool result_;
    std::vector<std::string>& calls_;
};

class DisposeRecordingFiles : public FixedRemoteFileManager {
public:
    DisposeRecordingFiles(bool result, std::vector<std::string>& calls) : result_(result), calls_(calls) {}
    bool Dispose(std::int64_t) override {
        calls_.push_back("files");
        return result_;
    }

private:
    bool result_;
    std::vector<std::string>& calls_;
};

class PlatformServicesTest : public ::testing::Test {
protected:
    ScopedAppFolders folders_;
    std::shared_ptr<SharedPlatformServices> shared_ = SharedPlatformServices::Create();
};

TEST_F(PlatformServicesTest, CoresShareEverythingButNetworkAndRemoteFiles) {
    const auto first = shared_->CreatePlatformServices();
    const auto second = shared_->CreatePlatformServices();
    EXPECT_EQ(first->GetLoggingService(), second->GetLoggingService());
    EXPECT_EQ(first->GetDatabaseService(), second->GetDatabaseService());
    EXPECT_EQ(first->GetLocalStorageService(), second->GetLocalStorageService());
    EXPECT_EQ(first->GetSystemInfoService(), second->GetSystemInfoService());
    EXPECT_EQ(first->GetJsonUtilityService(), second->GetJsonUtilityService());
    EXPECT_EQ(first->GetFileSystemService(), second->GetFileSystemService());
    EXPECT_EQ(first->GetThreadingService(), second->GetThreadingService());
    EXPECT_NE(nullptr, first->GetNetworkService());
    EXPECT_NE(nullptr, first->GetRemoteFileManagerService());
    EXPECT_NE(first->GetNetworkService(), second->GetNetworkService());
    EXPECT_NE(first->GetRemoteFileManagerService(), second->GetRemoteFileManagerService());
}

TEST_F(PlatformServicesTest, EveryServiceIsAvailable) {
    const auto services = shared_->CreatePlatformServices();
    EXPECT_NE(nullptr, services->GetCryptoService());
    EXPECT_NE(nullptr, services->GetEncodingService());
    EXPECT_NE(nullptr, services->GetURLService());
    EXPECT_NE(nullptr, services->GetCompressedFileService());
    EXPECT_NE(nullptr, services->GetUIService());
    EXPECT_EQ(services->GetUIService(), shared_->CreatePlatformServices()->GetUIService());
}

TEST_F(PlatformServicesTest, DisposeAsksBothOwnServicesAndSucceedsOnlyWhenBothDo) {
    struct Case {
        bool network;
        bool files;
        bool expected;
    };
    const Case cases[] = {
        {true, true, true}, {false, true, false}, {true, false, false}, {false, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "network " << c.network << ", files " << c.files);
        std::vector<std::string> calls;
        PlatformServices services(shared_, std::make_shared<DisposeRecordingNetwork>(c.network, calls),
                                  std::make_shared<DisposeRecordingFiles>(c.files, calls));
        EXPECT_EQ(c.expected, services.Dispose(std::chrono::milliseconds(0)));
        EXPECT_EQ((std::vector<std::string>{"network", "files"}), calls);
    }
}

TEST_F(PlatformServicesTest, SharedDisposeLeavesEveryServiceUsable) {
    const auto logging = shared_->GetLoggingService();
    EXPECT_TRUE(shared_->Dispose(std::chrono::milliseconds(0)));
    EXPECT_EQ(logging, shared_->GetLoggingService());
    EXPECT_NE(nullptr, shared_->CreatePlatformServices()->GetNetworkService());
}

}  // namespace
}  // namespace NuvraMobile
