#include "rulesengine/ZipBundleHandler.h"

#include <algorithm>
#include <vector>

#include "core/values/SdkError.h"
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
    // The bundle is unpacked beside the output and takes its place only once it is whole, so a refused
    // archive leaves the rules unpacked earlier in force and on disk.
    const std::string staging = SiblingPath(outputDirectory, ".staging-");
    bool extracted = false;
    TrySwallow([&] {
        RemoveDirectory(staging);
        extracted = compressedFileService_->Extract(bundlePath, CompressedFileType::ZIP, staging);
    });
    TrySwallow([&] { fileSystem_->DeleteFile(bundlePath); });
    extracted = extracted && ReplaceDirectory(staging, outputDirectory);
    RemoveDirectory(staging);
    if (extracted) {
        Log::Debug(LOG_TAG, "Zip extraction completed for file %s", bundlePath);
    } else {
        Log::Warning(LOG_TAG, "Failed to extract zip file %s", bundlePath);
    }
    return extracted;
}

std::string ZipBundleHandler::SiblingPath(const std::string& path, const std::string& prefix) const {
    const std::string separator = fileSystem_->GetPathSeparator();
    const size_t nameStart = path.rfind(separator);
    return nameStart == std::string::npos
               ? prefix + path
               : path.substr(0, nameStart + separator.size()) + prefix + path.substr(nameStart + separator.size());
}

bool ZipBundleHandler::ReplaceDirectory(const std::string& replacement, const std::string& directory) const {
    const std::string retired = SiblingPath(directory, ".retired-");
    bool replaced = false;
    TrySwallow([&] {
        RemoveDirectory(retired);
        const bool hadDirectory = fileSystem_->IsDirectory(directory);
        if (hadDirectory && !fileSystem_->Rename(directory, retired)) {
            return;
        }
        replaced = fileSystem_->Rename(replacement, directory);
        if (!replaced && hadDirectory) {
            fileSystem_->Rename(retired, directory);
        }
    });
    RemoveDirectory(retired);
    return replaced;
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
