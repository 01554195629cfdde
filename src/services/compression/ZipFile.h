#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/FileHandlerInterface.h"
#include "services/compression/ZipCompressedFile.h"

namespace NuvraMobile {

/**
 * An open zip archive. Construction finds the end-of-central-directory record and reads every entry's
 * headers, so a damaged archive throws SdkError ("compressed-file." codes) before anything is written.
 * Also records whether the archive keeps to the plain subset of the format this reader expects (one
 * disk, no zip64, no encryption, stored or deflated data); that verdict stops nothing. One thread.
 */
class ZipFile : public Object {
public:
    explicit ZipFile(const std::string& archivePath);

    /** The entries in central-directory order. */
    const std::vector<ZipCompressedFile>& GetEntries() const;
    bool IsConforming() const;
    const std::string& GetComment() const;

private:
    struct EndRecord {
        std::uint32_t signature = 0;
        std::uint16_t diskNumber = 0;
        std::uint16_t centralDirectoryDisk = 0;
        std::uint16_t entriesOnDisk = 0;
        std::uint16_t totalEntries = 0;
        std::uint32_t centralDirectorySize = 0;
        std::uint32_t centralDirectoryOffset = 0;
        std::uint16_t commentLength = 0;
    };

    /** The offset of the end record's signature nearest the end of the file, or -1 when there is none. */
    std::int64_t FindEndRecord(std::uint64_t fileSize) const;
    void LoadEndRecord();
    void LoadEntries();
    void CheckArchiveConformance();

    std::shared_ptr<FileHandlerInterface> fileHandler_;
    bool conforming_ = true;
    std::int64_t endRecordPosition_ = -1;
    EndRecord endRecord_;
    std::string comment_;
    std::vector<ZipCompressedFile> entries_;
};

}  // namespace NuvraMobile
