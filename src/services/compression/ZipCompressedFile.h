#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/values/Object.h"
#include "platformShim/FileHandlerInterface.h"

namespace NuvraMobile {

/**
 * One entry of a zip archive: its central and local headers and its data descriptor, all read and
 * compared when the entry is built, and the extraction of its data below a folder with CRC-32 and size
 * checks. Failures are thrown as SdkError with "compressed-file." codes. A copyable value used by one
 * thread.
 */
class ZipCompressedFile : public Object {
public:
    using ExtraFields = std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>>;

    /** Reads the entry whose central header starts at `centralHeaderOffset`. */
    ZipCompressedFile(std::shared_ptr<FileHandlerInterface> fileHandler, std::int64_t centralHeaderOffset);

    /**
     * Writes the entry below `destinationPath`: a folder for a folder entry, nothing for a name the
     * platform keeps to itself, else the decoded file. Output beyond the declared size, a short output or
     * a checksum mismatch is thrown; the output written so far stays.
     */
    void ExtractFile(const std::string& destinationPath) const;

    bool IsDirectory() const;
    /** Names that hold "__MACOSX" or ".DS_Store" anywhere; such entries are skipped. */
    bool IsOSRestrictedPath() const;
    /** True when the entry's Unix mode (high half of the external attributes) marks a symbolic link. */
    bool IsSymbolicLink() const;
    bool IsConforming() const;
    std::uint64_t CompressedSize() const;
    std::uint64_t UncompressedSize() const;
    /** The uncompressed size of the central header, the bound that extraction enforces. */
    std::uint32_t DeclaredUncompressedSize() const;
    /** "major.minor" of the version needed to extract. */
    std::string ZipVersionRequired() const;
    /** The central modification time as "Y-M-D h:m:s" without leading zeros. */
    std::string LastModified() const;
    /** The name of the host system that made the entry. */
    std::string Creator() const;
    /** The name of the central compression method. */
    std::string CompressionMethod() const;
    const std::string& FileName() const;
    /** The size of the central record: 46 plus the name, extra field and comment lengths. */
    std::uint32_t CentralRecordSize() const;

private:
    /** The fields that the local header holds and the central header repeats. */
    struct FileHeader {
        std::uint32_t signature = 0;
        std::uint16_t versionNeeded = 0;
        std::uint16_t flags = 0;
        std::uint16_t compressionMethod = 0;
        std::uint16_t modificationTime = 0;
        std::uint16_t modificationDate = 0;
        std::uint32_t crc32 = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t uncompressedSize = 0;
        std::uint16_t fileNameLength = 0;
        std::uint16_t extraFieldLength = 0;
        std::string fileName;
        ExtraFields extraFields;
    };

    struct CentralHeader : FileHeader {
        std::uint8_t hostSystem = 0;
        std::uint8_t zipFormatVersion = 0;
        std::uint16_t commentLength = 0;
        std::string comment;
        std::uint16_t diskNumberStart = 0;
        std::uint16_t internalAttributes = 0;
        std::uint32_t externalAttributes = 0;
        std::uint32_t localHeaderOffset = 0;
    };

    struct DataDescriptor {
        std::uint32_t firstWord = 0;
        std::uint32_t crc32 = 0;
        std::uint32_t compressedSize = 0;
        std::uint32_t uncompressedSize = 0;
        std::uint64_t compressedSize64 = 0;
        std::uint64_t uncompressedSize64 = 0;
    };

    void ReadCentralHeader(std::int64_t offset);
    void ReadLocalHeader();
    void ReadDataDescriptor();
    void CompareHeaders() const;

    std::shared_ptr<FileHandlerInterface> fileHandler_;
    std::int64_t dataStart_ = 0;
    std::uint32_t centralRecordSize_ = 0;
    CentralHeader central_;
    FileHeader local_;
    DataDescriptor descriptor_;
    bool zip64_ = false;
};

}  // namespace NuvraMobile
