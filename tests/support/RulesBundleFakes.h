#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/CompressedFileServiceInterface.h"
#include "platformShim/RemoteFileManagerServiceInterface.h"

namespace NuvraMobile {

/** A cached file at a fixed path. Any thread. */
class FixedRemoteFile : public Object, public virtual RemoteFileInterface {
public:
    explicit FixedRemoteFile(std::string path) : path_(std::move(path)) {}
    std::string ToUri() const override { return path_; }
    std::string ReadJsonStringFromFile() const override;

private:
    const std::string path_;
};

/**
 * A remote-file manager that answers every download with one scripted result and every cache look-up
 * with another, and records what it was asked. One test thread, or the rules executor while the test
 * waits.
 */
class FixedRemoteFileManager : public Object, public virtual RemoteFileManagerServiceInterface {
public:
    RemoteFileResult download = SdkError("remotefilemanager.request_failed", "no answer", DebugInfo());
    RemoteFileResult cached = SdkError("remotefilemanager.cache_failed", "URL not cached", DebugInfo());
    /** "download <folder> <url>" or "cache <folder> <url>", in order. */
    std::vector<std::string> requests;
    std::vector<std::pair<std::string, std::deque<std::string>>> deletions;

    /** A result holding the file at `path`. */
    static RemoteFileResult FileAt(const std::string& path);
    /** A result holding a file that reads as `text`. */
    static RemoteFileResult FileWith(const std::string& text);

    bool Dispose(std::int64_t) override { return true; }
    void GetFileAsync(const std::string& folder, const std::string& url, const Callback& callback) override;
    RemoteFileResult GetFileSync(const std::string& folder, const std::string& url) override;
    void GetFileAsyncWithProperties(const std::string& folder, const std::string& url,
                                    const std::map<std::string, std::string>& properties,
                                    const Callback& callback) override;
    RemoteFileResult GetFileSyncWithProperties(const std::string& folder, const std::string& url,
                                               const std::map<std::string, std::string>& properties) override;
    RemoteFileResult GetFileFromCache(const std::string& folder, const std::string& url, bool flag) override;
    void DeleteCachedDataNotInList(const std::string& folder, const std::deque<std::string>& urls) override;
};

/**
 * Unpacks by writing `rulesJson` as "rules.json" (and a nested file) into the destination, after which
 * it succeeds, refuses or throws as scripted. One test thread, or the rules executor while the test waits.
 */
class ScriptedExtractor : public Object, public virtual CompressedFileServiceInterface {
public:
    enum class Outcome { SUCCEED, REFUSE, THROW };
    Outcome outcome = Outcome::SUCCEED;
    std::string rulesJson = "{\"rules\": []}";
    int calls = 0;

    bool Extract(const std::string& archivePath, CompressedFileType type,
                 const std::string& destination) override;
};

}  // namespace NuvraMobile
