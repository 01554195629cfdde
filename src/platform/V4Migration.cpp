#include "platform/V4Migration.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "services/storage/AppInfo.h"
#include "services/storage/NativeLocalStorageService.h"
#include "shared/MobilePrivacyStatus.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "Configuration";
constexpr const char* INSTALL_DATE_KEY = "PZCK1";
constexpr const char* ACQUISITION_KEY = "NVBAcquisitionData";
constexpr const char* PRIVACY_STATUS_KEY = "PrivacyStatus";
constexpr const char* GLOBAL_PRIVACY_KEY = "global.privacy";

using Value = KeyValueStore::Value;

std::shared_ptr<DataStoreInterface> DataStore(const char* name) {
    return CreateNativeLocalStorageService()->GetDataStore(name);
}

// Typed reads of an old value: a value of another kind reads as the empty or zero value.

std::string TextOf(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text != nullptr ? *text : std::string();
}

bool FlagOf(const Value& value) {
    const auto* flag = std::get_if<bool>(&value);
    return flag != nullptr && *flag;
}

/** Whole numbers of a stored integer or floating value (truncated toward zero, clamped to 64 bits). */
std::optional<std::int64_t> WholeNumberOf(const Value& value) {
    if (const auto* integer = std::get_if<std::int64_t>(&value)) {
        return *integer;
    }
    if (const auto* floating = std::get_if<double>(&value); floating != nullptr && !std::isnan(*floating)) {
        constexpr double LIMIT = 9.2233720368547748e18;  // 2^63
        return *floating >= LIMIT    ? std::numeric_limits<std::int64_t>::max()
               : *floating <= -LIMIT ? std::numeric_limits<std::int64_t>::min()
                                     : static_cast<std::int64_t>(*floating);
    }
    return std::nullopt;
}

std::int32_t NumberOf(const Value& value) {
    const std::int64_t number = WholeNumberOf(value).value_or(0);
    constexpr std::int64_t MIN = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t MAX = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(number < MIN ? MIN : (number > MAX ? MAX : number));
}

enum class ReadAs { TEXT, FLAG, NUMBER, DATE };

struct Carry {
    const char* oldKey;
    ReadAs readAs;
    const char* newKey;
};

/** A group of old values that moves into one data store, the old keys it then removes, and its log line. */
struct Group {
    const char* storeName;
    std::vector<Carry> carries;
    std::vector<const char*> removals;
    const char* completionLine;
};

const std::vector<Group>& StoreGroups() {
    // Never destroyed: an app thread may still be starting the SDK while the process exits.
    static const auto& groups = *new std::vector<Group>{
        {NVRV5DataStoreNameAnalytics,
         {{"NUVRAMOBILE_STOREDDEFAULTS_AID", ReadAs::TEXT, "NUVRAMOBILE_STOREDDEFAULTS_AID"},
          {"NUVRAMOBILE_STOREDDEFAULTS_IGNOREAID", ReadAs::FLAG, "NUVRAMOBILE_STOREDDEFAULTS_IGNORE_AID"},
          {"NOMS_AppGauge_StoredDefaults_VisitorID", ReadAs::TEXT, NVRV5AnalyticsVid}},
         {"NUVRAMOBILE_STOREDDEFAULTS_AID", "NUVRAMOBILE_STOREDDEFAULTS_IGNOREAID",
          "NUVRAMOBILE_STOREDDEFAULTS_AIDSYNCED", "NVBMobileLastTimestamp", "ANALYTICS_WORKER_CURRENT_ID",
          "ANALYTICS_WORKER_CURRENT_STAMP"},
         "Migration complete for Analytics data."},
        {NVRV5DataStoreNameAudience,
         {{"CXMUserId", ReadAs::TEXT, "CXMUserId"}},
         {"CXMUserId", "CXMUserProfile"},
         "Migration complete for Cohortix data."},
        {NVRV5DataStoreNameIdentity,
         {{"NVBMOBILE_PERSISTED_MID", ReadAs::TEXT, "NUVRAMOBILE_PERSISTED_MID"},
          {"NVBMOBILE_PERSISTED_MID_HINT", ReadAs::TEXT, "NUVRAMOBILE_PERSISTED_MID_HINT"},
          {"NVBMOBILE_PERSISTED_MID_BLOB", ReadAs::TEXT, "NUVRAMOBILE_PERSISTED_MID_BLOB"},
          {"NVBMOBILE_VISITORID_IDS", ReadAs::TEXT, "NUVRAMOBILE_VISITORID_IDS"},
          {"NVBMOBILE_KEY_PUSH_ENABLED", ReadAs::FLAG, "NUVRAMOBILE_PUSH_ENABLED"}},
         {"NVBMOBILE_PERSISTED_MID", "NVBMOBILE_PERSISTED_MID_HINT", "NVBMOBILE_PERSISTED_MID_BLOB",
          "NVBMOBILE_VISITORID_IDS", "NVBMOBILE_KEY_PUSH_ENABLED", "NOMS_AppGauge_StoredDefaults_VisitorID",
          "NVBMOBILE_VISITORID_TTL", "NVBMOBILE_VISITORID_SYNCTIME", "NVBMOBILE_KEY_PUSH_TOKEN"},
         "Migration complete for Identity (Visitor ID Service) data."},
        {NVRV5DataStoreNameLifecycle,
         {{INSTALL_DATE_KEY, ReadAs::DATE, "InstallDate"},
          {"PZCK2", ReadAs::TEXT, "LastVersion"},
          {"PZCK5", ReadAs::DATE, "LastDateUsed"},
          {"PZCK6", ReadAs::NUMBER, "Launches"},
          {"PZCK7", ReadAs::FLAG, "SuccessfulClose"}},
         {INSTALL_DATE_KEY, "PZCK2", "PZCK5", "PZCK6", "PZCK7", "NVMS_LifecycleData", "NVMS_START",
          "NUVRAMOBILE_STOREDDEFAULTS_APPID", "NUVRAMOBILE_STOREDDEFAULTS_OS", "NVMS_PAUSE", "PZCK3",
          "PZCK4"},
         "Migration complete for Lifecycle data."},
        {NVRV5DataStoreNamePivora,
         {{"NVBMOBILE_PIVORA_QTX_ID", ReadAs::TEXT, "QTX_ID"},
          {"NVBMOBILE_PIVORA_3RD_PARTY_ID", ReadAs::TEXT, "THIRD_PARTY_ID"}},
         {"NVBMOBILE_PIVORA_QTX_ID", "NVBMOBILE_PIVORA_3RD_PARTY_ID", "NVBMOBILE_PIVORA_DATA_MIGRATED"},
         "Migration complete for Pivora data."},
    };
    return groups;
}

void Write(DataStoreInterface& store, const Carry& carry, const Value& value) {
    switch (carry.readAs) {
        case ReadAs::TEXT:
            store.SetString(carry.newKey, TextOf(value));
            break;
        case ReadAs::FLAG:
            store.SetBoolean(carry.newKey, FlagOf(value));
            break;
        case ReadAs::NUMBER:
            store.SetInt(carry.newKey, NumberOf(value));
            break;
        case ReadAs::DATE:
            store.SetLong(carry.newKey, WholeNumberOf(value).value_or(0));
            break;
    }
}

/** Stores the value under `key` with the setter of its own kind. */
void CopyValue(DataStoreInterface& store, const std::string& key, const Value& value) {
    std::visit(
        [&](const auto& typed) {
            using T = std::decay_t<decltype(typed)>;
            if constexpr (std::is_same_v<T, std::int64_t>) {
                store.SetLong(key, typed);
            } else if constexpr (std::is_same_v<T, double>) {
                store.SetDouble(key, typed);
            } else if constexpr (std::is_same_v<T, bool>) {
                store.SetBoolean(key, typed);
            } else if constexpr (std::is_same_v<T, std::string>) {
                store.SetString(key, typed);
            } else if constexpr (std::is_same_v<T, KeyValueStore::StringVector>) {
                store.SetVector(key, typed);
            } else {
                store.SetMap(key, typed);
            }
        },
        value);
}

void RemoveAll(KeyValueStore& defaults, const std::vector<const char*>& keys) {
    for (const char* key : keys) {
        defaults.Remove(key);
    }
}

/** Group 1: the old values copied unchanged, whatever their kind, into the "MobileServices" store. */
void MigrateMobileServices(KeyValueStore& defaults) {
    static const std::pair<const char*, const char*> copies[] = {
        {ACQUISITION_KEY, "acquisition_json"},
        {INSTALL_DATE_KEY, "install"},
        {INSTALL_DATE_KEY, "install.searchad"},
        {"NVBMessageBlackList", "blacklist"},
    };
    const auto store = DataStore(NVRV5DataStoreNameMobileServices);
    for (const auto& [oldKey, newKey] : copies) {
        if (const auto value = defaults.Get(oldKey)) {
            CopyValue(*store, newKey, *value);
        }
    }
    defaults.Remove("NVBMessageBlackList");
    Log::Debug(LOG_TAG, "Migration complete for Mobile Servcies data.");
}

/** The compact JSON text of a non-empty collection; nothing for anything else or unwritable text. */
std::optional<std::string> CollectionJson(const Value& value) {
    nlohmann::json json;
    if (const auto* map = std::get_if<KeyValueStore::StringMap>(&value); map != nullptr && !map->empty()) {
        json = *map;
    } else if (const auto* vector = std::get_if<KeyValueStore::StringVector>(&value);
               vector != nullptr && !vector->empty()) {
        json = *vector;
    } else {
        return std::nullopt;
    }
    try {
        return json.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;  // text that is not UTF-8
    }
}

/** Group 2: the acquisition data as JSON text in the "Acquisition" store. */
void MigrateAcquisition(KeyValueStore& defaults) {
    if (const auto value = defaults.Get(ACQUISITION_KEY)) {
        if (const auto json = CollectionJson(*value)) {
            DataStore(NVRV5DataStoreNameAcquisition)->SetString(NVRV5AcquisitionData, *json);
        }
    }
    defaults.Remove(ACQUISITION_KEY);
    Log::Debug(LOG_TAG, "Migration complete for Acquisition data.");
}

void MigrateGroup(KeyValueStore& defaults, const Group& group) {
    const auto store = DataStore(group.storeName);
    for (const Carry& carry : group.carries) {
        if (const auto value = defaults.Get(carry.oldKey)) {
            Write(*store, carry, *value);
        }
    }
    RemoveAll(defaults, group.removals);
    Log::Debug(LOG_TAG, group.completionLine);
}

/** The privacy status text of an old status 1 to 3 (a whole number of either numeric kind). */
std::optional<std::string> PrivacyStatusText(const Value& value) {
    const bool isNumber = std::holds_alternative<std::int64_t>(value) ||
                          (std::holds_alternative<double>(value) &&
                           std::get<double>(value) == std::trunc(std::get<double>(value)));
    const auto number = WholeNumberOf(value);
    if (!isNumber || !number || *number < 1 || *number > 3) {
        return std::nullopt;
    }
    return MobilePrivacyStatusToString(static_cast<MobilePrivacyStatus>(*number - 1));
}

void StoreOverrides(DataStoreInterface& store, const nlohmann::json& overrides) {
    try {
        store.SetString(NVRV5ConfigurationOverriddenConfig, overrides.dump());
    } catch (const nlohmann::json::exception& error) {
        Log::Warning(LOG_TAG,
                     "Failed to serialize v5 configuration data to JSON. Unable to migrate v4 configuration "
                     "data to v5. %s",
                     std::string(error.what()));
    }
}

void MergePrivacyIntoOverrides(const std::string& status) {
    const auto store = DataStore(NVRV5DataStoreNameConfiguration);
    const std::string text = store->GetString(NVRV5ConfigurationOverriddenConfig, "");
    if (text.empty()) {
        StoreOverrides(*store, nlohmann::json{{GLOBAL_PRIVACY_KEY, status}});
        return;
    }
    nlohmann::json overrides;
    std::string parseError;
    try {
        overrides = nlohmann::json::parse(text);
        if (!overrides.is_object()) {
            parseError = "the stored text is not a JSON object";
        }
    } catch (const nlohmann::json::exception& error) {
        parseError = error.what();
    }
    if (!parseError.empty()) {
        Log::Warning(LOG_TAG,
                     "Failed to serialize v5 configuration data from JSON. Unable to migrate v4 configuration "
                     "data to v5. %s",
                     parseError);
        return;
    }
    if (overrides.contains(GLOBAL_PRIVACY_KEY)) {
        Log::Debug(LOG_TAG,
                   "V5 configuration data already contains setting for global privacy. V4 global privacy not "
                   "migrated.");
        return;
    }
    overrides[GLOBAL_PRIVACY_KEY] = status;
    StoreOverrides(*store, overrides);
}

}  // namespace

void V4Migration::Migrate() {
    if (DefaultsNeedToMigrate()) {
        Log::Debug(LOG_TAG, "Migrating Nuvra SDK v4 NSUserDefaults for use with Nuvra SDK v5.");
        MigrateLocalStorage();
        MigrateConfigurationLocalStorage();
        Log::Debug(LOG_TAG, "Full migration of NSUserDefaults successful.");
    } else if (ConfigNeedToMigrate()) {
        Log::Debug(LOG_TAG, "Migrating Nuvra SDK v4 Configuration NSUserDefaults for use with Nuvra SDK v5.");
        MigrateConfigurationLocalStorage();
        Log::Debug(LOG_TAG, "Full migration of Configuration NSUserDefaults successful.");
    }
    if (VisitorIdNeedToMigrate()) {
        Log::Debug(LOG_TAG, "Migrating visitor identifier from Identity to Analytics.");
        MigrateVisitorIdLocalStorage();
        Log::Debug(LOG_TAG, "Full migration of visitor identifier from Identity to Analytics successful.");
    }
}

bool V4Migration::DefaultsNeedToMigrate() {
    const auto defaults = GetV4Defaults();
    return defaults && defaults->Get(INSTALL_DATE_KEY).has_value();
}

bool V4Migration::ConfigNeedToMigrate() {
    const auto defaults = GetV4Defaults();
    return defaults && defaults->Get(PRIVACY_STATUS_KEY).has_value();
}

bool V4Migration::VisitorIdNeedToMigrate() {
    return !DataStore(NVRV5DataStoreNameIdentity)->GetString(NVRV5IdentityVid, "").empty();
}

void V4Migration::MigrateLocalStorage() {
    const auto defaults = GetV4Defaults();
    if (!defaults) {
        return;
    }
    Log::Debug(LOG_TAG, "Migrating Nuvra SDK v4 NSUserDefaults for use with Nuvra SDK v5.");
    // Groups 1 and 2 copy "PZCK1" and the acquisition data before later groups remove them.
    MigrateMobileServices(*defaults);
    MigrateAcquisition(*defaults);
    for (const Group& group : StoreGroups()) {
        MigrateGroup(*defaults, group);
    }
}

void V4Migration::MigrateConfigurationLocalStorage() {
    const auto defaults = GetV4Defaults();
    if (!defaults) {
        return;
    }
    if (const auto value = defaults->Get(PRIVACY_STATUS_KEY)) {
        if (const auto status = PrivacyStatusText(*value)) {
            MergePrivacyIntoOverrides(*status);
        }
    }
    defaults->Remove(PRIVACY_STATUS_KEY);
    Log::Debug(LOG_TAG, "Migration complete for Configuration data.");
}

void V4Migration::MigrateVisitorIdLocalStorage() {
    const auto identity = DataStore(NVRV5DataStoreNameIdentity);
    const auto analytics = DataStore(NVRV5DataStoreNameAnalytics);
    if (analytics->GetString(NVRV5AnalyticsVid, "").empty()) {
        analytics->SetString(NVRV5AnalyticsVid, identity->GetString(NVRV5IdentityVid, ""));
    }
    identity->Remove(NVRV5IdentityVid);
}

std::shared_ptr<KeyValueStore> V4Migration::GetV4Defaults() {
    const std::string appGroup = AppInfo::GetAppGroup();
    if (appGroup.empty()) {
        return AppInfo::GetUserDefaults();
    }
    // A group store that cannot be opened means no old values, not the app's own store.
    return KeyValueStore::Open(
        (std::filesystem::path(AppInfo::GetDataDirectory()) / AppInfo::StoreFileName(appGroup)).string());
}

}  // namespace NuvraMobile
