#pragma once

#include <memory>
#include <string>

#include "core/Object.h"
#include "rulesengine/RulesBundleNetworkProtocolHandler.h"

namespace NuvraMobile {

class CompressedFileServiceInterface;
class FileSystemServiceInterface;

/**
 * Unpacks a downloaded zip bundle into a directory and deletes the downloaded file, whatever the
 * outcome. A failed or refused extraction removes the output directory, so no partial bundle is left
 * for a later launch to load. Used by one download on the caller's thread.
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

    const std::shared_ptr<FileSystemServiceInterface> fileSystem_;
    const std::shared_ptr<CompressedFileServiceInterface> compressedFileService_;
};

}  // namespace NuvraMobile
