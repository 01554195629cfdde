#include "support/ZipBuilder.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace NuvraMobile {

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

ZipBuilder& ZipBuilder::Add(Entry entry) {
    entries_.push_back(std::move(entry));
    return *this;
}

ZipBuilder& ZipBuilder::Add(const std::string& name, const std::string& content) {
    Entry entry;
    entry.name = name;
    entry.content = content;
    return Add(entry);
}

ZipBuilder& ZipBuilder::SetComment(const std::string& comment) {
    comment_ = comment;
    return *this;
}

std::string ZipBuilder::Deflate(const std::string& content) {
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, content.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate failed");
    }
    return out;
}

std::uint32_t ZipBuilder::Crc32(const std::string& content) {
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
}

std::string ZipBuilder::Build() const {
    std::string archive;
    std::string directory;
    for (const Entry& entry : entries_) {
        const std::string data = entry.method == 8 ? Deflate(entry.content) : entry.content;
        const std::uint32_t crc = entry.crc32.value_or(Crc32(entry.content));
        const auto uncompressedSize =
            entry.declaredUncompressedSize.value_or(static_cast<std::uint32_t>(entry.content.size()));
        const auto compressedSize = static_cast<std::uint32_t>(data.size());
        const std::string localName = entry.localName.value_or(entry.name);
        const auto localHeaderOffset = static_cast<std::uint32_t>(archive.size());
        const bool descriptor = entry.withDataDescriptor;

        Put32(archive, 0x04034b50);
        Put16(archive, entry.versionNeeded);
        Put16(archive, entry.localFlags.value_or(entry.flags));
        Put16(archive, entry.localMethod.value_or(entry.method));
        Put16(archive, entry.modificationTime);
        Put16(archive, entry.modificationDate);
        Put32(archive, descriptor ? 0 : crc);
        Put32(archive, descriptor ? 0 : compressedSize);
        Put32(archive, descriptor ? 0 : uncompressedSize);
        Put16(archive, static_cast<std::uint32_t>(localName.size()));
        Put16(archive, 0);
        archive += localName;
        archive += data;
        if (descriptor) {
            Put32(archive, 0x08074b50);
            Put32(archive, crc);
            Put32(archive, compressedSize);
            Put32(archive, uncompressedSize);
        }

        Put32(directory, entry.centralSignature.value_or(0x02014b50));
        Put16(directory, (static_cast<std::uint32_t>(entry.hostSystem) << 8) | 20);
        Put16(directory, entry.versionNeeded);
        Put16(directory, entry.flags);
        Put16(directory, entry.method);
        Put16(directory, entry.modificationTime);
        Put16(directory, entry.modificationDate);
        Put32(directory, crc);
        Put32(directory, compressedSize);
        Put32(directory, uncompressedSize);
        Put16(directory, static_cast<std::uint32_t>(entry.name.size()));
        Put16(directory, static_cast<std::uint32_t>(entry.centralExtraField.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, entry.externalAttributes);
        Put32(directory, localHeaderOffset);
        directory += entry.name;
        directory += entry.centralExtraField;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    Put32(archive, 0x06054b50);
    Put16(archive, 0);
    Put16(archive, 0);
    Put16(archive, static_cast<std::uint32_t>(entries_.size()));
    Put16(archive, static_cast<std::uint32_t>(entries_.size()));
    Put32(archive, static_cast<std::uint32_t>(directory.size()));
    Put32(archive, directoryOffset);
    Put16(archive, static_cast<std::uint32_t>(comment_.size()));
    archive += comment_;
    return archive;
}

}  // namespace NuvraMobile
