#include "platform/V4Migration.h"

#include <gmock/gmock.h>

#include "PlatformTestSupport.h"
#include "services/storage/AppInfo.h"
#include "services/storage/NativeLocalStorageService.h"
#include "support/CapturingLoggingService.h"

namespace NuvraMobile {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using Value = KeyValueStore::Value;

class V4MigrationTest : public testing::Test {
protected:
    std::shared_ptr<DataStoreInterface> Store(const char* name) {
        return CreateNativeLocalStorageService()->GetDataStore(name);
    }

    /** The previous generation's keys of a device that used every part of it. */
    void WriteFullOldData() {
        defaults_->Put("PZCK1", Value{std::int64_t{1600000000}});
        defaults_->Put("PZCK2", Value{std::string("4.8")});
        defaults_->Put("PZCK6", Value{std::int64_t{12}});
        defaults_->Put("PZCK7", Value{true});
        defaults_->Put("NVBAcquisitionData", Value{KeyValueStore::StringMap{{"campaign", "spring"}}});
        defaults_->Put("NVBMessageBlackList", Value{KeyValueStore::StringVector{"m1"}});
        defaults_->Put("NUVRAMOBILE_STOREDDEFAULTS_AID", Value{std::string("aid-1")});
        defaults_->Put("NUVRAMOBILE_STOREDDEFAULTS_AIDSYNCED", Value{true});
        defaults_->Put("CXMUserId", Value{std::string("cxm-1")});
        defaults_->Put("NVBMOBILE_PERSISTED_MID", Value{std::string("mid-1")});
        defaults_->Put("NVBMOBILE_KEY_PUSH_ENABLED", Value{true});
        defaults_->Put("NVBMOBILE_PIVORA_QTX_ID", Value{std::string("qtx-1")});
        defaults_->Put("PrivacyStatus", Value{std::int64_t{2}});
    }

    ScratchApp app_;
    std::shared_ptr<KeyValueStore> defaults_ = AppInfo::GetUserDefaults();
    ScopedCapturingLog log_{LoggingMode::Trace};
};

TEST_F(V4MigrationTest, NothingIsWrittenOrLoggedWithoutOldData) {
    V4Migration::Migrate();

    EXPECT_TRUE(log_.Service().GetLines().empty());
    EXPECT_FALSE(Store(NVRV5DataStoreNameLifecycle)->Contains("InstallDate"));
    EXPECT_FALSE(Store(NVRV5DataStoreNameAnalytics)->Contains(NVRV5AnalyticsVid));
    EXPECT_FALSE(Store(NVRV5DataStoreNameConfiguration)->Contains(NVRV5ConfigurationOverriddenConfig));
}

TEST_F(V4MigrationTest, AFullRunMovesEveryGroupAndRemovesTheOldKeys) {
    WriteFullOldData();

    V4Migration::Migrate();

    const auto mobileServices = Store(NVRV5DataStoreNameMobileServices);
    EXPECT_EQ(mobileServices->GetLong("install", 0), 1600000000);
    EXPECT_EQ(mobileServices->GetLong("install.searchad", 0), 1600000000);
    EXPECT_EQ(mobileServices->GetMap("acquisition_json"), (std::map<std::string, std::string>{{"campaign", "spring"}}));
    EXPECT_EQ(mobileServices->GetVector("blacklist"), std::vector<std::string>{"m1"});
    EXPECT_EQ(Store(NVRV5DataStoreNameAcquisition)->GetString(NVRV5AcquisitionData, ""),
              "{\"campaign\":\"spring\"}");
    EXPECT_EQ(Store(NVRV5DataStoreNameAnalytics)->GetString("NUVRAMOBILE_STOREDDEFAULTS_AID", ""), "aid-1");
    EXPECT_EQ(Store(NVRV5DataStoreNameAudience)->GetString("CXMUserId", ""), "cxm-1");
    const auto identity = Store(NVRV5DataStoreNameIdentity);
    EXPECT_EQ(identity->GetString("NUVRAMOBILE_PERSISTED_MID", ""), "mid-1");
    EXPECT_TRUE(identity->GetBoolean("NUVRAMOBILE_PUSH_ENABLED", false));
    const auto lifecycle = Store(NVRV5DataStoreNameLifecycle);
    EXPECT_EQ(lifecycle->GetLong("InstallDate", 0), 1600000000);
    EXPECT_EQ(lifecycle->GetString("LastVersion", ""), "4.8");
    EXPECT_EQ(lifecycle->GetInt("Launches", 0), 12);
    EXPECT_TRUE(lifecycle->GetBoolean("SuccessfulClose", false));
    EXPECT_EQ(Store(NVRV5DataStoreNamePivora)->GetString("QTX_ID", ""), "qtx-1");
    EXPECT_EQ(Store(NVRV5DataStoreNameConfiguration)->GetString(NVRV5ConfigurationOverriddenConfig, ""),
              "{\"global.privacy\":\"optedout\"}");

    for (const char* oldKey : {"PZCK1", "PZCK2", "PZCK6", "PZCK7", "NVBAcquisitionData", "NVBMessageBlackList",
                               "NUVRAMOBILE_STOREDDEFAULTS_AID", "NUVRAMOBILE_STOREDDEFAULTS_AIDSYNCED", "CXMUserId",
                               "NVBMOBILE_PERSISTED_MID", "NVBMOBILE_KEY_PUSH_ENABLED", "NVBMOBILE_PIVORA_QTX_ID",
                               "PrivacyStatus"}) {
        EXPECT_FALSE(defaults_->Get(oldKey).has_value()) << oldKey;
    }
    EXPECT_THAT(log_.Service().GetMessages(), Contains("Full migration of NSUserDefaults successful."));
}

TEST_F(V4MigrationTest, ASecondRunChangesNothing) {
    WriteFullOldData();
    V4Migration::Migrate();
    log_.Service().Clear();

    V4Migration::Migrate();

    EXPECT_TRUE(log_.Service().GetLines().empty());
}

TEST_F(V4MigrationTest, AResumedRunKeepsWhatAnEarlierRunMoved) {
    // An earlier run moved the analytics and lifecycle values and stopped before removing "PZCK1".
    Store(NVRV5DataStoreNameAnalytics)->SetString("NUVRAMOBILE_STOREDDEFAULTS_AID", "aid-1");
    Store(NVRV5DataStoreNameLifecycle)->SetInt("Launches", 12);
    Store(NVRV5DataStoreNameLifecycle)->SetString("LastVersion", "4.8");
    defaults_->Put("PZCK1", Value{std::int64_t{1600000000}});

    V4Migration::Migrate();

    EXPECT_EQ(Store(NVRV5DataStoreNameAnalytics)->GetString("NUVRAMOBILE_STOREDDEFAULTS_AID", ""), "aid-1");
    EXPECT_EQ(Store(NVRV5DataStoreNameLifecycle)->GetInt("Launches", 0), 12);
    EXPECT_EQ(Store(NVRV5DataStoreNameLifecycle)->GetString("LastVersion", ""), "4.8");
    EXPECT_FALSE(Store(NVRV5DataStoreNameLifecycle)->Contains("SuccessfulClose"));
    EXPECT_EQ(Store(NVRV5DataStoreNameLifecycle)->GetLong("InstallDate", 0), 1600000000);
    EXPECT_FALSE(defaults_->Get("PZCK1").has_value());
}

TEST_F(V4MigrationTest, AnEmptyAcquisitionCollectionIsCopiedAndRemovedButNotStored) {
    defaults_->Put("PZCK1", Value{std::int64_t{1}});
    defaults_->Put("NVBAcquisitionData", Value{KeyValueStore::StringMap{}});

    V4Migration::Migrate();

    EXPECT_FALSE(Store(NVRV5DataStoreNameAcquisition)->Contains(NVRV5AcquisitionData));
    EXPECT_TRUE(Store(NVRV5DataStoreNameMobileServices)->Contains("acquisition_json"));
    EXPECT_FALSE(defaults_->Get("NVBAcquisitionData").has_value());
}

TEST_F(V4MigrationTest, ThePrivacyStatusJoinsTheConfigurationOverrides) {
    struct Case {
        const char* name;
        Value oldStatus;
        const char* storedOverrides;  // "" for none
        const char* expectedOverrides;
        const char* expectedLine;  // "" for none beyond the completion lines
    };
    const Case cases[] = {
        {"opted in", Value{std::int64_t{1}}, "", "{\"global.privacy\":\"optedin\"}", ""},
        {"opted out", Value{std::int64_t{2}}, "", "{\"global.privacy\":\"optedout\"}", ""},
        {"unknown", Value{std::int64_t{3}}, "", "{\"global.privacy\":\"optunknown\"}", ""},
        {"whole floating number", Value{2.0}, "", "{\"global.privacy\":\"optedout\"}", ""},
        {"out of range", Value{std::int64_t{5}}, "", "", ""},
        {"fraction", Value{1.5}, "", "", ""},
        {"text", Value{std::string("2")}, "", "", ""},
        {"added to other overrides", Value{std::int64_t{2}}, "{\"a\":1}", "{\"a\":1,\"global.privacy\":\"optedout\"}",
         ""},
        {"overrides win", Value{std::int64_t{2}}, "{\"global.privacy\":\"optedin\"}", "{\"global.privacy\":\"optedin\"}",
         "already contains setting for global privacy"},
        {"unreadable overrides", Value{std::int64_t{2}}, "{broken", "{broken", "from JSON"},
        {"overrides that are no object", Value{std::int64_t{2}}, "[1]", "[1]", "from JSON"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto configuration = Store(NVRV5DataStoreNameConfiguration);
        configuration->RemoveAll();
        if (c.storedOverrides[0] != '\0') {
            configuration->SetString(NVRV5ConfigurationOverriddenConfig, c.storedOverrides);
        }
        defaults_->Put("PrivacyStatus", c.oldStatus);
        log_.Service().Clear();

        V4Migration::Migrate();

        EXPECT_EQ(configuration->GetString(NVRV5ConfigurationOverriddenConfig, ""), c.expectedOverrides);
        EXPECT_FALSE(defaults_->Get("PrivacyStatus").has_value());
        EXPECT_THAT(log_.Service().GetMessages(), Contains("Migration complete for Configuration data."));
        if (c.expectedLine[0] != '\0') {
            EXPECT_THAT(log_.Service().GetMessages(), Contains(HasSubstr(c.expectedLine)));
        }
        EXPECT_THAT(log_.Service().GetMessages(), testing::Not(Contains(HasSubstr("Mobile Servcies"))));
    }
}

TEST_F(V4MigrationTest, TheAnalyticsVisitorIdWinsOverTheIdentityOne) {
    Store(NVRV5DataStoreNameAnalytics)->SetString(NVRV5AnalyticsVid, "analytics-vid");
    Store(NVRV5DataStoreNameIdentity)->SetString(NVRV5IdentityVid, "identity-vid");

    V4Migration::Migrate();

    EXPECT_EQ(Store(NVRV5DataStoreNameAnalytics)->GetString(NVRV5AnalyticsVid, ""), "analytics-vid");
    EXPECT_FALSE(Store(NVRV5DataStoreNameIdentity)->Contains(NVRV5IdentityVid));
}

TEST_F(V4MigrationTest, TheIdentityVisitorIdMovesWhenAnalyticsHasNone) {
    Store(NVRV5DataStoreNameIdentity)->SetString(NVRV5IdentityVid, "identity-vid");

    V4Migration::Migrate();

    EXPECT_EQ(Store(NVRV5DataStoreNameAnalytics)->GetString(NVRV5AnalyticsVid, ""), "identity-vid");
    EXPECT_FALSE(Store(NVRV5DataStoreNameIdentity)->Contains(NVRV5IdentityVid));
}

TEST_F(V4MigrationTest, AnAppGroupReadsTheGroupsStoreOnly) {
    defaults_->Put("PZCK1", Value{std::int64_t{1}});
    AppInfo::SetAppGroup("group.example");
    EXPECT_FALSE(V4Migration::DefaultsNeedToMigrate());

    V4Migration::GetV4Defaults()->Put("PZCK1", Value{std::int64_t{1}});
    EXPECT_TRUE(V4Migration::DefaultsNeedToMigrate());
}

}  // namespace
}  // namespace NuvraMobile
