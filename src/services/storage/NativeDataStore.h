#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/values/Object.h"
#include "platformShim/DataStoreInterface.h"
#include "services/storage/KeyValueStore.h"

namespace NuvraMobile {

/**
 * A named view on the application's key-value store: every key K of the store named S is kept as
 * "Nuvra." + S + "." + K (just "Nuvra." + K when S is empty). A getter converts only a value of its own
 * kind and answers the default for anything else. The backing store is chosen once, when the object is
 * built. Safe to call from any thread.
 */
class NativeDataStore : public Object, public virtual DataStoreInterface {
public:
    NativeDataStore(const std::string& storeName, std::shared_ptr<KeyValueStore> backingStore);

    void SetInt(const std::string& key, std::int32_t value) override;
    std::int32_t GetInt(const std::string& key, std::int32_t defaultValue) override;
    void SetString(const std::string& key, const std::string& value) override;
    std::string GetString(const std::string& key, const std::string& defaultValue) override;
    void SetDouble(const std::string& key, double value) override;
    double GetDouble(const std::string& key, double defaultValue) override;
    void SetLong(const std::string& key, std::int64_t value) override;
    std::int64_t GetLong(const std::string& key, std::int64_t defaultValue) override;
    void SetFloat(const std::string& key, float value) override;
    float GetFloat(const std::string& key, float defaultValue) override;
    void SetBoolean(const std::string& key, bool value) override;
    bool GetBoolean(const std::string& key, bool defaultValue) override;
    void SetVector(const std::string& key, const std::vector<std::string>& value) override;
    std::vector<std::string> GetVector(const std::string& key) override;
    void SetMap(const std::string& key, const std::map<std::string, std::string>& value) override;
    std::map<std::string, std::string> GetMap(const std::string& key) override;
    bool Contains(const std::string& key) override;
    void Remove(const std::string& key) override;
    bool LostEarlierValues() override;
    void RemoveAll() override;

private:
    void Put(const std::string& key, const KeyValueStore::Value& value);
    std::optional<KeyValueStore::Value> Get(const std::string& key);

    /** The value under `key` when it holds a `T`, else `defaultValue`. */
    template <typename T>
    T GetOfKind(const std::string& key, T defaultValue);

    const std::string storeName_;
    const std::string keyPrefix_;
    const std::shared_ptr<KeyValueStore> backingStore_;
};

}  // namespace NuvraMobile
