#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"

namespace NuvraMobile {

class DataStoreInterface;
class JsonArray;
class JsonObject;
class JsonUtilityServiceInterface;
class LocalStorageServiceInterface;
class Variant;

/**
 * The user attributes in memory, ordered by key, persisted as one JSON object under "user_profile" of
 * the data store "NVBUserProfile" and read back once, at construction. It applies the attribute rules:
 * a null or missing value removes its key, an empty key is never stored, and every Persist rewrites the
 * whole map. Stored text that does not parse is kept under "user_profile_unreadable" before anything
 * can replace it. The in-memory operations never persist; the owner decides when to.
 *
 * Threads: no lock; the User profile module uses it only from its own sequential tasks.
 */
class UserProfilePersistentData : public Object {
public:
    using VariantMap = std::map<std::string, std::shared_ptr<Variant>>;

    static constexpr const char* LOG_TAG = "com.nuvra.module.userProfile";

    /** Loads the persisted attributes; without storage the map starts empty. */
    UserProfilePersistentData(std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService,
                              std::shared_ptr<LocalStorageServiceInterface> localStorageService);

    /** A copy of the map; the values are shared. */
    virtual VariantMap GetProfileDataAsMap() const;
    /** The value under the key, or null. */
    virtual std::shared_ptr<Variant> GetData(const std::string& key) const;
    /** Applies each entry in key order, skipping empty keys; false only for an empty map. */
    virtual bool UpdateInMemory(const VariantMap& attributes);
    /** Sets the key, or removes it for a missing or null value; false only for an empty key. */
    virtual bool UpdateInMemory(const std::string& key, const std::shared_ptr<Variant>& value);
    /** False for an empty key or one not held. */
    virtual bool DeleteInMemory(const std::string& key);
    /** Writes the whole map; true when it was stored. */
    virtual bool Persist();

    /**
     * Numbers as doubles, booleans, strings, arrays as vectors and objects as maps; a null (logged) or a
     * member whose reading fails is left out. A null object gives an empty map.
     */
    static VariantMap ParseJsonObjectIntoMap(const std::shared_ptr<JsonObject>& object);
    /** The elements converted as ParseJsonObjectIntoMap converts members, in order. */
    static std::vector<std::shared_ptr<Variant>> ParseJsonArrayIntoList(
        const std::shared_ptr<JsonArray>& array);

private:
    void LoadPersistenceData();
    std::shared_ptr<DataStoreInterface> GetDataStore() const;

    const std::shared_ptr<JsonUtilityServiceInterface> jsonUtilityService_;
    const std::shared_ptr<LocalStorageServiceInterface> localStorageService_;
    VariantMap attributes_;
};

}  // namespace NuvraMobile
