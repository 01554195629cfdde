#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/values/Object.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class SqliteConnection;
class SqliteStatement;

/**
 * The application's persistent key-value store: one SQLite file holding typed values under flat string
 * keys, the stand-in for the phone's user defaults. A value keeps its kind (integer, floating, boolean,
 * string, string list, string map). Every write is committed to disk before it returns, and an
 * interrupted write leaves the previous value in place. A file is opened once per process and stays
 * open; every Open of the same path answers the same object. Safe to call from any thread.
 */
class KeyValueStore : public Object {
public:
    using StringVector = std::vector<std::string>;
    using StringMap = std::map<std::string, std::string>;
    /** The kinds, in the order of their stored kind numbers (from 0). */
    using Value = std::variant<std::int64_t, double, bool, std::string, StringVector, StringMap>;

    /**
     * The store in the file at `path`, created with its folder when missing. A file that is not a readable
     * store is moved aside (path + ".corrupt") and a fresh store made in its place, holding every row of
     * the old file that could still be read. Empty when no store can be opened there.
     */
    static std::shared_ptr<KeyValueStore> Open(const std::string& path);
    /** A store that lives only as long as the object; the fallback when no file can be opened. */
    static std::shared_ptr<KeyValueStore> OpenInMemory();

    ~KeyValueStore() override;
    KeyValueStore(const KeyValueStore&) = delete;
    KeyValueStore& operator=(const KeyValueStore&) = delete;

    void Put(const std::string& key, const Value& value);
    std::optional<Value> Get(const std::string& key);
    void Remove(const std::string& key);
    /** Removes every key that begins with `prefix` (byte-wise, case-sensitive) in one commit. */
    void RemoveWithPrefix(const std::string& prefix);
    const std::string& GetPath() const;
    /**
     * True when the file was damaged (moved aside) or held no table of values when this process opened it,
     * although it existed: what it held before may be gone.
     */
    bool LostEarlierValues() const { return lostEarlierValues_; }

private:
    KeyValueStore(std::unique_ptr<SqliteConnection> database, std::string path, bool lostEarlierValues);
    static std::unique_ptr<SqliteConnection> OpenDatabase(const std::string& path, int& errorCode);
    static std::unique_ptr<SqliteConnection> ReplaceDamagedStore(const std::string& path, int& errorCode);
    void LogFailure(const char* operation, const std::string& key) const NVR_REQUIRES(mutex_);
    /** Steps once and resets; true when the step finished without error. */
    static bool RunOnce(SqliteStatement& statement);

    const std::string path_;
    const bool lostEarlierValues_;
    Mutex mutex_;
    // Declared before the statements, so that they are finalised before the connection closes.
    std::unique_ptr<SqliteConnection> database_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> put_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> get_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> remove_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> removeRange_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
