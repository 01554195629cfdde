#include "services/compression/ZipCompressedFile.h"

#include <zlib.h>

#include <algorithm>

#include "core/values/SdkError.h"
#include "platformShim/DirectoryHandlerInterface.h"
#include "platformShim/StreamDecoderInterface.h"
#include "services/compression/ZipFormat.h"

namespace NuvraMobile {

namespace {

using namespace ZipFormat;

constexpr std::uint16_t ZIP64_EXTRA_FIELD_ID = 1;
constexpr std::uint16_t DATA_DESCRIPTOR_FLAG = 0x0008;
constexpr std::uint16_t NON_CONFORMING_FLAGS = 0x0001 | 0x0010 | 0x0020;
constexpr std::uint16_t METHOD_STORED = 0;
constexpr std::uint16_t METHOD_DEFLATED = 8;
constexpr std::uint16_t METHOD_ENHANCED_DEFLATED = 9;
constexpr std::uint32_t UNIX_FILE_TYPE_MASK = 0xF000;
constexpr std::uint32_t UNIX_SYMBOLIC_LINK = 0xA000;

// The fields from "version needed" to "extra field length", laid out alike in both headers.
template <typename Header>
void ReadSharedFields(const std::uint8_t* bytes, Header& header) {
    header.versionNeeded = Le16(bytes);
    header.flags = Le16(bytes + 2);
    header.compressionMethod = Le16(bytes + 4);
    header.modificationTime = Le16(bytes + 6);
    header.modificationDate = Le16(bytes + 8);
    header.crc32 = Le32(bytes + 10);
    header.compressedSize = Le32(bytes + 14);
    header.uncompressedSize = Le32(bytes + 18);
    header.fileNameLength = Le16(bytes + 22);
    header.extraFieldLength = Le16(bytes + 24);
}

// Items that claim more bytes than the field holds end the list; nothing beyond the field is read.
ZipCompressedFile::ExtraFields ParseExtraFields(const std::uint8_t* bytes, std::size_t length,
                                                bool& hasZip64) {
    ZipCompressedFile::ExtraFields fields;
    std::size_t offset = 0;
    while (length - offset >= 4) {
        const std::uint16_t headerId = Le16(bytes + offset);
        const std::uint16_t dataSize = Le16(bytes + offset + 2);
        offset += 4;
        if (dataSize > length - offset) {
            break;
        }
        fields.emplace_back(headerId, std::vector<std::uint8_t>(bytes + offset, bytes + offset + dataSize));
        hasZip64 = hasZip64 || headerId == ZIP64_EXTRA_FIELD_ID;
        offset += dataSize;
    }
    return fields;
}

std::string CreatorName(std::uint8_t hostSystem) {
    static const char* NAMES[] = {"MS-DOS and OS/2",
                                  "Amiga",
                                  "OpenVMS",
                                  "UNIX",
                                  "VM/CMS",
                                  "Atari ST",
                                  "OS/2 H.P.F.S.",
                                  "Macintosh",
                                  "Z-System",
                                  "CP/M",
                                  "Windows NTFS",
                                  "MVS (OS/390 - Z/OS)",
                                  "VSE",
                                  "Acorn Risc",
                                  "VFAT",
                                  "alternate MVS",
                                  "BeOS",
                                  "Tandem",
                                  "OS/400",
                                  "OS/X (Darwin)"};
    return hostSystem < sizeof(NAMES) / sizeof(NAMES[0]) ? NAMES[hostSystem] : "Unknown";
}

std::string MethodName(std::uint16_t method) {
    switch (method) {
        case 0:
            return "no compression";
        case 1:
            return "shrunk";
        case 2:
        case 3:
        case 4:
        case 5:
            return "reduced with compression factor " + std::to_string(method - 1);
        case 6:
            return "imploded";
        case 8:
            return "deflated";
        case 9:
            return "enhanced deflated";
        case 10:
            return "PKWare DCL imploded";
        case 12:
            return "compressed using BZIP2";
        case 14:
            return "LZMA";
        case 18:
            return "compressed using IBM TERSE";
        case 19:
            return "IBM LZ77 z";
        case 98:
            return "PPMd version I, Rev 1";
        default:
            return "reserved";
    }
}

std::shared_ptr<StreamDecoderInterface> CreateDecoder(std::uint16_t method) {
    switch (method) {
        case METHOD_STORED:
            return StreamDecoderInterface::CreateDecompressor(::NuvraMobile::CompressionMethod::STORED);
        case METHOD_DEFLATED:
        case METHOD_ENHANCED_DEFLATED:
            return StreamDecoderInterface::CreateDecompressor(::NuvraMobile::CompressionMethod::DEFLATE);
        default:
            return nullptr;
    }
}

// Serves an entry's stored bytes in order, reading the archive a block at a time so that small chunks
// do not each cost a read of the file.
class BlockReader {
public:
    BlockReader(FileHandlerInterface& file, std::uint64_t position, std::uint32_t length)
        : file_(file), position_(position), left_(length), buffer_(std::min(length, READ_BLOCK_SIZE)) {}

    /** The next `count` bytes; `count` is at most READ_CHUNK_SIZE and never more than remain. */
    const std::uint8_t* Next(std::uint32_t count) {
        if (end_ - start_ < count) {
            Refill();
        }
        const std::uint8_t* bytes = buffer_.data() + start_;
        start_ += count;
        return bytes;
    }

private:
    void Refill() {
        std::copy(buffer_.begin() + start_, buffer_.begin() + end_, buffer_.begin());
        end_ -= start_;
        start_ = 0;
        const auto length = std::min<std::uint32_t>(left_, static_cast<std::uint32_t>(buffer_.size()) - end_);
        ReadExactly(file_, position_, length, buffer_.data() + end_);
        position_ += length;
        left_ -= length;
        end_ += length;
    }

    FileHandlerInterface& file_;
    std::uint64_t position_;
    std::uint32_t left_;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t start_ = 0;
    std::uint32_t end_ = 0;
};

// Collects decoded pieces and writes them to the output file a block at a time.
class BufferedOutput {
public:
    BufferedOutput(FileHandlerInterface& file, const std::string& name) : file_(file), name_(name) {
        buffer_.reserve(WRITE_BLOCK_SIZE);
    }

    void Append(const std::uint8_t* bytes, std::uint32_t count) {
        if (buffer_.size() + count > WRITE_BLOCK_SIZE) {
            Flush();
        }
        buffer_.insert(buffer_.end(), bytes, bytes + count);
    }

    void Flush() {
        const auto count = static_cast<std::uint32_t>(buffer_.size());
        if (count > 0 && file_.Write(count, buffer_.data()) < count) {
            Throw(ErrorCodes::WRITE_FAILED, "Failed to write output file " + name_);
        }
        buffer_.clear();
    }

private:
    static constexpr std::size_t WRITE_BLOCK_SIZE = 64 * 1024;

    FileHandlerInterface& file_;
    const std::string& name_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

ZipCompressedFile::ZipCompressedFile(std::shared_ptr<FileHandlerInterface> fileHandler,
                                     std::int64_t centralHeaderOffset)
    : fileHandler_(std::move(fileHandler)) {
    ReadCentralHeader(centralHeaderOffset);
    ReadLocalHeader();
    ReadDataDescriptor();
    CompareHeaders();
}

void ZipCompressedFile::ReadCentralHeader(std::int64_t offset) {
    const auto header = ReadBytes(*fileHandler_, static_cast<std::uint64_t>(offset), CENTRAL_HEADER_SIZE);
    const std::uint8_t* bytes = header.data();
    central_.signature = Le32(bytes);
    if (central_.signature != CENTRAL_HEADER_SIGNATURE) {
        Throw(ErrorCodes::CORRUPTED, "File header corrupted");
    }
    central_.zipFormatVersion = bytes[4];
    central_.hostSystem = bytes[5];
    ReadSharedFields(bytes + 6, central_);
    central_.commentLength = Le16(bytes + 32);
    central_.diskNumberStart = Le16(bytes + 34);
    central_.internalAttributes = Le16(bytes + 36);
    central_.externalAttributes = Le32(bytes + 38);
    central_.localHeaderOffset = Le32(bytes + 42);
    zip64_ = central_.compressedSize == 0xFFFFFFFF || central_.uncompressedSize == 0xFFFFFFFF ||
             central_.diskNumberStart == 0xFFFF || central_.localHeaderOffset == 0xFFFFFFFF;

    const std::uint32_t variableLength =
        central_.fileNameLength + central_.extraFieldLength + central_.commentLength;
    centralRecordSize_ = CENTRAL_HEADER_SIZE + variableLength;
    const auto variable =
        ReadBytes(*fileHandler_, static_cast<std::uint64_t>(offset) + CENTRAL_HEADER_SIZE, variableLength);
    const auto* text = reinterpret_cast<const char*>(variable.data());
    central_.fileName.assign(text, central_.fileNameLength);
    central_.extraFields =
        ParseExtraFields(variable.data() + central_.fileNameLength, central_.extraFieldLength, zip64_);
    central_.comment.assign(text + central_.fileNameLength + central_.extraFieldLength,
                            central_.commentLength);
}

void ZipCompressedFile::ReadLocalHeader() {
    const std::uint64_t offset = central_.localHeaderOffset;
    const auto header = ReadBytes(*fileHandler_, offset, LOCAL_HEADER_SIZE);
    const std::uint8_t* bytes = header.data();
    local_.signature = Le32(bytes);
    if (local_.signature != LOCAL_HEADER_SIGNATURE) {
        Throw(ErrorCodes::CORRUPTED, "File header corrupted");
    }
    ReadSharedFields(bytes + 4, local_);
    const std::uint32_t variableLength = local_.fileNameLength + local_.extraFieldLength;
    const auto variable = ReadBytes(*fileHandler_, offset + LOCAL_HEADER_SIZE, variableLength);
    local_.fileName.assign(reinterpret_cast<const char*>(variable.data()), local_.fileNameLength);
    bool ignoredZip64 = false;
    local_.extraFields =
        ParseExtraFields(variable.data() + local_.fileNameLength, local_.extraFieldLength, ignoredZip64);
    dataStart_ = static_cast<std::int64_t>(offset + LOCAL_HEADER_SIZE + variableLength);
}

void ZipCompressedFile::ReadDataDescriptor() {
    std::uint8_t bytes[DATA_DESCRIPTOR_READ_SIZE];
    ReadExactly(*fileHandler_, static_cast<std::uint64_t>(dataStart_) + central_.compressedSize,
                DATA_DESCRIPTOR_READ_SIZE, bytes);
    descriptor_.firstWord = Le32(bytes);
    std::size_t fieldsStart = 0;
    if (descriptor_.firstWord == DATA_DESCRIPTOR_SIGNATURE) {
        fieldsStart = 4;
    } else if ((central_.flags & DATA_DESCRIPTOR_FLAG) == 0) {
        return;
    }
    const std::uint8_t* fields = bytes + fieldsStart;
    descriptor_.crc32 = Le32(fields);
    if (zip64_) {
        descriptor_.compressedSize64 = Le64(fields + 4);
        descriptor_.uncompressedSize64 = Le64(fields + 12);
    } else {
        descriptor_.compressedSize = Le32(fields + 4);
        descriptor_.uncompressedSize = Le32(fields + 8);
    }
}

void ZipCompressedFile::CompareHeaders() const {
    if (central_.fileName != local_.fileName) {
        Throw(ErrorCodes::CORRUPTED, "File header mismatch: FILE NAME");
    }
    if (central_.compressionMethod != local_.compressionMethod) {
        Throw(ErrorCodes::CORRUPTED, "File header mismatch: COMPRESSION METHOD");
    }
    if (central_.flags != local_.flags) {
        Throw(ErrorCodes::CORRUPTED, "File header mismatch: FLAGS");
    }
}

void ZipCompressedFile::ExtractFile(const std::string& destinationPath) const {
    auto directory = DirectoryHandlerInterface::CreateFromPath(destinationPath);
    if (IsOSRestrictedPath()) {
        return;
    }
    const std::string& name = central_.fileName;
    if (IsDirectory()) {
        directory->MoveToSubDirectory(name, true);
        return;
    }
    auto output = directory->CreateFileHandlerInDirectory(name);
    if (!output || !output->OpenForWriting()) {
        Throw(ErrorCodes::WRITE_FAILED, "Failed to open " + name + " for writing\u00B8");
    }
    auto decoder = CreateDecoder(central_.compressionMethod);
    if (!decoder || !decoder->Initialize()) {
        Throw(ErrorCodes::INIT_FAILED, "Failed to initialize decompressor");
    }

    uLong crc = crc32(0L, Z_NULL, 0);
    // Output beyond the declared size is refused as it arrives, so a small entry cannot fill the disk.
    std::uint64_t outputLeft = central_.uncompressedSize;
    BufferedOutput buffered(*output, name);
    const StreamDecoderInterface::OutputSink sink = [&](const std::uint8_t* bytes, std::uint32_t count) {
        if (count == 0) {
            return;
        }
        if (count > outputLeft) {
            Throw(ErrorCodes::DECOMPRESSION_FAILED, "Uncompressed file size mismatch for " + name);
        }
        outputLeft -= count;
        crc = crc32(crc, bytes, count);
        buffered.Append(bytes, count);
    };

    BlockReader reader(*fileHandler_, static_cast<std::uint64_t>(dataStart_), central_.compressedSize);
    std::uint32_t bytesLeft = central_.compressedSize;
    while (bytesLeft > READ_CHUNK_SIZE) {
        if (!decoder->Process(reader.Next(READ_CHUNK_SIZE), READ_CHUNK_SIZE, false, sink)) {
            Throw(ErrorCodes::DECOMPRESSION_FAILED, "Failed to decompress zipped file");
        }
        bytesLeft -= READ_CHUNK_SIZE;
    }
    if (!decoder->Process(reader.Next(bytesLeft), static_cast<std::int32_t>(bytesLeft), true, sink)) {
        Throw(ErrorCodes::DECOMPRESSION_FAILED, "Failed to decompress zipped file");
    }
    buffered.Flush();
    if (!decoder->Finalize()) {
        Throw(ErrorCodes::CLOSE_FAILED, "Failed to finalize decompression");
    }
    if (crc != central_.crc32) {
        Throw(ErrorCodes::DECOMPRESSION_FAILED, "CRC32 mismatch for " + name);
    }
    if (outputLeft > 0) {
        Throw(ErrorCodes::DECOMPRESSION_FAILED, "Uncompressed file size mismatch for " + name);
    }
}

bool ZipCompressedFile::IsDirectory() const {
    const std::string& name = central_.fileName;
    const bool sizesAreZero = central_.compressedSize == 0 && central_.uncompressedSize == 0 &&
                              descriptor_.compressedSize == 0 && descriptor_.uncompressedSize == 0 &&
                              descriptor_.compressedSize64 == 0 && descriptor_.uncompressedSize64 == 0;
    return sizesAreZero && !name.empty() && (name.back() == '/' || name.back() == '\\');
}

bool ZipCompressedFile::IsOSRestrictedPath() const {
    const std::string& name = central_.fileName;
    return name.find("__MACOSX") != std::string::npos || name.find(".DS_Store") != std::string::npos;
}

bool ZipCompressedFile::IsSymbolicLink() const {
    return ((central_.externalAttributes >> 16) & UNIX_FILE_TYPE_MASK) == UNIX_SYMBOLIC_LINK;
}

bool ZipCompressedFile::IsConforming() const {
    const std::uint16_t method = central_.compressionMethod;
    return !zip64_ && (central_.flags & NON_CONFORMING_FLAGS) == 0 && central_.diskNumberStart == 0 &&
           (method == METHOD_STORED || method == METHOD_DEFLATED || method == METHOD_ENHANCED_DEFLATED);
}

std::uint64_t ZipCompressedFile::CompressedSize() const {
    if (central_.compressedSize > 0) {
        return central_.compressedSize;
    }
    return descriptor_.compressedSize64 > 0 ? descriptor_.compressedSize64 : descriptor_.compressedSize;
}

std::uint64_t ZipCompressedFile::UncompressedSize() const {
    if (central_.uncompressedSize > 0) {
        return central_.uncompressedSize;
    }
    return descriptor_.uncompressedSize64 > 0 ? descriptor_.uncompressedSize64 : descriptor_.uncompressedSize;
}

std::uint32_t ZipCompressedFile::DeclaredUncompressedSize() const { return central_.uncompressedSize; }

std::string ZipCompressedFile::ZipVersionRequired() const {
    return std::to_string(central_.versionNeeded & 0xFF) + "." + std::to_string(central_.versionNeeded >> 8);
}

std::string ZipCompressedFile::LastModified() const {
    const std::uint16_t date = central_.modificationDate;
    const std::uint16_t time = central_.modificationTime;
    return std::to_string((date >> 9) + 1980) + "-" + std::to_string((date >> 5) & 0x0F) + "-" +
           std::to_string(date & 0x1F) + " " + std::to_string(time >> 11) + ":" +
           std::to_string((time >> 5) & 0x3F) + ":" + std::to_string((time & 0x1F) * 2);
}

std::string ZipCompressedFile::Creator() const { return CreatorName(central_.hostSystem); }

std::string ZipCompressedFile::CompressionMethod() const { return MethodName(central_.compressionMethod); }

const std::string& ZipCompressedFile::FileName() const { return central_.fileName; }

std::uint32_t ZipCompressedFile::CentralRecordSize() const { return centralRecordSize_; }

}  // namespace NuvraMobile
