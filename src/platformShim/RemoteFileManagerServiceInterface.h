#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/values/Expected.h"
#include "core/values/ObjectInterface.h"
#include "core/values/SdkError.h"

namespace NuvraMobile {

/** A downloaded file in the local cache. Any thread may call. */
class RemoteFileInterface : public virtual ObjectInterface {
public:
    /** The local file's path. */
    virtual std::string ToUri() const = 0;
    /** The file's whole text. */
    virtual std::string ReadJsonStringFromFile() const = 0;
};

using RemoteFileResult = Expected<std::shared_ptr<RemoteFileInterface>, SdkError>;

/**
 * Downloads a URL into a per-folder cache (the folder may be empty: the cache root itself) and hands
 * back the cached file; unchanged files are not transferred again. Any thread may call.
 */
class RemoteFileManagerServiceInterface : public virtual ObjectInterface {
public:
    using Callback = std::function<void(const RemoteFileResult&)>;

    virtual bool Dispose(std::int64_t timeoutMs) = 0;

    virtual void GetFileAsync(const std::string& folder, const std::string& url,
                              const Callback& callback) = 0;

    virtual RemoteFileResult GetFileSync(const std::string& folder, const std::string& url) = 0;

    virtual void GetFileAsyncWithProperties(const std::string& folder, const std::string& url,
                                            const std::map<std::string, std::string>& properties,
                                            const Callback& callback) = 0;

    virtual RemoteFileResult GetFileSyncWithProperties(
        const std::string& folder, const std::string& url,
        const std::map<std::string, std::string>& properties) = 0;

    /** The cached copy without any request, or the error when the URL is not cached. */
    virtual RemoteFileResult GetFileFromCache(const std::string& folder, const std::string& url,
                                              bool flag) = 0;

    /** Removes every cached file of the folder except those of the listed URLs. */
    virtual void DeleteCachedDataNotInList(const std::string& folder,
                                           const std::deque<std::string>& urls) = 0;
};

}  // namespace NuvraMobile
