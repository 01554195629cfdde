#include "userprofile/UserProfilePersistentData.h"

#include <utility>

#include "core/values/SdkError.h"
#include "core/values/Variant.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/JsonArray.h"
#include "platformShim/JsonObject.h"
#include "platformShim/JsonUtilityServiceInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "rulesengine/JsonScalar.h"
#include "userprofile/UserProfileConstants.h"
#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* STORAGE_NOT_INITIALIZED =
    "Unable to persist userProfile Data, Storage service not initialized";

/** The attribute value at `position` (a key or an index); null, logged, for a JSON null or another type. */
template <class Document, class Position>
std::shared_ptr<Variant> ReadAttribute(const Document& document, const Position& position) {
    switch (document.GetType(position)) {
        case JsonType::JSON_ARRAY:
            return Variant::FromVariantVector(
                UserProfilePersistentData::ParseJsonArrayIntoList(document.GetJsonArray(position)));
        case JsonType::JSON_OBJECT:
            return Variant::FromVariantMap(
                UserProfilePersistentData::ParseJsonObjectIntoMap(document.GetJsonObject(position)));
        default: {
            auto scalar = ReadJsonScalar(document, position);
            if (!scalar) {
                Log::Error(UserProfilePersistentData::LOG_TAG, "Unsupported JsonType");
            }
            return scalar;
        }
    }
}

bool IsNullOrMissing(const std::shared_ptr<Variant>& value) {
    return !value || value->GetKind() == VariantKind::VARIANT_NULL;
}

}  // namespace

UserProfilePersistentData::UserProfilePersistentData(
    std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
    std::shared_ptr<LocalStorageServiceInterface> localStorageService)
    : jsonUtilityService_(std::move(jsonUtilityService)),
      localStorageService_(std::move(localStorageService)) {
    LoadPersistenceData();
}

void UserProfilePersistentData::LoadPersistenceData() {
    const auto store = GetDataStore();
    if (!store) {
        Log::Debug(LOG_TAG, STORAGE_NOT_INITIALIZED);
        return;
    }
    const std::string text = store->GetString(UserProfileConstants::KEY_USER_PROFILE, "{}");
    std::shared_ptr<JsonObject> object;
    TryCatch([&] { object = jsonUtilityService_->CreateJsonObject(text); },
             [&](SdkError& error) {
                 Log::Debug(LOG_TAG, "Unable to parse the persisted userprofile string :\n%s\nError - %s %s",
                            text, error.GetCode(), error.GetMessage());
                 // The next Persist overwrites the text: keep it where nothing of ours writes.
                 store->SetString(UserProfileConstants::KEY_USER_PROFILE_BACKUP, text);
                 Log::Warning(LOG_TAG,
                              "The persisted userprofile string could not be read, it is kept under \"%s\"",
                              UserProfileConstants::KEY_USER_PROFILE_BACKUP);
             });
    attributes_ = ParseJsonObjectIntoMap(object);
}

std::shared_ptr<DataStoreInterface> UserProfilePersistentData::GetDataStore() const {
    return localStorageService_
               ? localStorageService_->GetDataStore(UserProfileConstants::USER_PROFILE_DATASTORE_NAME)
               : nullptr;
}

UserProfilePersistentData::VariantMap UserProfilePersistentData::ParseJsonObjectIntoMap(
    const std::shared_ptr<JsonObject>& object) {
    VariantMap map;
    if (!object) {
        return map;
    }
    std::vector<std::string> keys;
    object->Keys(keys);
    for (const std::string& key : keys) {
        TrySwallow([&] {
            if (auto value = ReadAttribute(*object, key)) {
                map[key] = std::move(value);
            }
        });
    }
    return map;
}

std::vector<std::shared_ptr<Variant>> UserProfilePersistentData::ParseJsonArrayIntoList(
    const std::shared_ptr<JsonArray>& array) {
    std::vector<std::shared_ptr<Variant>> list;
    const std::uint64_t length = array ? array->Length() : 0;
    for (std::uint32_t index = 0; index < length; ++index) {
        TrySwallow([&] {
            if (auto value = ReadAttribute(*array, index)) {
                list.push_back(std::move(value));
            }
        });
    }
    return list;
}

UserProfilePersistentData::VariantMap UserProfilePersistentData::GetProfileDataAsMap() const {
    return attributes_;
}

std::shared_ptr<Variant> UserProfilePersistentData::GetData(const std::string& key) const {
    const auto found = attributes_.find(key);
    return found == attributes_.end() ? nullptr : found->second;
}

bool UserProfilePersistentData::UpdateInMemory(const VariantMap& attributes) {
    if (attributes.empty()) {
        return false;
    }
    for (const auto& entry : attributes) {
        UpdateInMemory(entry.first, entry.second);
    }
    return true;
}

bool UserProfilePersistentData::UpdateInMemory(const std::string& key,
                                               const std::shared_ptr<Variant>& value) {
    if (key.empty()) {
        return false;
    }
    if (IsNullOrMissing(value)) {
        attributes_.erase(key);
    } else {
        attributes_[key] = value;
    }
    return true;
}

bool UserProfilePersistentData::DeleteInMemory(const std::string& key) {
    return !key.empty() && attributes_.erase(key) > 0;
}

bool UserProfilePersistentData::Persist() {
    std::string text;
    TrySwallow([&] {
        if (const auto object = jsonUtilityService_->CreateJsonObject(attributes_)) {
            text = object->ToString();
        }
    });
    if (text.empty()) {
        return false;
    }
    const auto store = GetDataStore();
    if (!store) {
        Log::Debug(LOG_TAG, STORAGE_NOT_INITIALIZED);
        return false;
    }
    store->SetString(UserProfileConstants::KEY_USER_PROFILE, text);
    return true;
}

}  // namespace NuvraMobile
