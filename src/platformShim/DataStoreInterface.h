#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/**
 * A named persistent map from string keys to typed values. A getter answers the given default when the
 * key is absent or holds a value of another kind. Implementations may be called from any thread.
 */
class DataStoreInterface : public virtual ObjectInterface {
public:
    virtual void SetInt(const std::string& key, std::int32_t value) = 0;
    virtual std::int32_t GetInt(const std::string& key, std::int32_t defaultValue) = 0;
    virtual void SetString(const std::string& key, const std::string& value) = 0;
    virtual std::string GetString(const std::string& key, const std::string& defaultValue) = 0;
    virtual void SetDouble(const std::string& key, double value) = 0;
    virtual double GetDouble(const std::string& key, double defaultValue) = 0;
    virtual void SetLong(const std::string& key, std::int64_t value) = 0;
    virtual std::int64_t GetLong(const std::string& key, std::int64_t defaultValue) = 0;
    virtual void SetFloat(const std::string& key, float value) = 0;
    virtual float GetFloat(const std::string& key, float defaultValue) = 0;
    virtual void SetBoolean(const std::string& key, bool value) = 0;
    virtual bool GetBoolean(const std::string& key, bool defaultValue) = 0;
    virtual void SetVector(const std::string& key, const std::vector<std::string>& value) = 0;
    virtual std::vector<std::string> GetVector(const std::string& key) = 0;
    virtual void SetMap(const std::string& key, const std::map<std::string, std::string>& value) = 0;
    virtual std::map<std::string, std::string> GetMap(const std::string& key) = 0;
    virtual bool Contains(const std::string& key) = 0;
    virtual void Remove(const std::string& key) = 0;
    /** Removes every key of this store, and only those. */
    virtual void RemoveAll() = 0;
    /**
     * True when the file behind the store was found damaged or emptied when it was opened in this
     * process: values stored before may be gone. A store with nothing behind it has lost nothing.
     */
    virtual bool LostEarlierValues() { return false; }
};

}  // namespace NuvraMobile
