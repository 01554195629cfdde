#include "ConfigurationTestSupport.h"

#include <stdlib.h>

#include <stdexcept>

#include "core/module/ModuleEventListener.h"
#include "core/values/Event.h"
#include "core/values/EventData.h"
#include "core/values/SdkError.h"
#include "services/system/AppFolders.h"
#include "util/StringUtils.h"

namespace NuvraMobile {

namespace {

class ObserverListener : public ModuleEventListener<ObserverModule> {
public:
    void Hear(const std::shared_ptr<Event>& event) override {
        if (auto module = GetParentModule()) {
            module->Record(event);
        }
    }
};

}  // namespace

ScopedAppFolders::ScopedAppFolders() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nvr-app-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    root_ = pattern;
    setenv("XDG_CACHE_HOME", (root_ / "cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
}

ScopedAppFolders::~ScopedAppFolders() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

ScopedBundleFolder::ScopedBundleFolder(std::filesystem::path path) : path_(std::move(path)) {
    std::filesystem::create_directories(path_);
    AppFolders::SetBundleDirectory(path_.string());
}

ScopedBundleFolder::~ScopedBundleFolder() { AppFolders::SetBundleDirectory(""); }

ObserverModule::ObserverModule() : InternalModule("test.observer") {}

void ObserverModule::OnRegistered() { RegisterWildCardListener<ObserverListener>(); }

void ObserverModule::Record(const std::shared_ptr<Event>& event) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(event);
    }
    recorded_.notify_all();
}

std::shared_ptr<Event> ObserverModule::WaitFor(const std::function<bool(const Event&)>& matches,
                                               std::chrono::milliseconds timeout) {
    std::shared_ptr<Event> found;
    WaitUntil(
        [&](const std::vector<std::shared_ptr<Event>>& events) {
            for (const auto& event : events) {
                if (matches(*event)) {
                    found = event;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

std::shared_ptr<Event> ObserverModule::WaitForName(const std::string& name,
                                                   std::chrono::milliseconds timeout) {
    return WaitFor([&](const Event& event) { return event.GetName() == name; }, timeout);
}

bool ObserverModule::WaitUntil(
    const std::function<bool(const std::vector<std::shared_ptr<Event>>&)>& condition,
    std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return recorded_.wait_for(lock, timeout, [&] { return condition(events_); });
}

std::vector<std::shared_ptr<Event>> ObserverModule::Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

std::shared_ptr<EventData> ObserverModule::ConfigurationStateAt(int32_t eventNumber) {
    return GetSharedEventState("com.nuvra.module.configuration", std::make_shared<Event>(eventNumber));
}

RewritingRemoteFileManager::RewritingRemoteFileManager(
    std::shared_ptr<RemoteFileManagerServiceInterface> inner, std::string from, std::string to)
    : inner_(std::move(inner)), from_(std::move(from)), to_(std::move(to)) {}

std::string RewritingRemoteFileManager::Rewrite(const std::string& url) const {
    return StringUtils::StartsWith(url, from_) ? to_ + url.substr(from_.size()) : url;
}

bool RewritingRemoteFileManager::Dispose(std::int64_t timeoutMs) { return inner_->Dispose(timeoutMs); }

void RewritingRemoteFileManager::GetFileAsync(const std::string& folder, const std::string& url,
                                              const Callback& callback) {
    inner_->GetFileAsync(folder, Rewrite(url), callback);
}

RemoteFileResult RewritingRemoteFileManager::GetFileSync(const std::string& folder, const std::string& url) {
    return inner_->GetFileSync(folder, Rewrite(url));
}

void RewritingRemoteFileManager::GetFileAsyncWithProperties(
    const std::string& folder, const std::string& url, const std::map<std::string, std::string>& properties,
    const Callback& callback) {
    inner_->GetFileAsyncWithProperties(folder, Rewrite(url), properties, callback);
}

RemoteFileResult RewritingRemoteFileManager::GetFileSyncWithProperties(
    const std::string& folder, const std::string& url, const std::map<std::string, std::string>& properties) {
    return inner_->GetFileSyncWithProperties(folder, Rewrite(url), properties);
}

RemoteFileResult RewritingRemoteFileManager::GetFileFromCache(const std::string& folder,
                                                              const std::string& url, bool flag) {
    return inner_->GetFileFromCache(folder, Rewrite(url), flag);
}

void RewritingRemoteFileManager::DeleteCachedDataNotInList(const std::string& folder,
                                                           const std::deque<std::string>& urls) {
    std::deque<std::string> rewritten;
    for (const auto& url : urls) {
        rewritten.push_back(Rewrite(url));
    }
    inner_->DeleteCachedDataNotInList(folder, rewritten);
}

MemoryDataStore::MemoryDataStore() : NativeDataStore("memory", KeyValueStore::OpenInMemory()) {}

void MemoryDataStore::FailReadsOf(const std::string& key) {
    MutexLock lock(mutex_);
    failingKey_ = key;
}

bool MemoryDataStore::LostEarlierValues() {
    MutexLock lock(mutex_);
    return lostEarlierValues_;
}

void MemoryDataStore::SetLostEarlierValues(bool lost) {
    MutexLock lock(mutex_);
    lostEarlierValues_ = lost;
}

std::string MemoryDataStore::GetString(const std::string& key, const std::string& defaultValue) {
    {
        MutexLock lock(mutex_);
        if (key == failingKey_) {
            Throw(SdkError("general.unexpected", "the store cannot be read", DebugInfo()));
        }
    }
    return NativeDataStore::GetString(key, defaultValue);
}

std::shared_ptr<DataStoreInterface> MemoryLocalStorageService::GetDataStore(const std::string& storeName) {
    return Store(storeName);
}

std::shared_ptr<MemoryDataStore> MemoryLocalStorageService::Store(const std::string& storeName) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& store = stores_[storeName];
    if (!store) {
        store = std::make_shared<MemoryDataStore>();
    }
    return store;
}

}  // namespace NuvraMobile
