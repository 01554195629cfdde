#include "services/storage/NativeDataStore.h"

#include "util/Log.h"

namespace NuvraMobile {

namespace {

constexpr const char* LOG_TAG = "DataStore";
constexpr const char* KEY_PREFIX = "Nuvra.";

std::string KeyPrefix(const std::string& storeName) {
    return storeName.empty() ? KEY_PREFIX : KEY_PREFIX + storeName + ".";
}

}  // namespace

NativeDataStore::NativeDataStore(const std::string& storeName, std::shared_ptr<KeyValueStore> backingStore)
    : storeName_(storeName), keyPrefix_(KeyPrefix(storeName)), backingStore_(std::move(backingStore)) {}

void NativeDataStore::Put(const std::string& key, const KeyValueStore::Value& value) {
    if (key.empty()) {
        Log::Debug(LOG_TAG, "datastore %s - failed to put value (key was empty)", storeName_);
        return;
    }
    backingStore_->Put(keyPrefix_ + key, value);
}

std::optional<KeyValueStore::Value> NativeDataStore::Get(const std::string& key) {
    if (key.empty()) {
        Log::Debug(LOG_TAG, "datastore %s - failed to get value (key was empty)", storeName_);
        return std::nullopt;
    }
    return backingStore_->Get(keyPrefix_ + key);
}

bool NativeDataStore::LostEarlierValues() { return backingStore_->LostEarlierValues(); }

template <typename T>
T NativeDataStore::GetOfKind(const std::string& key, T defaultValue) {
    auto value = Get(key);
    if (value.has_value()) {
        if (auto* held = std::get_if<T>(&*value)) {
            return std::move(*held);
        }
    }
    return defaultValue;
}

void NativeDataStore::SetInt(const std::string& key, std::int32_t value) {
    Put(key, KeyValueStore::Value(std::in_place_type<std::int64_t>, value));
}

std::int32_t NativeDataStore::GetInt(const std::string& key, std::int32_t defaultValue) {
    // A 64-bit value is narrowed as a 32-bit read of the platform number would be.
    return static_cast<std::int32_t>(GetOfKind<std::int64_t>(key, defaultValue));
}

void NativeDataStore::SetString(const std::string& key, const std::string& value) {
    Put(key, KeyValueStore::Value(std::in_place_type<std::string>, value));
}

std::string NativeDataStore::GetString(const std::string& key, const std::string& defaultValue) {
    return GetOfKind<std::string>(key, defaultValue);
}

void NativeDataStore::SetDouble(const std::string& key, double value) {
    Put(key, KeyValueStore::Value(std::in_place_type<double>, value));
}

double NativeDataStore::GetDouble(const std::string& key, double defaultValue) {
    return GetOfKind<double>(key, defaultValue);
}

void NativeDataStore::SetLong(const std::string& key, std::int64_t value) {
    Put(key, KeyValueStore::Value(std::in_place_type<std::int64_t>, value));
}

std::int64_t NativeDataStore::GetLong(const std::string& key, std::int64_t defaultValue) {
    return GetOfKind<std::int64_t>(key, defaultValue);
}

void NativeDataStore::SetFloat(const std::string& key, float value) {
    Put(key, KeyValueStore::Value(std::in_place_type<double>, value));
}

float NativeDataStore::GetFloat(const std::string& key, float defaultValue) {
    return static_cast<float>(GetOfKind<double>(key, defaultValue));
}

void NativeDataStore::SetBoolean(const std::string& key, bool value) {
    Put(key, KeyValueStore::Value(std::in_place_type<bool>, value));
}

bool NativeDataStore::GetBoolean(const std::string& key, bool defaultValue) {
    return GetOfKind<bool>(key, defaultValue);
}

void NativeDataStore::SetVector(const std::string& key, const std::vector<std::string>& value) {
    Put(key, KeyValueStore::Value(value));
}

std::vector<std::string> NativeDataStore::GetVector(const std::string& key) {
    return GetOfKind<KeyValueStore::StringVector>(key, {});
}

void NativeDataStore::SetMap(const std::string& key, const std::map<std::string, std::string>& value) {
    Put(key, KeyValueStore::Value(value));
}

std::map<std::string, std::string> NativeDataStore::GetMap(const std::string& key) {
    return GetOfKind<KeyValueStore::StringMap>(key, {});
}

bool NativeDataStore::Contains(const std::string& key) { return Get(key).has_value(); }

void NativeDataStore::Remove(const std::string& key) {
    if (key.empty()) {
        Log::Debug(LOG_TAG, "datastore %s - failed to remove key (was empty)", storeName_);
        return;
    }
    backingStore_->Remove(keyPrefix_ + key);
}

void NativeDataStore::RemoveAll() { backingStore_->RemoveWithPrefix(keyPrefix_); }

}  // namespace NuvraMobile
