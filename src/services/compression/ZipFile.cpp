#include "services/compression/ZipFile.h"

#include "core/values/SdkError.h"
#include "services/compression/ZipFormat.h"
#include "services/filesystem/FileHandlerImpl.h"

namespace NuvraMobile {

namespace {

using namespace ZipFormat;

constexpr std::uint64_t CONFORMING_FILE_SIZE_LIMIT = 0x10000000;
constexpr std::size_t CONFORMING_ENTRY_LIMIT = 10000;
constexpr std::uint16_t MULTI_DISK_ENTRY_COUNT = 0xFFFF;

// The earliest position in `bytes` where the end-record signature starts, or -1.
std::int64_t FindSignature(const std::uint8_t* bytes, std::uint32_t length) {
    for (std::uint32_t index = 0; index + 4 <= length; ++index) {
        if (Le32(bytes + index) == END_RECORD_SIGNATURE) {
            return index;
        }
    }
    return -1;
}

}  // namespace

ZipFile::ZipFile(const std::string& archivePath) : fileHandler_(CreateNativeFileHandler(archivePath)) {
    const std::uint64_t fileSize = fileHandler_->Size();
    if (fileSize > CONFORMING_FILE_SIZE_LIMIT) {
        conforming_ = false;
    }
    if (!fileHandler_->OpenForReading()) {
        Throw(ErrorCodes::READ_FAILED, "Failed to open zip file");
    }
    endRecordPosition_ = FindEndRecord(fileSize);
    if (endRecordPosition_ < 0) {
        Throw(ErrorCodes::CORRUPTED, "File does not appear to be a zip file");
    }
    LoadEndRecord();
    LoadEntries();
    CheckArchiveConformance();
}

// Windows of 128 bytes from the end backwards. Each window overlaps the one after it by three bytes, so
// a signature that spans two windows is still found whole in one of them.
std::int64_t ZipFile::FindEndRecord(std::uint64_t fileSize) const {
    constexpr std::uint32_t SIGNATURE_OVERLAP = 3;
    std::uint8_t window[READ_CHUNK_SIZE];
    std::uint64_t windowEnd = fileSize;
    while (windowEnd > READ_CHUNK_SIZE) {
        const std::uint64_t windowStart = windowEnd - READ_CHUNK_SIZE;
        ReadExactly(*fileHandler_, windowStart, READ_CHUNK_SIZE, window);
        const std::int64_t hit = FindSignature(window, READ_CHUNK_SIZE);
        if (hit >= 0) {
            return static_cast<std::int64_t>(windowStart) + hit;
        }
        windowEnd = windowStart + SIGNATURE_OVERLAP;
    }
    const auto headLength = static_cast<std::uint32_t>(windowEnd);
    ReadExactly(*fileHandler_, 0, headLength, window);
    return FindSignature(window, headLength);
}

void ZipFile::LoadEndRecord() {
    const auto position = static_cast<std::uint64_t>(endRecordPosition_);
    const auto record = ReadBytes(*fileHandler_, position, END_RECORD_SIZE);
    const std::uint8_t* bytes = record.data();
    endRecord_.signature = Le32(bytes);
    endRecord_.diskNumber = Le16(bytes + 4);
    endRecord_.centralDirectoryDisk = Le16(bytes + 6);
    endRecord_.entriesOnDisk = Le16(bytes + 8);
    endRecord_.totalEntries = Le16(bytes + 10);
    endRecord_.centralDirectorySize = Le32(bytes + 12);
    endRecord_.centralDirectoryOffset = Le32(bytes + 16);
    endRecord_.commentLength = Le16(bytes + 20);
    const auto comment = ReadBytes(*fileHandler_, position + END_RECORD_SIZE, endRecord_.commentLength);
    comment_.assign(comment.begin(), comment.end());
}

void ZipFile::LoadEntries() {
    std::int64_t offset = endRecord_.centralDirectoryOffset;
    while (entries_.size() < endRecord_.totalEntries && offset < endRecordPosition_) {
        entries_.emplace_back(fileHandler_, offset);
        conforming_ = conforming_ && entries_.back().IsConforming();
        offset += entries_.back().CentralRecordSize();
    }
}

void ZipFile::CheckArchiveConformance() {
    const EndRecord& record = endRecord_;
    const bool plain =
        record.diskNumber == 0 && record.centralDirectoryDisk == 0 &&
        record.entriesOnDisk == record.totalEntries && entries_.size() <= CONFORMING_ENTRY_LIMIT &&
        record.entriesOnDisk < MULTI_DISK_ENTRY_COUNT && record.totalEntries < MULTI_DISK_ENTRY_COUNT &&
        record.centralDirectorySize != 0xFFFFFFFF && record.centralDirectoryOffset != 0xFFFFFFFF;
    conforming_ = conforming_ && plain;
}

const std::vector<ZipCompressedFile>& ZipFile::GetEntries() const { return entries_; }

bool ZipFile::IsConforming() const { return conforming_; }

const std::string& ZipFile::GetComment() const { return comment_; }

}  // namespace NuvraMobile
