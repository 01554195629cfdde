#include "rulesengine/ZipBundleHandler.h"

#include <algorithm>
#include <vector>

#include "core/SdkError.h"
#include "platformShim/CompressedFileServiceInterface.h"
#include "platformShim/FileSystemServiceInterface.h"
#include "util/Log.h"

namespace NuvraMobile {

ZipBundleHandler::ZipBundleHandler(std::shared_ptr<FileSystemServiceInterface> fileSystem,
                                   std::shared_ptr<CompressedFileServiceInterface> compressedFileService)
    : fileSystem_(std::move(fileSystem)), compressedFileService_(std::move(compressedFileService)) {}

bool ZipBundleHandler::ProcessDownloadedBundle(const std::string& bundlePath,
                                               const std::string& outputDirectory) {
    if (bundlePath.empty() || outputDirectory.empty() || !fileSystem_ || !compressedFileService_) {
        return false;
    }
    Log::Debug(LOG_TAG, "Attempting to extract the zip file content for %s in %s", bundlePath,
               outputDirectory);
    bool extracted = false;
    TrySwallow([&] {
        // A bundle unpacked earlier into the same place must not mix with this one.
        RemoveDirectory(outputDirectory);
        extracted = compressedFileService_->Extract(bundlePath, CompressedFileType::ZIP, outputDirectory);
    });
    TrySwallow([&] { fileSystem_->DeleteFile(bundlePath); });
    if (extracted) {
        Log::Debug(LOG_TAG, "Zip extraction completed for file %s", bundlePath);
    } else {
        RemoveDirectory(outputDirectory);
        Log::Warning(LOG_TAG, "Failed to extract zip file %s", bundlePath);
    }
    return extracted;
}

void ZipBundleHandler::RemoveDirectory(const std::string& directory) const {
    TrySwallow([&] {
        if (!fileSystem_->IsDirectory(directory)) {
            return;
        }
        std::vector<std::string> entries = fileSystem_->GetDirectoryContents(directory);
        // Longer relative paths first: every entry goes before the directory that holds it.
        std::sort(entries.begin(), entries.end(),
                  [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        const std::string separator = fileSystem_->GetPathSeparator();
        for (const std::string& entry : entries) {
            const std::string path = directory + separator + entry;
            if (fileSystem_->IsDirectory(path)) {
                fileSystem_->DeleteDirectory(path);
            } else {
                fileSystem_->DeleteFile(path);
            }
        }
        fileSystem_->DeleteDirectory(directory);
    });
}

}  // namespace NuvraMobile
