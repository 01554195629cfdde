#pragma once

#include <memory>
#include <string>

#include "core/values/Object.h"
#include "rulesengine/RulesBundleNetworkProtocolHandler.h"

namespace NuvraMobile {

class CompressedFileServiceInterface;
class FileSystemServiceInterface;

/**
 * Unpacks a downloaded zip bundle into a directory and deletes the downloaded file, whatever the
 * outcome. The bundle is unpacked into a staging directory beside the output, which replaces the output
 * only when the extraction succeeded: a failed or refused extraction leaves what the output directory
 * held, and no partial bundle. Used by one download on the caller's thread.
 */
class ZipBundleHandler : public Object, public virtual RulesBundleNetworkProtocolHandler {
public:
    static constexpr const char* LOG_TAG = "ZipBundleHandler";

    ZipBundleHandler(std::shared_ptr<FileSystemServiceInterface> fileSystem,
                     std::shared_ptr<CompressedFileServiceInterface> compressedFileService);

    /** False at once, deleting nothing, for an empty path or a missing service. */
    bool ProcessDownloadedBundle(const std::string& bundlePath, const std::string& outputDirectory) override;

private:
    void RemoveDirectory(const std::string& directory) const;
    /** `path` with `prefix` put before its last component; such names are never a download's. */
    std::string SiblingPath(const std::string& path, const std::string& prefix) const;
    /** Puts `replacement` in the place of `directory`; false (and `directory` as it was) when it cannot. */
    bool ReplaceDirectory(const std::string& replacement, const std::string& directory) const;

    const std::shared_ptr<FileSystemServiceInterface> fileSystem_;
    const std::shared_ptr<CompressedFileServiceInterface> compressedFileService_;
};

}  // namespace NuvraMobile
