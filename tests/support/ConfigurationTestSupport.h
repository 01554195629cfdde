#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/module/InternalModule.h"
#include "core/values/Object.h"
#include "platformShim/DataStoreInterface.h"
#include "platformShim/LocalStorageServiceInterface.h"
#include "platformShim/PlatformServicesInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"
#include "services/storage/NativeDataStore.h"
#include "util/Mutex.h"

namespace NuvraMobile {

class Event;
class EventData;

/**
 * A temporary folder that holds the application's cache and data folders (XDG_CACHE_HOME and
 * XDG_DATA_HOME point into it) for its lifetime; create it before any native service.
 */
class ScopedAppFolders {
public:
    ScopedAppFolders();
    ~ScopedAppFolders();
    ScopedAppFolders(const ScopedAppFolders&) = delete;
    ScopedAppFolders& operator=(const ScopedAppFolders&) = delete;

    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
};

/** Makes `path` (created here) the application's bundle folder for its lifetime. One test thread. */
class ScopedBundleFolder {
public:
    explicit ScopedBundleFolder(std::filesystem::path path);
    ~ScopedBundleFolder();
    ScopedBundleFolder(const ScopedBundleFolder&) = delete;
    ScopedBundleFolder& operator=(const ScopedBundleFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    const std::filesystem::path path_;
};

/**
 * A module that hears every event through a wildcard listener and lets a test wait for one and read
 * shared states as they stood at an event. Any thread.
 */
class ObserverModule : public InternalModule {
public:
    ObserverModule();
    std::string GetSharedStateName() const override { return "test.observer"; }

    /** Records the event and wakes the waiters; called by the listener. */
    void Record(const std::shared_ptr<Event>& event);
    /** The first recorded event that matches, waiting up to `timeout`; null when none came. */
    std::shared_ptr<Event> WaitFor(const std::function<bool(const Event&)>& matches,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /** The first recorded event of that name, waiting up to `timeout`. */
    std::shared_ptr<Event> WaitForName(const std::string& name,
                                       std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /** Waits up to `timeout` until `condition` holds for the events recorded so far (called under the lock).
     */
    bool WaitUntil(const std::function<bool(const std::vector<std::shared_ptr<Event>>&)>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<std::shared_ptr<Event>> Events();
    /** The configuration shared state valid at the event number (a marker when there is none). */
    std::shared_ptr<EventData> ConfigurationStateAt(int32_t eventNumber);

protected:
    void OnRegistered() override;

private:
    std::mutex mutex_;
    std::condition_variable recorded_;
    std::vector<std::shared_ptr<Event>> events_;
};

/** Forwards every call to the inner remote-file manager, with URLs under `from` moved under `to`. */
class RewritingRemoteFileManager : public Object, public virtual RemoteFileManagerServiceInterface {
public:
    RewritingRemoteFileManager(std::shared_ptr<RemoteFileManagerServiceInterface> inner, std::string from,
                               std::string to);

    bool Dispose(std::int64_t timeoutMs) override;
    void GetFileAsync(const std::string& folder, const std::string& url, const Callback& callback) override;
    RemoteFileResult GetFileSync(const std::string& folder, const std::string& url) override;
    void GetFileAsyncWithProperties(const std::string& folder, const std::string& url,
                                    const std::map<std::string, std::string>& properties,
                                    const Callback& callback) override;
    RemoteFileResult GetFileSyncWithProperties(const std::string& folder, const std::string& url,
                                               const std::map<std::string, std::string>& properties) override;
    RemoteFileResult GetFileFromCache(const std::string& folder, const std::string& url, bool flag) override;
    void DeleteCachedDataNotInList(const std::string& folder, const std::deque<std::string>& urls) override;

private:
    std::string Rewrite(const std::string& url) const;

    const std::shared_ptr<RemoteFileManagerServiceInterface> inner_;
    const std::string from_;
    const std::string to_;
};

/**
 * The native data store over a key-value store in memory, so that it keeps every kind as a real store
 * does; reads of the string under the key set by FailReadsOf throw. Any thread.
 */
class MemoryDataStore : public NativeDataStore {
public:
    MemoryDataStore();

    std::string GetString(const std::string& key, const std::string& defaultValue) override;

    void FailReadsOf(const std::string& key);
    bool LostEarlierValues() override;
    /** Makes the store answer that the file behind it was found damaged or emptied. */
    void SetLostEarlierValues(bool lost);

private:
    Mutex mutex_;
    std::string failingKey_ NVR_GUARDED_BY(mutex_);
    bool lostEarlierValues_ NVR_GUARDED_BY(mutex_) = false;
};

/** Hands out one MemoryDataStore per name. Any thread. */
class MemoryLocalStorageService : public Object, public virtual LocalStorageServiceInterface {
public:
    std::shared_ptr<DataStoreInterface> GetDataStore(const std::string& storeName) override;
    std::shared_ptr<MemoryDataStore> Store(const std::string& storeName);

private:
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<MemoryDataStore>> stores_;
};

}  // namespace NuvraMobile
