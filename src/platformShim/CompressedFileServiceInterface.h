#pragma once

#include <cstdint>
#include <string>

#include "core/values/ObjectInterface.h"

namespace NuvraMobile {

/** Archive types the compressed-file service is asked about; only zip is handled. */
enum class CompressedFileType : std::int32_t { ZIP = 0 };

/** Unpacks an archive file into a directory. */
class CompressedFileServiceInterface : public virtual ObjectInterface {
public:
    /**
     * Extracts every entry of the archive below `destinationPath`. False for an archive type that is not
     * handled; a damaged or unreadable archive throws SdkError with a "compressed-file." code.
     */
    virtual bool Extract(const std::string& archivePath, CompressedFileType type,
                         const std::string& destinationPath) = 0;
};

}  // namespace NuvraMobile
