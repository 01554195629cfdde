#pragma once

#include <atomic>
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
 * open until CloseEveryStore; every Open of the same path answers the same object. Safe to call from any
 * thread.
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
     * the old file that could still be read. A file that can be read but not written (it, or its folder,
     * refuses writes) is left as it is: the store holds a copy of its values in memory, and this run's
     * writes stay there. Empty when no store can be opened there.
     */
    static std::shared_ptr<KeyValueStore> Open(const std::string& path);
    /** A store that lives only as long as the object; the fallback when no file can be opened. */
    static std::shared_ptr<KeyValueStore> OpenInMemory();

    /**
     * Closes the connection of every store in a file, folding its write-ahead log into it and removing the
     * files beside it. A store used afterwards opens its file again as Open does (its folder made again, a
     * damaged file moved aside, one that cannot be written copied into memory); where no file can be opened
     * any more, it keeps its values in memory for the rest of the process. The stores in memory keep their
     * values.
     */
    static void CloseEveryStore();
    /** Says that no store file can be opened in `folder`, so values are kept in memory only. */
    static void ReportValuesKeptInMemory(const std::string& folder);

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
     * or opened it again, although it existed: what it held before may be gone.
     */
    bool LostEarlierValues() const { return lostEarlierValues_.load(); }

private:
    /** The connection Open makes for a path, and what it found there. */
    struct OpenedFile {
        std::unique_ptr<SqliteConnection> connection;
        bool lostEarlierValues = false;
        // False for a store in memory (a copy of a file that cannot be written), which Close would empty.
        bool inFile = true;
    };

    KeyValueStore(std::string path, OpenedFile opened);
    /**
     * The one way a store file is opened, the first time and after CloseEveryStore: its folder made, a file
     * that is not a readable store moved aside with its readable rows saved, one that cannot be written
     * copied into memory. No connection when none can be opened there.
     */
    static OpenedFile OpenFile(const std::string& path);
    /** Takes the opened connection and prepares the statements on it. */
    void UseLocked(OpenedFile opened) NVR_REQUIRES(mutex_);
    /** True when the connection is open, after opening the file again once Close had closed it. */
    bool OpenLocked() NVR_REQUIRES(mutex_);
    /** Closes the connection of a store in a file; a store in memory keeps its values. */
    void Close() NVR_EXCLUDES(mutex_);
    /** The connection of a ready store; none when it failed (`errorCode`) or refuses writes (`unwritable`). */
    static std::unique_ptr<SqliteConnection> OpenDatabase(const std::string& path, int& errorCode,
                                                          std::string& unwritable);
    static std::unique_ptr<SqliteConnection> OpenMemory();
    /** A store in memory holding the values of the file at `path`, which refuses writes as `unwritable` says. */
    static std::unique_ptr<SqliteConnection> CopyIntoMemory(const std::string& path, const std::string& unwritable);
    static std::unique_ptr<SqliteConnection> ReplaceDamagedStore(const std::string& path, int& errorCode);
    void LogFailure(const char* operation, const std::string& key) const NVR_REQUIRES(mutex_);
    /** Steps once and resets; true when the step finished without error. */
    static bool RunOnce(SqliteStatement& statement);

    const std::string path_;
    // Read without the lock by LostEarlierValues; only ever set.
    std::atomic<bool> lostEarlierValues_{false};
    Mutex mutex_;
    bool inFile_ NVR_GUARDED_BY(mutex_) = true;
    // Declared before the statements, so that they are finalised before the connection closes.
    std::unique_ptr<SqliteConnection> database_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> put_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> get_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> remove_ NVR_GUARDED_BY(mutex_);
    std::unique_ptr<SqliteStatement> removeRange_ NVR_GUARDED_BY(mutex_);
};

}  // namespace NuvraMobile
