#include <string>
#include <utility>
#include <vector>

#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "identity/Identity.h"
#include "identity/IdentityHitDatabase.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "shared/VisitorIdSerializer.h"
#include "util/Log.h"
#include "util/StringUtils.h"
#include "util/UrlEncoder.h"

// Persistence of the identifiers, the stored customer-id list, the shared state, and how the module
// reaches its data store and hit database.

namespace NuvraMobile {

namespace Keys = IdentityConstants::EventDataKeys::Identity;
namespace StoreKeys = IdentityConstants::DataStoreKeys;

namespace {

constexpr std::size_t kStoredIdParts = 3;

/** Sets the key to the text, or removes it for an empty text. */
void SetOrRemove(DataStoreInterface& store, const char* key, const std::string& value) {
    if (value.empty()) {
        store.Remove(key);
    } else {
        store.SetString(key, value);
    }
}

}  // namespace

void Identity::LoadDefaultValues() {
    lastValidConfiguration_.reset();
    mid_.clear();
    advertisingIdentifier_.clear();
    pushIdentifier_.clear();
    blob_.clear();
    locationHint_.clear();
    lastSync_ = 0;
    ttl_ = IdentityConstants::Default::DEFAULT_TTL_VALUE;
}

void Identity::LoadVariablesFromPersistentData() {
    const auto store = GetIdentityDataStore();
    if (!store) {
        Log::Trace(LOG_PREFIX, "load from persistence failed. null data store");
        LoadDefaultValues();
        return;
    }
    mid_ = store->GetString(StoreKeys::GLENMOOR_ID, "");
    locationHint_ = store->GetString(StoreKeys::LOCATION_HINT, "");
    blob_ = store->GetString(StoreKeys::BLOB, "");
    ttl_ = store->GetLong(StoreKeys::TTL, IdentityConstants::Default::DEFAULT_TTL_VALUE);
    lastSync_ = store->GetLong(StoreKeys::LAST_SYNC, 0);
    advertisingIdentifier_ = store->GetString(StoreKeys::ADVERTISING_IDENTIFIER, "");
    pushIdentifier_ = store->GetString(StoreKeys::PUSH_IDENTIFIER, "");
    SetCustomerIds(ConvertVisitorIDsStringToVisitorIdObjects(store->GetString(StoreKeys::VISITOR_IDS_STRING, "")));
    Log::Trace(LOG_PREFIX, "Identity data loaded from persistence");
}

void Identity::SavePersistently() {
    const auto store = GetIdentityDataStore();
    if (!store) {
        Log::Trace(LOG_PREFIX, "saving into persistence failed. null data store");
        return;
    }
    SetOrRemove(*store, StoreKeys::VISITOR_IDS_STRING, ConvertVisitorIdObjectsVisitorIDsString(customerIds_));
    SetOrRemove(*store, StoreKeys::GLENMOOR_ID, mid_);
    SetOrRemove(*store, StoreKeys::ADVERTISING_IDENTIFIER, advertisingIdentifier_);
    SetOrRemove(*store, StoreKeys::LOCATION_HINT, locationHint_);
    SetOrRemove(*store, StoreKeys::BLOB, blob_);
    store->SetLong(StoreKeys::TTL, ttl_);
    store->SetLong(StoreKeys::LAST_SYNC, lastSync_);
}

std::string Identity::ConvertVisitorIdObjectsVisitorIDsString(const CustomerIds& ids) {
    // Type and id are encoded, so that "&" or "%01" inside an id cannot cut its entry at load.
    std::string text;
    for (const auto& id : ids) {
        text += std::string("&") + IdentityConstants::VISITOR_ID_PARAMETER_KEY_CUSTOMER + "=" +
                UrlEncoder::Encode(id->GetIdType()) + IdentityConstants::Default::CID_DELIMITER +
                UrlEncoder::Encode(id->GetId()) + IdentityConstants::Default::CID_DELIMITER +
                std::to_string(static_cast<std::int32_t>(id->GetAuthenticationState()));
    }
    return text;
}

Identity::CustomerIds Identity::ConvertVisitorIDsStringToVisitorIdObjects(const std::string& text) {
    CustomerIds ids;
    if (text.empty()) {
        return ids;
    }
    for (const auto& piece : StringUtils::Split(text, "&")) {
        if (piece.empty()) {
            Log::Debug(LOG_PREFIX, "ID Service - Unable to load Customer ID from empty string: %s", piece);
            continue;
        }
        const auto equals = piece.find('=');
        if (equals == std::string::npos) {
            Log::Debug(LOG_PREFIX, "ID Service - Unable to load Customer ID from defaults: %s", piece);
            continue;
        }
        const auto name = piece.substr(0, equals);
        const auto value = piece.substr(equals + 1);
        if (name.empty() || value.empty()) {
            Log::Debug(LOG_PREFIX,
                       "ID Service - Unable to load Customer ID from defaults, name or value was undefined: %s", piece);
            continue;
        }
        const auto parts = StringUtils::Split(value, IdentityConstants::Default::CID_DELIMITER);
        if (parts.size() != kStoredIdParts) {
            Log::Debug(LOG_PREFIX, "ID Service - Identifier has malformed value: %s", value);
            continue;
        }
        TryCatch(
            [&] {
                std::size_t consumed = 0;
                const int state = std::stoi(parts[2], &consumed);
                if (consumed != parts[2].size()) {
                    throw SdkError("general.invalid_argument", "state is not a number: " + parts[2],
                                   CurrentDebugInfo());
                }
                ids.push_back(std::make_shared<VisitorId>(name, UrlEncoder::Decode(parts[0]),
                                                          UrlEncoder::Decode(parts[1]),
                                                          IntegerToVisitorIdAuthenticationState(state)));
            },
            [](SdkError& error) {
                Log::Debug(LOG_PREFIX, "Unable to create VisitorID object (%s)", error.GetMessage());
            });
    }
    return ids;
}

std::shared_ptr<EventData> Identity::PackageEventData() {
    auto data = std::make_shared<EventData>();
    const std::pair<const char*, const std::string*> texts[] = {
        {Keys::VISITOR_ID_MID, &mid_},
        {Keys::ADVERTISING_IDENTIFIER, &advertisingIdentifier_},
        {Keys::PUSH_IDENTIFIER, &pushIdentifier_},
        {Keys::VISITOR_ID_BLOB, &blob_},
        {Keys::VISITOR_ID_LOCATION_HINT, &locationHint_},
    };
    for (const auto& [key, value] : texts) {
        if (!value->empty()) {
            data->PutString(key, *value);
        }
    }
    if (!serializedCustomerIds_.empty()) {
        data->PutVariantVector(Keys::VISITOR_IDS_LIST, serializedCustomerIds_);
    }
    data->PutLong(Keys::VISITOR_IDS_LAST_SYNC, lastSync_);
    return data;
}

void Identity::SetCustomerIds(CustomerIds ids) {
    customerIds_ = std::move(ids);
    VisitorIdSerializer serializer;
    serializedCustomerIds_.clear();
    serializedCustomerIds_.reserve(customerIds_.size());
    for (const auto& id : customerIds_) {
        serializedCustomerIds_.push_back(serializer.Serialize(*id));
    }
}

std::shared_ptr<DataStoreInterface> Identity::GetIdentityDataStore() {
    const auto platformServices = GetPlatformServices();
    if (!platformServices) {
        Log::Warning(LOG_PREFIX, "platform services is null. cannot load persistent data");
        return nullptr;
    }
    const auto storage = platformServices->GetLocalStorageService();
    if (!storage) {
        Log::Warning(LOG_PREFIX, "data storage service is null. cannot load persistent data");
        return nullptr;
    }
    return storage->GetDataStore(IDENTITY_PROPERTIES_DATA_STORE_NAME);
}

std::shared_ptr<IdentityHitDatabase> Identity::GetIdentityDatabase() {
    if (!hitDatabase_) {
        hitDatabase_ = IdentityHitDatabase::CreateIdentityDatabase(SharedSelf(), GetPlatformServices(), nullptr);
        if (hitDatabase_) {
            StopBeforeAbort(hitDatabase_->GetHitQueue());
        }
    }
    return hitDatabase_;
}

}  // namespace NuvraMobile
