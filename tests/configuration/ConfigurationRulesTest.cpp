#include <gtest/gtest.h>

#include <filesystem>

#include "configuration/Configuration.h"
#include "core/values/EventData.h"
#include "rulesengine/Rule.h"
#include "services/crypto/NativeCryptoService.h"
#include "services/filesystem/NativeFileSystemService.h"
#include "services/json/NativeJsonUtilityService.h"
#include "support/CapturingLoggingService.h"
#include "support/ConfigurationTestSupport.h"
#include "support/FakeEventHub.h"
#include "support/FakePlatformServices.h"
#include "support/FakeSystemInfoService.h"
#include "support/FileSystemTestFolder.h"
#include "support/ManualTaskExecutor.h"
#include "support/RulesBundleFakes.h"

namespace NuvraMobile {
namespace {

constexpr const char* RULES_URL = "https://rules.example.com/bundle.zip";

const std::string ONE_RULE =
    R"({"rules": [{"condition": {"type": "matcher", "definition": {"key": "action", "matcher": "ex"}},
        "consequences": [{"id": "c", "type": "pb", "detail": {"url": "u"}}]}]})";

/** A hub that keeps the rule sets modules give it. */
class RulesRecordingHub : public FakeEventHub {
public:
    std::vector<std::vector<std::shared_ptr<Rule>>> replacements;
    int unregistrations = 0;

    void ReplaceRulesSet(const std::shared_ptr<Module>& module,
                         std::vector<std::shared_ptr<Rule>> rules) override {
        replacements.push_back(rules);
        FakeEventHub::ReplaceRulesSet(module, std::move(rules));
    }
    void UnregisterAllRules(const std::shared_ptr<Module>& module) override {
        ++unregistrations;
        FakeEventHub::UnregisterAllRules(module);
    }
};

/** The module with its rules operations open to the test. */
class RulesConfiguration : public Configuration {
public:
    using Configuration::DownloadRules;
    using Configuration::RetrieveCachedRules;
};

class ConfigurationRulesTest : public testing::Test {
protected:
    void SetUp() override {
        services_->systemInfoService = std::make_shared<FakeSystemInfoService>();
        services_->jsonUtilityService = CreateNativeJsonUtilityService();
        services_->localStorageService = storage_;
        services_->remoteFileManagerService = files_;
        services_->fileSystemService = CreateNativeFileSystemService();
        services_->cryptoService = CreateNativeCryptoService();
        services_->compressedFileService = extractor_;
        services_->threadingService = std::make_shared<ManualThreadingService>(rulesExecutor_);
        hub_->Register(module_, moduleExecutor_, services_);
        hub_->DriveIdle(module_);  // completes the registration on the hub side
    }

    void TearDown() override {
        rulesExecutor_->Dispose();
        moduleExecutor_->Dispose();
    }

    /** Publishes a configuration with the given entries and runs the rules download to its end. */
    void Publish(const std::map<std::string, std::string>& configuration) {
        module_->DownloadRules(std::make_shared<EventData>(configuration));
        rulesExecutor_->RunAll();
    }

    std::string PersistedUrl() {
        return storage_->Store("NuvraMobile_ConfigState")->GetString("config.last.rules.url", "none");
    }

    ScopedCapturingLog log_;
    FileSystemTestFolder scratch_;
    std::string bundle_ = scratch_.PathOf("bundle");
    std::shared_ptr<RulesRecordingHub> hub_ = std::make_shared<RulesRecordingHub>();
    std::shared_ptr<ManualTaskExecutor> moduleExecutor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<ManualTaskExecutor> rulesExecutor_ = std::make_shared<ManualTaskExecutor>();
    std::shared_ptr<FakePlatformServices> services_ = std::make_shared<FakePlatformServices>();
    std::shared_ptr<MemoryLocalStorageService> storage_ = std::make_shared<MemoryLocalStorageService>();
    std::shared_ptr<FixedRemoteFileManager> files_ = std::make_shared<FixedRemoteFileManager>();
    std::shared_ptr<ScriptedExtractor> extractor_ = std::make_shared<ScriptedExtractor>();
    std::shared_ptr<RulesConfiguration> module_ = std::make_shared<RulesConfiguration>();
};

TEST_F(ConfigurationRulesTest, DownloadedBundleBecomesTheModulesRuleSet) {
    extractor_->rulesJson = ONE_RULE;
    WriteFileBytes(bundle_, "zip");
    files_->download = FixedRemoteFileManager::FileAt(bundle_);

    Publish({{"rules.url", RULES_URL}});

    EXPECT_EQ(PersistedUrl(), RULES_URL);
    ASSERT_EQ(hub_->replacements.size(), 1u);
    EXPECT_EQ(hub_->replacements[0].size(), 1u);
    ASSERT_EQ(files_->deletions.size(), 1u);
    EXPECT_EQ(files_->deletions[0].first, "configRules");
    EXPECT_EQ(files_->deletions[0].second, std::deque<std::string>{RULES_URL});
}

TEST_F(ConfigurationRulesTest, RulesInForceSurviveWhatCannotBeUsed) {
    struct Case {
        const char* name;
        bool downloads;
        ScriptedExtractor::Outcome outcome;
        const char* rulesJson;
    } cases[] = {
        {"failed download", false, ScriptedExtractor::Outcome::SUCCEED, "{\"rules\": []}"},
        {"damaged archive", true, ScriptedExtractor::Outcome::THROW, "{\"rules\": []}"},
        {"not a rules file", true, ScriptedExtractor::Outcome::SUCCEED, "[1, 2]"},
        {"no rules array", true, ScriptedExtractor::Outcome::SUCCEED, "{\"other\": 1}"},
    };
    for (const Case& testCase : cases) {
        WriteFileBytes(bundle_, "zip");
        files_->download =
            testCase.downloads
                ? FixedRemoteFileManager::FileAt(bundle_)
                : RemoteFileResult(SdkError("remotefilemanager.request_failed", "offline", DebugInfo()));
        extractor_->outcome = testCase.outcome;
        extractor_->rulesJson = testCase.rulesJson;

        Publish({{"rules.url", RULES_URL}});

        EXPECT_TRUE(hub_->replacements.empty()) << testCase.name;
        EXPECT_EQ(hub_->unregistrations, 0) << testCase.name;
    }
}

TEST_F(ConfigurationRulesTest, ConfigurationWithoutRulesUrlForgetsTheUrlAndKeepsTheRules) {
    Publish({{"rules.url", RULES_URL}});
    Publish({{"global.privacy", "optedin"}});

    EXPECT_EQ(PersistedUrl(), "");
    EXPECT_EQ(files_->requests.size(), 1u) << "only the first configuration named a bundle";
    EXPECT_EQ(hub_->unregistrations, 0);
}

TEST_F(ConfigurationRulesTest, BootLoadsTheCachedBundleOfThePersistedUrl) {
    std::filesystem::create_directories(bundle_ + "_dir");
    WriteFileBytes(bundle_ + "_dir/rules.json", ONE_RULE);
    files_->cached = FixedRemoteFileManager::FileAt(bundle_ + "_dir");
    storage_->Store("NuvraMobile_ConfigState")->SetString("config.last.rules.url", RULES_URL);

    module_->RetrieveCachedRules();

    EXPECT_EQ(files_->requests, std::vector<std::string>{std::string("cache configRules ") + RULES_URL});
    ASSERT_EQ(hub_->replacements.size(), 1u);
    EXPECT_EQ(hub_->replacements[0].size(), 1u);
}

TEST_F(ConfigurationRulesTest, BootWithoutPersistedUrlLooksForNothing) {
    module_->RetrieveCachedRules();
    EXPECT_TRUE(files_->requests.empty());
    EXPECT_TRUE(log_.Service().Contains("No persisted rules url."));
}

}  // namespace
}  // namespace NuvraMobile
