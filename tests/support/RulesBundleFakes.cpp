#include "support/RulesBundleFakes.h"

#include <filesystem>

#include "support/FileSystemTestFolder.h"

namespace NuvraMobile {

std::string FixedRemoteFile::ReadJsonStringFromFile() const { return ReadFileBytes(path_); }

namespace {

class TextFile : public Object, public virtual RemoteFileInterface {
public:
    explicit TextFile(std::string text) : text_(std::move(text)) {}
    std::string ToUri() const override { return "/cache/file"; }
    std::string ReadJsonStringFromFile() const override { return text_; }

private:
    const std::string text_;
};

}  // namespace

RemoteFileResult FixedRemoteFileManager::FileAt(const std::string& path) {
    return std::shared_ptr<RemoteFileInterface>(std::make_shared<FixedRemoteFile>(path));
}

RemoteFileResult FixedRemoteFileManager::FileWith(const std::string& text) {
    return std::shared_ptr<RemoteFileInterface>(std::make_shared<TextFile>(text));
}

void FixedRemoteFileManager::GetFileAsync(const std::string& folder, const std::string& url,
                                          const Callback& callback) {
    callback(GetFileSync(folder, url));
}

RemoteFileResult FixedRemoteFileManager::GetFileSync(const std::string& folder, const std::string& url) {
    requests.push_back("download " + folder + " " + url);
    return download;
}

void FixedRemoteFileManager::GetFileAsyncWithProperties(const std::string& folder, const std::string& url,
                                                        const std::map<std::string, std::string>&,
                                                        const Callback& callback) {
    GetFileAsync(folder, url, callback);
}

RemoteFileResult FixedRemoteFileManager::GetFileSyncWithProperties(
    const std::string& folder, const std::string& url, const std::map<std::string, std::string>&) {
    return GetFileSync(folder, url);
}

RemoteFileResult FixedRemoteFileManager::GetFileFromCache(const std::string& folder, const std::string& url,
                                                          bool) {
    requests.push_back("cache " + folder + " " + url);
    return cached;
}

void FixedRemoteFileManager::DeleteCachedDataNotInList(const std::string& folder,
                                                       const std::deque<std::string>& urls) {
    deletions.emplace_back(folder, urls);
}

bool ScriptedExtractor::Extract(const std::string&, CompressedFileType, const std::string& destination) {
    ++calls;
    std::filesystem::create_directories(destination + "/nested");
    WriteFileBytes(destination + "/rules.json", rulesJson);
    WriteFileBytes(destination + "/nested/asset.txt", "a");
    if (outcome == Outcome::THROW) {
        Throw("compressed-file.damaged", "damaged archive");
    }
    return outcome == Outcome::SUCCEED;
}

}  // namespace NuvraMobile
