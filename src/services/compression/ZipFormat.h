#pragma once

#include <cstdint>
#include <vector>

#include "platformShim/FileHandlerInterface.h"

namespace NuvraMobile {

/** Record layouts, error codes and little-endian reads shared by the zip archive and its entries. */
namespace ZipFormat {

constexpr std::uint32_t CENTRAL_HEADER_SIGNATURE = 0x02014b50;
constexpr std::uint32_t LOCAL_HEADER_SIGNATURE = 0x04034b50;
constexpr std::uint32_t END_RECORD_SIGNATURE = 0x06054b50;
constexpr std::uint32_t DATA_DESCRIPTOR_SIGNATURE = 0x08074b50;

constexpr std::uint32_t CENTRAL_HEADER_SIZE = 46;
constexpr std::uint32_t LOCAL_HEADER_SIZE = 30;
constexpr std::uint32_t END_RECORD_SIZE = 22;
constexpr std::uint32_t DATA_DESCRIPTOR_READ_SIZE = 24;
/** Entry data reach the decoder, and the end-record search reads the archive, in pieces of this size. */
constexpr std::uint32_t READ_CHUNK_SIZE = 128;
/** Entry data are read from the archive in blocks of this size (a multiple of READ_CHUNK_SIZE). */
constexpr std::uint32_t READ_BLOCK_SIZE = 64 * 1024;

namespace ErrorCodes {
constexpr const char* READ_FAILED = "compressed-file.read-failed";
constexpr const char* CORRUPTED = "compressed-file.corrupted";
constexpr const char* INIT_FAILED = "compressed-file.init-failed";
constexpr const char* DECOMPRESSION_FAILED = "compressed-file.decompression-failed";
constexpr const char* CLOSE_FAILED = "compressed-file.close-failed";
constexpr const char* WRITE_FAILED = "compressed-file.write-failed";
}  // namespace ErrorCodes

constexpr const char* READ_ERROR_MESSAGE = "Failed to read zip file";

inline std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(Le16(bytes)) | (static_cast<std::uint32_t>(Le16(bytes + 2)) << 16);
}

inline std::uint64_t Le64(const std::uint8_t* bytes) {
    return static_cast<std::uint64_t>(Le32(bytes)) | (static_cast<std::uint64_t>(Le32(bytes + 4)) << 32);
}

/** Reads exactly `count` bytes at `offset` into `buffer`; fewer throws "Failed to read zip file". */
void ReadExactly(FileHandlerInterface& file, std::uint64_t offset, std::uint32_t count, std::uint8_t* buffer);

/** `count` bytes at `offset`, read as ReadExactly does. */
std::vector<std::uint8_t> ReadBytes(FileHandlerInterface& file, std::uint64_t offset, std::uint32_t count);

}  // namespace ZipFormat

}  // namespace NuvraMobile
