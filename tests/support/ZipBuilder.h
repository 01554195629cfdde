#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace NuvraMobile {

/**
 * Builds zip archives in memory for tests, including damaged ones: each entry can misstate its checksum
 * or sizes, differ between its local and central headers, or carry a data descriptor.
 */
class ZipBuilder {
public:
    struct Entry {
        std::string name;
        std::string content;
        /** 0 stores the content, 8 deflates it; any other value is written as given over stored data. */
        std::uint16_t method = 8;
        std::uint16_t flags = 0;
        std::uint32_t externalAttributes = 0;
        std::uint8_t hostSystem = 3;
        std::uint16_t versionNeeded = 20;
        std::uint16_t modificationTime = 0;
        std::uint16_t modificationDate = 0x21;
        std::optional<std::uint32_t> crc32;
        std::optional<std::uint32_t> declaredUncompressedSize;
        std::optional<std::string> localName;
        std::optional<std::uint16_t> localMethod;
        std::optional<std::uint16_t> localFlags;
        std::optional<std::uint32_t> centralSignature;
        /** Zero sizes and checksum in the local header, the real ones in a signed descriptor after the data.
         */
        bool withDataDescriptor = false;
        std::string centralExtraField;
    };

    ZipBuilder& Add(Entry entry);
    /** A deflated entry of `content`. */
    ZipBuilder& Add(const std::string& name, const std::string& content);
    ZipBuilder& SetComment(const std::string& comment);
    std::string Build() const;

    /** Raw deflate data of `content`. */
    static std::string Deflate(const std::string& content);
    static std::uint32_t Crc32(const std::string& content);

private:
    std::vector<Entry> entries_;
    std::string comment_;
};

}  // namespace NuvraMobile
