#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/values/Object.h"
#include "platformShim/CompressedFileServiceInterface.h"

namespace NuvraMobile {

/**
 * Unpacks zip archives (the rules bundles) into a folder. The archive is checked whole before anything
 * is written: entries whose names are absolute or hold "..", symbolic links, and archives that expand
 * beyond 64 MiB are refused. Entries are written into a fresh folder beside the destination and moved
 * into it only when every entry extracted cleanly, so a refused archive leaves nothing behind. Holds no
 * state; safe to call from any thread.
 */
class NativeCompressedFileService : public Object, public virtual CompressedFileServiceInterface {
public:
    static constexpr std::uint64_t MAX_EXTRACTED_BYTES = 64ULL * 1024 * 1024;

    bool Extract(const std::string& archivePath, CompressedFileType type,
                 const std::string& destinationPath) override;
};

std::shared_ptr<CompressedFileServiceInterface> CreateNativeCompressedFileService();

}  // namespace NuvraMobile
