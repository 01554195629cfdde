#pragma once

#include <memory>

#include "services/storage/KeyValueStore.h"

namespace NuvraMobile {

// The data stores this generation keeps its values in.
constexpr const char* NVRV5DataStoreNameAcquisition = "Acquisition";
constexpr const char* NVRV5DataStoreNameAnalytics = "AnalyticsDataStorage";
constexpr const char* NVRV5DataStoreNameAudience = "CXMDataStore";
constexpr const char* NVRV5DataStoreNameConfiguration = "NuvraMobile_ConfigState";
constexpr const char* NVRV5DataStoreNameIdentity = "visitorIDServiceDataStore";
constexpr const char* NVRV5DataStoreNameLifecycle = "NuvraMobile_Lifecycle";
constexpr const char* NVRV5DataStoreNamePivora = "NUVRAMOBILE_PIVORA";
constexpr const char* NVRV5DataStoreNameUserProfile = "NVBUserProfile";
constexpr const char* NVRV5DataStoreNameMobileServices = "MobileServices";

constexpr const char* NVRV5AcquisitionData = "NVMS_Referrer_ContextData_Json_String";
constexpr const char* NVRV5ConfigurationOverriddenConfig = "config.overridden.map";
constexpr const char* NVRV5IdentityVid = "NUVRAMOBILE_VISITOR_ID";
constexpr const char* NVRV5AnalyticsVid = "NUVRAMOBILE_STOREDDEFAULTS_VISITOR_IDENTIFIER";

/**
 * Moves the values that the previous generation of the SDK left under its flat keys in the app's
 * key-value store (the app group's when one is set) into this generation's data stores, carries the
 * old privacy setting into the configuration overrides, and moves the visitor id from the Identity store
 * to the Analytics store. The old keys are the state: each step removes them, so a second run does
 * nothing, and a run that stopped part-way resumes for the steps whose trigger key is still there. A
 * value is written only where its old key is present, so a resumed run never blanks what an earlier
 * run moved.
 *
 * Runs on the thread that starts the core, before the core boots; it takes no lock of its own (the
 * stores are safe from any thread). Logs under the tag "Configuration"; reports nothing to the app.
 */
class V4Migration {
public:
    static void Migrate();

    /** True when the old store holds "PZCK1". */
    static bool DefaultsNeedToMigrate();
    /** True when the old store holds "PrivacyStatus". */
    static bool ConfigNeedToMigrate();
    /** True when the Identity store holds a non-empty visitor id. */
    static bool VisitorIdNeedToMigrate();

    static void MigrateLocalStorage();
    static void MigrateConfigurationLocalStorage();
    static void MigrateVisitorIdLocalStorage();

    /** The old store: the app group's when a group is set (empty when it cannot be opened), else the app's. */
    static std::shared_ptr<KeyValueStore> GetV4Defaults();
};

/** Sends `migrate` to the class NVRV4Migration on the calling thread, inside a release pool. */
void RunNVRV4Migration();

}  // namespace NuvraMobile
